#include "IconvConverter.h"

#include "IconvHandle.h"

#include <cstring>

namespace {
constexpr qsizetype ChunkSize = 1 << 20;
constexpr qsizetype FlushRoom = 16;
constexpr size_t SmallPiece = 64;
}

TIconvConverter::TIconvConverter(const char *toCode, const char *fromCode, QByteArray substitute)
    : Handle(std::make_unique<TIconvHandle>(toCode, fromCode)), Substitute(std::move(substitute))
{
}

TIconvConverter::~TIconvConverter() = default;

bool TIconvConverter::IsOpen() const
{
    return Handle->IsOpen();
}

qsizetype TIconvConverter::Convert(QByteArrayView input, QByteArray &out,
                                   const std::function<bool()> &keepGoing)
{
    if (!IsOpen())
        return -1;
    Handle->Reset(); // back to the initial state
    char *in = const_cast<char *>(input.data());
    size_t inLeft = size_t(input.size());
    qsizetype substitutions = 0;
    qsizetype used = out.size();
    // out is kept at its full room while converting and cut to what was
    // written at the end; it grows only when the converter asks for more.
    auto ensureRoom = [&](qsizetype room) {
        if (out.size() - used < room)
            out.resize(used + qMax(room, out.size() - used + qsizetype(inLeft) + FlushRoom));
    };
    // After a bad sequence the converter is fed small pieces for a while:
    // it converts ahead in its own buffers, and work past a bad sequence is
    // thrown away, which on input full of them would cost that buffer each
    // time.
    size_t pieceLimit = size_t(ChunkSize);
    while (inLeft > 0) {
        if (keepGoing && !keepGoing()) {
            out.resize(used);
            return -1;
        }
        // Input is fed a piece at a time, so that one call never runs for
        // long and keepGoing is asked often on a large file.
        const size_t piece = qMin<size_t>(inLeft, pieceLimit);
        const bool wholeRest = piece == inLeft;
        ensureRoom(qsizetype(piece) * 2 + FlushRoom);
        char *dst = out.data() + used;
        size_t dstLeft = size_t(out.size() - used);
        size_t feed = piece;
        const TIconvHandle::Result r = Handle->Convert(in, feed, dst, dstLeft);
        inLeft -= piece - feed;
        used = dst - out.data();
        if (r == TIconvHandle::Done || r == TIconvHandle::OutputFull) {
            pieceLimit = qMin<size_t>(pieceLimit * 2, size_t(ChunkSize));
            continue;
        }
        if (r == TIconvHandle::Incomplete && !wholeRest)
            continue; // the piece ended inside a sequence; the next one holds the rest
        if (r == TIconvHandle::Invalid || r == TIconvHandle::Incomplete) {
            // Invalid in the source, unmappable in the destination, or cut off
            // by the end of the input: write the substitute and step over it.
            qsizetype step = Skip ? Skip(reinterpret_cast<const unsigned char *>(in), qsizetype(inLeft)) : 1;
            step = qBound<qsizetype>(1, step, qsizetype(inLeft));
            ensureRoom(Substitute.size());
            if (!Substitute.isEmpty())
                memcpy(out.data() + used, Substitute.constData(), size_t(Substitute.size()));
            used += Substitute.size();
            in += step;
            inLeft -= size_t(step);
            ++substitutions;
            pieceLimit = SmallPiece;
            continue;
        }
        break; // no other error is documented; keep what was converted
    }
    ensureRoom(FlushRoom);
    char *dst = out.data() + used;
    size_t dstLeft = size_t(out.size() - used);
    Handle->Finish(dst, dstLeft); // the closing shift, if any
    used = dst - out.data();
    out.resize(used);
    return substitutions;
}
