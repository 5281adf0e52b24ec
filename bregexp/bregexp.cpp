// libbregexp: Perl-style regular expressions over byte text (ASCII or
// Shift-JIS) behind a small C interface, on top of Oniguruma.
//
// Every call finds the compiled pattern in a small shared cache, searches
// with its own region and match parameters, and returns the match as a
// BREGEXP record. Costly searches are cut short (see the limits below), so a
// runaway pattern on a long line ends in an error instead of hanging the
// caller.

#include "BRegexpRecord.h"

#include <oniguruma.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The record and the arrays it points to live in one object, found again
// through record.priv when the caller releases it.
struct bregexp_private {
    BREGEXP record{};
    std::vector<char *> starts;
    std::vector<char *> ends;
};

namespace {

// ---- limits --------------------------------------------------------------

// Backtracks allowed while trying to match at one start position: a share
// of the line's length, never fewer than the floor nor more than the cap.
// An ordinary pattern backtracks a handful of times per start position,
// the more involved ones (".+\1", "(.*),(.*),(.*)\d") up to about 13 times
// the line's length. An exponential pattern such as (.*)*b uses any
// allowance up: a fixed 5 million cost it a tenth of a second on every
// short line, so 4,000 such lines took minutes; the floor ends it within a
// fraction of a millisecond there, and a megabyte-long line still gets the
// cap.
constexpr unsigned long kRetryLimitInMatchFloor = 2'000;
constexpr unsigned long kRetryLimitInMatchPerByte = 16;
constexpr unsigned long kRetryLimitInMatch = 5'000'000;

// Backtracks allowed over all start positions of one search. Ordinary
// patterns on a 1 MB line need between 1 and 5 million. Patterns that are
// quadratic in the line length, such as (\w)+\d on a long run of letters,
// hit this in well under a second.
//
// Neither counter sees a quadratic search that never backtracks: in \w+\W\w
// the engine makes \w+ possessive and rescans the whole run of letters from
// every start position, and fixed repeats such as (a{1000}){1000} never
// backtrack either. Oniguruma 6.9 has no time limit of its own, so every
// pattern is compiled behind a callout, "(?{})(?:" + regex + ")": the engine
// passes it at every start position it tries, and there the clock and the
// caller's stop function are asked (see Watch below).
constexpr unsigned long kRetryLimitInSearch = 50'000'000;

// Callout results that end a search; onig_search hands them back.
constexpr int kTimeLimitOver = -1001;
constexpr int kStopRequested = -1002;
// The clock is read at every this many callouts.
constexpr unsigned kCalloutsPerCheck = 16;

// Backtrack stack entries. Patterns like (.)* push about two per character,
// so this still allows them on lines of several megabytes while keeping the
// memory of one search to about half a gigabyte at worst.
constexpr unsigned int kMatchStackLimit = 1u << 24;

constexpr std::size_t kCacheCapacity = 16;

// ---- messages --------------------------------------------------------------

bool IsSjisLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Writes text to the caller's buffer, cut to BREGEXP_MSG_SIZE - 1 bytes. When
// the text is Shift-JIS the cut never leaves half a character behind.
void PutMessage(char *msg, std::string_view text, bool sjis)
{
    if (!msg)
        return;
    std::size_t n = std::min<std::size_t>(text.size(), BREGEXP_MSG_SIZE - 1);
    if (sjis && n < text.size()) {
        std::size_t i = 0;
        while (i < n) {
            const std::size_t width = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
            if (i + width > n)
                break;
            i += width;
        }
        n = i;
    }
    std::memcpy(msg, text.data(), n);
    msg[n] = '\0';
}

std::string OnigMessage(int code, OnigErrorInfo *info = nullptr)
{
    OnigUChar buf[ONIG_MAX_ERROR_MESSAGE_LEN + 1] = {};
    if (info)
        onig_error_code_to_str(buf, code, info);
    else
        onig_error_code_to_str(buf, code);
    return reinterpret_cast<const char *>(buf);
}

// ---- pattern strings -------------------------------------------------------

struct PatternParts {
    std::string regex;
    bool sjis = false;
    bool ignoreCase = false;
    bool multiLine = false;
};

std::string Printable(unsigned char c)
{
    char buf[16];
    if (c >= 0x20 && c < 0x7F)
        std::snprintf(buf, sizeof buf, "'%c'", c);
    else
        std::snprintf(buf, sizeof buf, "0x%02X", c);
    return buf;
}

// "m" + delimiter + regex + delimiter + options. The closing delimiter is the
// last occurrence of the delimiter byte: only option letters may follow it,
// and looking from the end means a regex byte that happens to equal the
// delimiter (say the second byte of a double-byte character) cannot end the
// regex early.
bool ParsePatternString(const char *text, PatternParts &parts, std::string &why)
{
    if (text[0] != 'm') {
        why = "pattern string must begin with \"m\"";
        return false;
    }
    const char delimiter = text[1];
    if (delimiter == '\0') {
        why = "pattern string has no delimiter after \"m\"";
        return false;
    }
    const char *body = text + 2;
    const char *close = std::strrchr(body, delimiter);
    if (!close) {
        why = "pattern string has no closing delimiter " + Printable(static_cast<unsigned char>(delimiter));
        return false;
    }
    parts.regex.assign(body, close);
    for (const char *p = close + 1; *p; ++p) {
        switch (*p) {
        case 'k': parts.sjis = true; break;
        case 'i': parts.ignoreCase = true; break;
        case 'm': parts.multiLine = true; break;
        default:
            why = "unknown option letter " + Printable(static_cast<unsigned char>(*p)) +
                  " in pattern string";
            return false;
        }
    }
    return true;
}

// ---- compiled patterns -----------------------------------------------------

struct Compiled {
    regex_t *regex = nullptr;
    bool watched = false; // compiled behind the callout
    bool sjis = false;    // the text is Shift-JIS ("k")

