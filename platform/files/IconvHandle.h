#pragma once
// One iconv conversion descriptor, its errors turned into a result.

#include <cstddef>

class TIconvHandle
{
public:
    TIconvHandle(const char *toCode, const char *fromCode);
    ~TIconvHandle();
    TIconvHandle(const TIconvHandle &) = delete;
    TIconvHandle &operator=(const TIconvHandle &) = delete;

    bool IsOpen() const;

    enum Result {
        Done,       // all input converted
        OutputFull, // the output has no room left
        Incomplete, // the input ends inside a sequence
        Invalid,    // invalid in the source, or unmappable in the destination
        Failed,     // any other error
    };
    // Converts from in (inLeft bytes) to out (outLeft bytes of room); both
    // move on past what was converted.
    Result Convert(char *&in, size_t &inLeft, char *&out, size_t &outLeft);
    // Back to the initial shift state.
    void Reset();
    // Writes the closing shift sequence, if the destination has one.
    void Finish(char *&out, size_t &outLeft);

private:
    void *Cd; // the iconv_t
};
