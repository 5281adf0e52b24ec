// Regular-expression patterns through libbregexp with a small subject. The
// first byte holds the option letters; the pattern runs to the first zero
// byte, the subject (at most 64 bytes) follows. Checks that every answer is
// one the interface allows, that a match lies inside the text, begins on a
// character start in Shift-JIS mode and has its groups inside it, that an
// error always comes with a message that fits its buffer, and that asking
// again (now from the compiled-pattern cache) gives the same answer.

#include "BRegexpRecord.h"
#include "FuzzSupport.h"
#include "SjisText.h"

#include <cstring>
#include <string>

namespace {

struct TAnswer
{
    int Result = 0;
    qsizetype Start = -1, End = -1;
    std::string Message;
};

TAnswer Ask(const std::string &patternString, QByteArray &subject, qsizetype from, bool sjis)
{
    char msg[BREGEXP_MSG_SIZE + 8];
    std::memset(msg, 0x7F, sizeof msg);
    BREGEXP *handle = nullptr;
    char *begin = subject.data();
    char *end = begin + subject.size();
    TAnswer answer;
    answer.Result = BMatchEx(patternString.c_str(), begin, begin + from, end, &handle, msg);
    FUZZ_CHECK(std::memchr(msg, 0, BREGEXP_MSG_SIZE) != nullptr);
    for (size_t i = BREGEXP_MSG_SIZE; i < sizeof msg; ++i)
        FUZZ_CHECK(msg[i] == 0x7F); // nothing written past the buffer
    answer.Message = msg;
    FUZZ_CHECK(answer.Result == BREGEXP_MATCH || answer.Result == BREGEXP_NO_MATCH
               || answer.Result == BREGEXP_ERR_PATTERN || answer.Result == BREGEXP_ERR_MATCH
               || answer.Result == BREGEXP_ERR_ARGUMENT);
    FUZZ_CHECK((answer.Result == BREGEXP_MATCH) == (handle != nullptr));
    if (answer.Result < 0)
        FUZZ_CHECK(!answer.Message.empty());
    if (handle) {
        FUZZ_CHECK(handle->startp && handle->endp && handle->nparens >= 0);
        FUZZ_CHECK(handle->startp[0] && handle->endp[0]);
        answer.Start = handle->startp[0] - begin;
        answer.End = handle->endp[0] - begin;
        FUZZ_CHECK(answer.Start >= from && answer.Start <= answer.End && answer.End <= subject.size());
        if (sjis)
            FUZZ_CHECK(!IsTrailByteAt(subject, answer.Start));
        for (int g = 1; g <= handle->nparens; ++g) {
            FUZZ_CHECK((handle->startp[g] == nullptr) == (handle->endp[g] == nullptr));
            if (handle->startp[g])
                FUZZ_CHECK(handle->startp[g] >= begin && handle->startp[g] <= handle->endp[g]
                           && handle->endp[g] <= end);
        }
        BRegfree(handle);
    }
    return answer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TFuzzInput input(data, size);
    const uint8_t flags = input.Byte();
    const QByteArrayView pattern = input.Until('\0');
    QByteArray subject = input.Remaining().first(qMin<qsizetype>(64, input.Remaining().size())).toByteArray();
    subject.replace('\0', ' ');
    if (pattern.size() > 256)
        return 0;

    // The delimiter the adapter would pick, or a plain "/" when none is free.
    char delimiter = '/';
    for (char d : {'/', '#', '!', '$', '%', '&'})
        if (!pattern.contains(d)) {
            delimiter = d;
            break;
        }
    const bool sjis = flags & 1;
    std::string patternString = "m";
    patternString += delimiter;
    patternString.append(pattern.data(), size_t(pattern.size()));
    patternString += delimiter;
    if (sjis)
        patternString += 'k';
    if (flags & 2)
        patternString += 'i';
    if (flags & 4)
        patternString += 'm';
    if (flags & 8)
        patternString += char(flags >> 4 | 0x40); // sometimes an unknown option letter

    qsizetype from = subject.isEmpty() ? 0 : (flags >> 4) % (subject.size() + 1);
    // The engine starts every search on a character start.
    if (sjis && IsTrailByteAt(subject, from))
        ++from;
    const TAnswer first = Ask(patternString, subject, from, sjis);
    const TAnswer again = Ask(patternString, subject, from, sjis);
    FUZZ_CHECK(first.Result == again.Result && first.Start == again.Start && first.End == again.End);
    return 0;
}