    Compiled() = default;
    Compiled(const Compiled &) = delete;
    Compiled &operator=(const Compiled &) = delete;
    ~Compiled()
    {
        if (regex)
            onig_free(regex);
    }
};

using CompiledPtr = std::shared_ptr<const Compiled>;

struct Failure {
    int code = 0;
    std::string message;
    bool sjis = false;
};

int InitializeOniguruma()
{
    static std::once_flag once;
    static int result = ONIG_NORMAL;
    std::call_once(once, [] {
        OnigEncoding encodings[] = {ONIG_ENCODING_ASCII, ONIG_ENCODING_SJIS};
        result = onig_initialize(encodings, 2);
    });
    return result;
}

CompiledPtr Compile(const char *patternString, Failure &failure)
{
    PatternParts parts;
    if (!ParsePatternString(patternString, parts, failure.message)) {
        failure.code = BREGEXP_ERR_PATTERN;
        return nullptr;
    }

    OnigOptionType options = ONIG_OPTION_NONE;
    if (parts.ignoreCase)
        options |= ONIG_OPTION_IGNORECASE;
    // Perl syntax starts out single-line ("^" and "$" only at the ends of the
    // text); "m" lifts that so they also match around embedded line breaks.
    if (parts.multiLine)
        options |= ONIG_OPTION_NEGATE_SINGLELINE;
    OnigEncoding encoding = parts.sjis ? ONIG_ENCODING_SJIS : ONIG_ENCODING_ASCII;

    auto compiled = std::make_shared<Compiled>();
    compiled->sjis = parts.sjis;
    OnigErrorInfo info{};
    const auto *begin = reinterpret_cast<const OnigUChar *>(parts.regex.data());
    // The regex as written decides whether the pattern is good and gives
    // the message when it is not.
    const int r = onig_new(&compiled->regex, begin, begin + parts.regex.size(), options, encoding,
                           ONIG_SYNTAX_PERL, &info);
    if (r != ONIG_NORMAL) {
        compiled->regex = nullptr; // onig_new frees it on failure
        failure.code = BREGEXP_ERR_PATTERN;
        failure.message = OnigMessage(r, &info);
        failure.sjis = parts.sjis;
        return nullptr;
    }
    // The same regex behind the callout; a group around it changes no
    // match and no group number. Where that form does not compile (a
    // comment that runs to the end in extended mode, say) the regex is
    // searched as written, without the time bound.
    const std::string watchedRegex = "(?{})(?:" + parts.regex + ")";
    const auto *watchedBegin = reinterpret_cast<const OnigUChar *>(watchedRegex.data());
    regex_t *watched = nullptr;
    if (onig_new(&watched, watchedBegin, watchedBegin + watchedRegex.size(), options, encoding, ONIG_SYNTAX_PERL,
                 &info) == ONIG_NORMAL) {
        onig_free(compiled->regex);
        compiled->regex = watched;
        compiled->watched = true;
    }
    return compiled;
}

// Most recently used first. Compiling happens under the lock; it is quick
// next to the searches, and it keeps two threads from compiling the same
// pattern twice.
class PatternCache {
public:
    CompiledPtr Get(const char *patternString, Failure &failure)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == patternString) {
                std::rotate(entries_.begin(), it, it + 1);
                return entries_.front().second;
            }
        }
        CompiledPtr compiled = Compile(patternString, failure);
        if (!compiled)
            return nullptr; // failures are not kept: the caller gives up on them anyway
        if (entries_.size() >= kCacheCapacity)
            entries_.pop_back(); // searches still holding it keep it alive
        entries_.emplace(entries_.begin(), patternString, compiled);
        return compiled;
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::string, CompiledPtr>> entries_;
};

