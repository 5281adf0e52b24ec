#include "IconvConverter.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr qsizetype ChunkSize = 1 << 20;
constexpr qsizetype FlushRoom = 16;
}

TIconvConverter::TIconvConverter(const char *toCode, const char *fromCode, QByteArray substitute)
    : Handle(iconv_open(toCode, fromCode)), Substitute(std::move(substitute))
{
}

TIconvConverter::~TIconvConverter()
{
    if (IsOpen())
        iconv_close(Handle);
}

qsizetype TIconvConverter::Convert(QByteArrayView input, QByteArray &out,
                                   const std::function<bool()> &keepGoing)
{
    if (!IsOpen())
        return -1;
    iconv(Handle, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    char *in = const_cast<char *>(input.data());
    size_t inLeft = size_t(input.size());
    qsizetype substitutions = 0;
    qsizetype used = out.size();
    while (inLeft > 0) {
        if (keepGoing && !keepGoing()) {
            out.resize(used);
            return -1;
        }
        // Input is fed a piece at a time, so that one call never runs for
        // long and keepGoing is asked often on a large file.
        const size_t piece = qMin<size_t>(inLeft, size_t(ChunkSize));
        const bool wholeRest = piece == inLeft;
        const qsizetype room = qsizetype(piece) * 2 + FlushRoom;
        out.resize(used + room);
        char *dst = out.data() + used;
        size_t dstLeft = size_t(room);
        size_t feed = piece;
        const size_t r = iconv(Handle, &in, &feed, &dst, &dstLeft);
        const int error = errno;
        inLeft -= piece - feed;
        used = dst - out.data();
        if (r != size_t(-1) || error == E2BIG)
            continue;
        if (error == EINVAL && !wholeRest)
            continue; // the piece ended inside a sequence; the next one holds the rest
        if (error == EILSEQ || error == EINVAL) {
            // Invalid in the source, unmappable in the destination, or cut off
            // by the end of the input: write the substitute and step over it.
            qsizetype step = Skip ? Skip(reinterpret_cast<const unsigned char *>(in), qsizetype(inLeft)) : 1;
            step = qBound<qsizetype>(1, step, qsizetype(inLeft));
            out.resize(used + Substitute.size());
            if (!Substitute.isEmpty())
                memcpy(out.data() + used, Substitute.constData(), size_t(Substitute.size()));
            used += Substitute.size();
            in += step;
            inLeft -= size_t(step);
            ++substitutions;
            continue;
        }
        break; // no other error is documented; keep what was converted
    }
    out.resize(used + FlushRoom);
    char *dst = out.data() + used;
    size_t dstLeft = size_t(FlushRoom);
    iconv(Handle, nullptr, nullptr, &dst, &dstLeft); // the closing shift, if any
    used = dst - out.data();
    out.resize(used);
    return substitutions;
}
