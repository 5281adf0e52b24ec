#include "IconvHandle.h"

#include <cerrno>
#include <iconv.h>

namespace {
const iconv_t NotOpen = reinterpret_cast<iconv_t>(-1);
}

TIconvHandle::TIconvHandle(const char *toCode, const char *fromCode) : Cd(iconv_open(toCode, fromCode))
{
}

TIconvHandle::~TIconvHandle()
{
    if (IsOpen())
        iconv_close(static_cast<iconv_t>(Cd));
}

bool TIconvHandle::IsOpen() const
{
    return static_cast<iconv_t>(Cd) != NotOpen;
}

TIconvHandle::Result TIconvHandle::Convert(char *&in, size_t &inLeft, char *&out, size_t &outLeft)
{
    if (iconv(static_cast<iconv_t>(Cd), &in, &inLeft, &out, &outLeft) != size_t(-1))
        return Done;
    switch (errno) {
    case E2BIG: return OutputFull;
    case EINVAL: return Incomplete;
    case EILSEQ: return Invalid;
    default: return Failed;
    }
}

void TIconvHandle::Reset()
{
    iconv(static_cast<iconv_t>(Cd), nullptr, nullptr, nullptr, nullptr);
}

void TIconvHandle::Finish(char *&out, size_t &outLeft)
{
    iconv(static_cast<iconv_t>(Cd), nullptr, nullptr, &out, &outLeft);
}