PatternCache &Cache()
{
    // Never destroyed: worker threads may still be searching while the
    // process runs its exit handlers.
    static PatternCache *cache = new PatternCache;
    return *cache;
}

// A search loop calls in with the same pattern line after line; each thread
// remembers its last pattern so that the shared cache (and its lock) is only
// consulted when the pattern changes.
struct LastUsed {
    std::string key;
    CompiledPtr compiled;
};

CompiledPtr Lookup(const char *patternString, Failure &failure)
{
    thread_local LastUsed last;
    if (last.compiled && last.key == patternString)
        return last.compiled;
    CompiledPtr compiled = Cache().Get(patternString, failure);
    if (compiled) {
        last.key = patternString;
        last.compiled = compiled;
    }
    return compiled;
}

// ---- searching -------------------------------------------------------------

struct Limits {
    unsigned long timeLimitMs = BREGEXP_DEFAULT_TIME_LIMIT_MS;
    BStopFn stop = nullptr;
    void *user = nullptr;
};

Limits &ThreadLimits()
{
    thread_local Limits limits;
    return limits;
}

long long CoarseMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// What the callout of one search looks at.
struct Watch {
    Limits limits;
    long long deadline = 0; // milliseconds on the coarse clock; 0: none
    unsigned calls = 0;
};

int WatchCallout(OnigCalloutArgs *, void *data)
{
    Watch &watch = *static_cast<Watch *>(data);
    if (++watch.calls % kCalloutsPerCheck != 0)
        return ONIG_CALLOUT_SUCCESS;
    if (watch.limits.stop && watch.limits.stop(watch.limits.user))
        return kStopRequested;
    if (watch.deadline && CoarseMilliseconds() > watch.deadline)
        return kTimeLimitOver;
    return ONIG_CALLOUT_SUCCESS;
}

struct RegionDeleter {
    void operator()(OnigRegion *region) const { onig_region_free(region, 1); }
};
struct MatchParamDeleter {
    void operator()(OnigMatchParam *param) const { onig_free_match_param(param); }
};

// Whether the last byte of [line, end) is a lead byte with no second byte.
// Every byte that cannot be a lead byte ends a character, so the byte after
// the last of them starts one; from there the lead-range bytes pair up.
bool EndsInLoneLeadByte(const OnigUChar *line, const OnigUChar *end)
{
    const OnigUChar *p = end;
    while (p > line && IsSjisLeadByte(p[-1]))
        --p;
    return (end - p) % 2 == 1;
}

int Search(const Compiled &compiled, const OnigUChar *line, const OnigUChar *start,
           const OnigUChar *end, OnigRegion *region, OnigMatchParam *param)
{
    // Oniguruma wants the whole match inside [start, range], so the range
    // always reaches the end of the text.
    if (!compiled.sjis)
        return onig_search_with_param(compiled.regex, line, end, start, end, region,
                                      ONIG_OPTION_NONE, param);
    // A lead byte takes the byte after it as its second byte, whatever that
    // byte is; the plain search and the columns see the text that way. Where
    // the second byte is not a valid one Oniguruma may still start a match on
    // it, so such a match is passed over and the search goes on at the next
    // character. The start given is always a character start.
    //
    // Oniguruma also takes a lead byte's second byte when the text ends
    // first: \S or \w there reads one byte past the end and reports a match
    // that ends beyond it. A lead byte left alone at the end is no character
    // any pattern matches, so Oniguruma is not shown it; $, \Z and \z keep
    // meaning the real end, which lies after that byte.
    OnigOptionType options = ONIG_OPTION_NONE;
    if (EndsInLoneLeadByte(line, end)) {
        --end;
        options = ONIG_OPTION_NOTEOL | ONIG_OPTION_NOT_END_STRING;
        if (start > end)
            return ONIG_MISMATCH;
    }
    const OnigUChar *from = start;
    const OnigUChar *boundary = start;
    while (true) {
        const int r = onig_search_with_param(compiled.regex, line, end, from, end, region,
                                             options, param);
        if (r < 0)
            return r;
        const OnigUChar *hit = line + r;
        while (boundary < hit)
            boundary += (IsSjisLeadByte(*boundary) && boundary + 1 < end) ? 2 : 1;
        if (boundary == hit)
            return r;
        from = boundary;
    }
}

std::string MatchErrorMessage(int code)
{
    switch (code) {
    case ONIGERR_RETRY_LIMIT_IN_MATCH_OVER:
        return "regular expression too complex: retry limit exceeded";
    case ONIGERR_RETRY_LIMIT_IN_SEARCH_OVER:
        return "regular expression too complex: search retry limit exceeded";
    case ONIGERR_MATCH_STACK_LIMIT_OVER:
        return "regular expression too complex: match stack limit exceeded";
    case ONIGERR_MEMORY:
        return "out of memory while matching";
    case kTimeLimitOver:
        return "regular expression too complex: time limit exceeded";
    default:
        return "matching failed: " + OnigMessage(code);
    }
}

BREGEXP *MakeRecord(const OnigRegion &region, const OnigUChar *line)
{
    auto owner = std::make_unique<bregexp_private>();
    const int count = std::max(region.num_regs, 1);
    owner->starts.assign(count, nullptr);
    owner->ends.assign(count, nullptr);
    char *base = reinterpret_cast<char *>(const_cast<OnigUChar *>(line));
    for (int i = 0; i < region.num_regs; ++i) {
        if (region.beg[i] == ONIG_REGION_NOTPOS || region.end[i] == ONIG_REGION_NOTPOS)
            continue;
        owner->starts[i] = base + region.beg[i];
        owner->ends[i] = base + region.end[i];
    }
    owner->record.startp = owner->starts.data();
    owner->record.endp = owner->ends.data();
    owner->record.nparens = count - 1;
    owner->record.priv = owner.get();
    return &owner.release()->record;
}

void Release(BREGEXP *record)
{
    // Only records made by MakeRecord are freed; anything else is left alone
    // rather than handed to delete.
    if (record && record->priv && &record->priv->record == record)
        delete record->priv;
}

unsigned long RetryLimitInMatch(std::ptrdiff_t lineLength)
{
    const unsigned long scaled = static_cast<unsigned long>(lineLength) * kRetryLimitInMatchPerByte;
    return std::clamp(scaled, kRetryLimitInMatchFloor, kRetryLimitInMatch);
}

int MatchImpl(const char *patternString, char *lineStart, char *searchStart, char *textEnd,
              BREGEXP **handle, char *msg)
{
    if (msg)
        msg[0] = '\0';
    if (handle) {
        Release(*handle);
        *handle = nullptr;
    }
    if (!patternString) {
        PutMessage(msg, "no pattern string", false);
        return BREGEXP_ERR_ARGUMENT;
    }
    if (!lineStart || !searchStart || !textEnd || lineStart > searchStart ||
        searchStart > textEnd) {
        PutMessage(msg, "invalid text pointers", false);
        return BREGEXP_ERR_ARGUMENT;
    }
    if (InitializeOniguruma() != ONIG_NORMAL) {
        PutMessage(msg, "regular expression library failed to initialize", false);
        return BREGEXP_ERR_ARGUMENT;
    }

    Failure failure;
    CompiledPtr compiled = Lookup(patternString, failure);
    if (!compiled) {
        PutMessage(msg, failure.message, failure.sjis);
        return failure.code;
    }

    std::unique_ptr<OnigRegion, RegionDeleter> region(onig_region_new());
    std::unique_ptr<OnigMatchParam, MatchParamDeleter> param(onig_new_match_param());
    if (!region || !param)
        throw std::bad_alloc();
    onig_set_retry_limit_in_match_of_match_param(param.get(), RetryLimitInMatch(textEnd - lineStart));
    onig_set_retry_limit_in_search_of_match_param(param.get(), kRetryLimitInSearch);
    onig_set_match_stack_limit_size_of_match_param(param.get(), kMatchStackLimit);
    Watch watch;
    watch.limits = ThreadLimits();
    if (watch.limits.timeLimitMs)
        watch.deadline = CoarseMilliseconds() + static_cast<long long>(watch.limits.timeLimitMs);
    if (compiled->watched) {
        onig_set_progress_callout_of_match_param(param.get(), WatchCallout);
        onig_set_callout_user_data_of_match_param(param.get(), &watch);
    }

    const auto *line = reinterpret_cast<const OnigUChar *>(lineStart);
    const int r = Search(*compiled, line, reinterpret_cast<const OnigUChar *>(searchStart),
                         reinterpret_cast<const OnigUChar *>(textEnd), region.get(), param.get());
    if (r == ONIG_MISMATCH)
        return BREGEXP_NO_MATCH;
    if (r == kStopRequested) {
        PutMessage(msg, "search stopped", false);
        return BREGEXP_ERR_STOPPED;
    }
    if (r < 0) {
        PutMessage(msg, MatchErrorMessage(r), false);
        return BREGEXP_ERR_MATCH;
    }
    if (handle)
        *handle = MakeRecord(*region, line);
    return BREGEXP_MATCH;
}

} // namespace

extern "C" {

BREGEXP_API int BMatchEx(const char *pattern_string, char *line_start, char *search_start,
                         char *text_end, BREGEXP **handle, char *msg)
{
    try {
        return MatchImpl(pattern_string, line_start, search_start, text_end, handle, msg);
    } catch (const std::bad_alloc &) {
        PutMessage(msg, "out of memory", false);
    } catch (...) {
        PutMessage(msg, "internal error", false);
    }
    if (handle && *handle) {
        Release(*handle);
        *handle = nullptr;
    }
    return BREGEXP_ERR_ARGUMENT;
}

BREGEXP_API int BMatch(const char *pattern_string, char *text_start, char *text_end,
                       BREGEXP **handle, char *msg)
{
    return BMatchEx(pattern_string, text_start, text_start, text_end, handle, msg);
}

BREGEXP_API void BRegfree(BREGEXP *handle)
{
    Release(handle);
}

BREGEXP_API void BSetLimits(unsigned long time_limit_ms, BStopFn stop, void *user)
{
    ThreadLimits() = Limits{time_limit_ms, stop, user};
}

} // extern "C"
