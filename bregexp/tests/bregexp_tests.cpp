// Tests for libbregexp, linked directly. A tiny table-driven harness: every
// failed expectation prints one line, the run ends with "N passed, M failed"
// and a non-zero exit status if anything failed.

#include "BRegexpRecord.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

// CP932 bytes of the characters used below. Kept as separate literals so
// that a following letter or digit never extends a \x escape.
#define NICHI "\x93\xfa"  // 日
#define HON "\x96\x7b"    // 本 (second byte is '{')
#define GO "\x8c\xea"     // 語
#define HYOU "\x95\x5c"   // 表 (second byte is '\')
#define KATA_A "\x83\x41" // ア (second byte is 'A')
#define HANKAKU_A "\xb1"  // ｱ, a single-byte kana
#define OWARI "\x8f\x49"  // 終 (second byte is 'I')

namespace {

int g_passed = 0;
int g_failed = 0;
std::string g_context;

void Expect(bool ok, const std::string &what)
{
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAIL [%s] %s\n", g_context.c_str(), what.c_str());
    }
}

template <typename T>
void ExpectEq(const T &actual, const T &expected, const char *what)
{
    Expect(actual == expected, std::string(what) + ": got " + std::to_string(actual) +
                                   ", expected " + std::to_string(expected));
}

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

struct Span {
    long start = -1; // -1: group not set
    long end = -1;
};

struct Outcome {
    int rc = 0;
    bool gotHandle = false;
    int nparens = -1;
    std::vector<Span> spans; // [0] whole match, then groups
    std::string msg;
    bool msgTerminated = true; // zero byte within BREGEXP_MSG_SIZE, no write past it
};

// Runs one search over a private zero-terminated copy of text, starting the
// search at byte offset from, and records everything as offsets.
Outcome Run(const std::string &pattern, const std::string &text, std::size_t from = 0)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    char *start = buffer.data();
    char *end = start + text.size();

    constexpr int kGuard = 16;
    char msgArea[BREGEXP_MSG_SIZE + kGuard];
    std::memset(msgArea, '#', sizeof msgArea);

    BREGEXP *handle = nullptr;
    Outcome out;
    out.rc = BMatchEx(pattern.c_str(), start, start + from, end, &handle, msgArea);

    out.msgTerminated = std::memchr(msgArea, '\0', BREGEXP_MSG_SIZE) != nullptr;
    for (int i = BREGEXP_MSG_SIZE; i < BREGEXP_MSG_SIZE + kGuard; ++i)
        out.msgTerminated = out.msgTerminated && msgArea[i] == '#';
    if (out.msgTerminated)
        out.msg = msgArea;

    out.gotHandle = handle != nullptr;
    if (handle) {
        out.nparens = handle->nparens;
        for (int i = 0; i <= handle->nparens; ++i) {
            Span span;
            if (handle->startp[i]) {
                span.start = static_cast<long>(handle->startp[i] - start);
                span.end = static_cast<long>(handle->endp[i] - start);
            }
            out.spans.push_back(span);
        }
        BRegfree(handle);
    }
    return out;
}

// Checks the parts every call must get right whatever its result.
void ExpectConsistent(const Outcome &out)
{
    Expect(out.msgTerminated, "message is zero-terminated inside the buffer");
    Expect(out.gotHandle == (out.rc == BREGEXP_MATCH), "a record exactly when there is a match");
    if (out.rc < 0)
        Expect(!out.msg.empty(), "an error comes with a message");
}

// ---- pattern strings ---------------------------------------------------------

void TestPatternStrings()
{
    struct Case {
        const char *pattern;
        const char *text;
        int rc;
        long start, end;
    };
    const Case good[] = {
        {"m/abc/", "xxabcxx", 1, 2, 5},
        {"m#abc#", "xxabcxx", 1, 2, 5},
        {"m!abc!", "xxabcxx", 1, 2, 5},
        {"m$abc$", "xxabcxx", 1, 2, 5},
        {"m%abc%", "xxabcxx", 1, 2, 5},
        {"m&abc&", "xxabcxx", 1, 2, 5},
        {"m|abc|", "xxabcxx", 1, 2, 5},
        {"m#a/b#", "xa/b", 1, 1, 4},
        {"m#a/b#ki", "xA/B", 1, 1, 4},
        {"m/a/b/", "xa/b", 1, 1, 4}, // the last delimiter closes the regex
        {"m//", "abc", 1, 0, 0},
        {"m/abc/k", "abc", 1, 0, 3},
        {"m/abc/i", "ABC", 1, 0, 3},
        {"m/abc/m", "abc", 1, 0, 3},
        {"m/abc/kim", "xABC", 1, 1, 4},
        {"m/abc/mik", "xABC", 1, 1, 4},
        {"m/abc/kk", "abc", 1, 0, 3},
        {"m/abc/", "abd", 0, -1, -1},
    };
    for (const Case &c : good) {
        g_context = std::string("pattern string ") + c.pattern;
        const Outcome out = Run(c.pattern, c.text);
        ExpectConsistent(out);
        ExpectEq(out.rc, c.rc, "result");
        if (out.rc == 1) {
            ExpectEq(out.spans[0].start, c.start, "match start");
            ExpectEq(out.spans[0].end, c.end, "match end");
        }
        Expect(out.msg.empty(), "no message on success: " + out.msg);
    }

    struct Bad {
        const char *pattern;
        const char *msgPart;
    };
    const Bad bad[] = {
        {"", "\"m\""},
        {"/abc/", "\"m\""},
        {"s/a/b/", "\"m\""},
        {"M/abc/", "\"m\""},
        {"m", "delimiter"},
        {"m/", "closing delimiter"},
        {"m/abc", "closing delimiter"},
        {"m#abc/", "closing delimiter"},
        {"m/abc/x", "'x'"},
        {"m/abc/g", "'g'"},
        {"m/abc/kI", "'I'"},
        {"m/abc/k ", "' '"},
        {"m/abc/\x81", "0x81"},
    };
    for (const Bad &c : bad) {
        g_context = std::string("malformed pattern string \"") + c.pattern + "\"";
        const Outcome out = Run(c.pattern, "abc");
        ExpectConsistent(out);
        ExpectEq(out.rc, BREGEXP_ERR_PATTERN, "result");
        Expect(Contains(out.msg, c.msgPart), "message mentions " + std::string(c.msgPart) +
                                                 ": " + out.msg);
    }
}

void TestCompileErrors()
{
    struct Bad {
        const char *pattern;
        const char *msgPart;
    };
    const Bad bad[] = {
        {"m/(/", "parenthesis"},
        {"m/(/k", "parenthesis"},
        {"m/a)/", "parenthesis"},
        {"m/[a/", "char-class"},
        {"m/*a/", "repeat"},
        {"m/a{3,2}/", "repeat"},
        {"m/\\/", "end pattern"},
        {"m/a\\1/", "backref"},
    };
    for (const Bad &c : bad) {
        g_context = std::string("compile error ") + c.pattern;
        const Outcome out = Run(c.pattern, "abc");
        ExpectConsistent(out);
        ExpectEq(out.rc, BREGEXP_ERR_PATTERN, "result");
        Expect(Contains(out.msg, c.msgPart), "message mentions " + std::string(c.msgPart) +
                                                 ": " + out.msg);
    }

    // A bad pattern stays bad when asked again (failures are not cached as
    // anything else).
    g_context = "compile error twice";
    ExpectEq(Run("m/(/", "abc").rc, BREGEXP_ERR_PATTERN, "second call");
}

// Messages that quote a long piece of the pattern still fit the buffer and,
// for Shift-JIS, never end inside a character.
void TestMessageTruncation()
{
    g_context = "long ASCII message";
    const std::string longName(200, 'x');
    Outcome out = Run("m/\\p{" + longName + "}/", "abc");
    ExpectConsistent(out);
    ExpectEq(out.rc, BREGEXP_ERR_PATTERN, "result");
    Expect(!out.msg.empty() && out.msg.size() <= BREGEXP_MSG_SIZE - 1, "message fits");

    for (int shift = 0; shift < 2; ++shift) {
        g_context = "long Shift-JIS message, shift " + std::to_string(shift);
        std::string name(shift, 'x');
        for (int i = 0; i < 100; ++i)
            name += NICHI;
        out = Run("m/\\p{" + name + "}/k", "abc");
        ExpectConsistent(out);
        ExpectEq(out.rc, BREGEXP_ERR_PATTERN, "result");
        // Walk the message as CP932: it must not end on a lone lead byte.
        std::size_t i = 0;
        while (i < out.msg.size()) {
            const unsigned char b = static_cast<unsigned char>(out.msg[i]);
            i += ((b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc)) ? 2 : 1;
        }
        Expect(i == out.msg.size(), "message ends on a character boundary");
    }
}

// ---- matching ------------------------------------------------------------------

struct MatchCase {
    const char *name;
    const char *pattern;
    const char *text;
    std::size_t from; // where the search begins (the line always begins at 0)
    int rc;
    long start, end;
};

const MatchCase kMatchCases[] = {
    // plain ASCII
    {"literal", "m/b+/", "abbbc", 0, 1, 1, 4},
    {"no match", "m/z/", "abc", 0, 0, -1, -1},
    {"no match on empty text", "m/a/", "", 0, 0, -1, -1},
    {"first of several", "m/ab/", "xabab", 0, 1, 1, 3},
    {"dot", "m/a.c/", "xabc", 0, 1, 1, 4},
    {"dot stops at newline", "m/a.b/", "a\nb", 0, 0, -1, -1},

    // zero-length matches
    {"caret", "m/^/", "abc", 0, 1, 0, 0},
    {"star at start", "m/x*/", "abc", 0, 1, 0, 0},
    {"star on empty text", "m/x*/", "", 0, 1, 0, 0},
    {"dollar", "m/$/", "abc", 0, 1, 3, 3},
    {"dollar after char", "m/c$/", "abc", 0, 1, 2, 3},
    {"empty regex", "m//", "abc", 0, 1, 0, 0},

    // ignore case
    {"ignore case", "m/ABC/i", "xabc", 0, 1, 1, 4},
    {"case matters by default", "m/ABC/", "xabc", 0, 0, -1, -1},
    {"ignore case class", "m/[A-C]+/i", "xabcd", 0, 1, 1, 4},
    {"ignore case after Japanese", "m/abc/ki", NICHI "ABC", 0, 1, 2, 5},

    // multi-line
    {"caret only at text start", "m/^b/", "a\nb", 0, 0, -1, -1},
    {"caret after newline with m", "m/^b/m", "a\nb", 0, 1, 2, 3},
    {"dollar only at text end", "m/a$/", "a\nb", 0, 0, -1, -1},
    {"dollar before newline with m", "m/a$/m", "a\nb", 0, 1, 0, 1},

    // Shift-JIS characters are whole characters with k
    {"dot takes a double-byte char", "m/^.$/k", NICHI, 0, 1, 0, 2},
    {"dot is one byte without k", "m/^.$/", NICHI, 0, 0, -1, -1},
    {"two dots without k", "m/^..$/", NICHI, 0, 1, 0, 2},
    {"dot between ASCII", "m/a.c/k", "a" NICHI "c", 0, 1, 0, 4},
    {"dot takes a single-byte kana", "m/^.$/k", HANKAKU_A, 0, 1, 0, 1},
    {"dots count characters", "m/^...$/k", NICHI HON GO, 0, 1, 0, 6},
    {"class of kanji", "m/[" NICHI HON "]/k", "x" HON, 0, 1, 1, 3},
    {"class repeated", "m/[" NICHI HON "]+/k", "x" NICHI HON GO, 0, 1, 1, 5},
    {"negated class skips whole char", "m/[^" NICHI "]/k", NICHI HON, 0, 1, 2, 4},
    {"literal kanji", "m/" HON "/k", NICHI HON, 0, 1, 2, 4},
    {"kanji not found across chars", "m/" NICHI "/k", "\x88\x93\xfa\x40", 0, 0, -1, -1},
    {"same bytes found without k", "m/" NICHI "/", "\x88\x93\xfa\x40", 0, 1, 1, 3},
    {"backslash is not a trail byte", "m/\\\\/k", HYOU, 0, 0, -1, -1},
    {"backslash trail byte without k", "m/\\\\/", HYOU, 0, 1, 1, 2},
    {"real backslash after kanji", "m/\\\\/k", HYOU "\\", 0, 1, 2, 3},
    {"brace is not a trail byte", "m/\\{/k", HON, 0, 0, -1, -1},
    {"trail 'A' ignores case too", "m/a/ki", KATA_A, 0, 0, -1, -1},
    {"trail 'A' is a letter without k", "m/a/i", KATA_A, 0, 1, 1, 2},
    {"kanji are word characters", "m/\\w+/k", NICHI HON GO " abc", 0, 1, 0, 6},
    {"lone lead byte at the end", "m/x/k", "ab\x93", 0, 0, -1, -1},
    {"lone lead byte then dollar", "m/b$/k", "ab\x93", 0, 0, -1, -1},
    {"lone lead byte is no character", "m/.$/k", "ab\x93", 0, 0, -1, -1},
    // Oniguruma itself would let \S and \w take the byte past the end as
    // the second byte.
    {"lone lead byte is no \\S", "m/\\S/k", "  \x93", 0, 0, -1, -1},
    {"lone lead byte is no \\S ignoring case", "m/\\S/ki", "  \xf2", 0, 0, -1, -1},
    {"lone lead byte is no \\w", "m/\\w+/k", "ab\x93", 0, 1, 0, 2},
    {"lone lead byte ends no run", "m/\\S+/k", NICHI "\x93", 0, 1, 0, 2},
    {"lone lead byte after a pair of leads", "m/\\S+$/k", "\x93\x93\x93", 0, 0, -1, -1},
    {"two leads are one character", "m/^\\S$/k", "\x93\x93", 0, 1, 0, 2},
    {"lone lead byte then \\z", "m/b\\z/k", "ab\x93", 0, 0, -1, -1},
    {"lone lead byte then \\Z", "m/b\\Z/k", "ab\x93", 0, 0, -1, -1},
    {"dollar before a newline still matches", "m/a$/km", "a\n\x93", 0, 1, 0, 1},
    {"search from the lone lead byte", "m/\\S/k", "ab\x93", 2, 0, -1, -1},
    // A lead byte pairs with whatever byte follows it, as in the plain search.
    {"weak second byte starts no match", "m/\x1f\x1f\x1f\x1f\x1f*\x1f\x1f\x1f\x1f/k",
     "\xe1\xe0\xe0\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f", 0, 1, 4, 12},
    {"weak second byte starts a match without k", "m/\x1f\x1f\x1f\x1f\x1f*\x1f\x1f\x1f\x1f/",
     "\xe1\xe0\xe0\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f", 0, 1, 3, 12},
    {"weak second byte, nothing after it", "m/\x1f\x1f\x1f\x1f/k", "\xe0\x1f\x1f\x1f\x1f", 0, 0, -1, -1},

    // word boundaries
    {"word boundary", "m/\\bfoo/", "a foo", 0, 1, 2, 5},
    {"no boundary inside a word", "m/\\bfoo/", "afoo", 0, 0, -1, -1},

    // searching from inside the line
    {"caret does not match later", "m/^a/", "aaa", 1, 0, -1, -1},
    {"search starts at offset", "m/a/", "aaa", 1, 1, 1, 2},
    {"boundary sees the char before", "m/\\bfoo/", "afoo", 1, 0, -1, -1},
    {"boundary after space", "m/\\bfoo/", "a foo", 1, 1, 2, 5},
    {"look-behind sees the char before", "m/(?<=a)b/", "ab", 1, 1, 1, 2},
    {"negative look-behind too", "m/(?<!a)b/", "ab", 1, 0, -1, -1},
    {"match before offset is not found", "m/a/", "abc", 1, 0, -1, -1},
    {"search from the end", "m/$/", "abc", 3, 1, 3, 3},
    {"empty match at offset", "m/x*/", "abc", 2, 1, 2, 2},
    {"kanji after offset", "m/./k", NICHI HON, 2, 1, 2, 4},
    {"caret with m after newline", "m/^b/m", "a\nb", 1, 1, 2, 3},
};

void TestMatches()
{
    for (const MatchCase &c : kMatchCases) {
        g_context = c.name;
        const Outcome out = Run(c.pattern, c.text, c.from);
        ExpectConsistent(out);
        ExpectEq(out.rc, c.rc, "result");
        if (out.rc == 1 && !out.spans.empty()) {
            ExpectEq(out.spans[0].start, c.start, "match start");
            ExpectEq(out.spans[0].end, c.end, "match end");
        }

        // BMatch is BMatchEx from the start of the line.
        if (c.from == 0) {
            std::string text = c.text;
            BREGEXP *handle = nullptr;
            char msg[BREGEXP_MSG_SIZE];
            const int rc = BMatch(c.pattern, text.data(), text.data() + text.size(), &handle, msg);
            ExpectEq(rc, c.rc, "BMatch result");
            if (rc == 1 && handle) {
                ExpectEq(static_cast<long>(handle->startp[0] - text.data()), c.start,
                         "BMatch start");
                ExpectEq(static_cast<long>(handle->endp[0] - text.data()), c.end, "BMatch end");
            }
            BRegfree(handle);
        }
    }
}

void TestGroups()
{
    g_context = "groups";
    Outcome out = Run("m/(a)(x)?(b)/", "zab");
    ExpectConsistent(out);
    ExpectEq(out.rc, 1, "result");
    ExpectEq(out.nparens, 3, "nparens");
    if (out.spans.size() == 4) {
        const long expected[4][2] = {{1, 3}, {1, 2}, {-1, -1}, {2, 3}};
        for (int i = 0; i < 4; ++i) {
            const std::string which = "element " + std::to_string(i);
            ExpectEq(out.spans[i].start, expected[i][0], (which + " start").c_str());
            ExpectEq(out.spans[i].end, expected[i][1], (which + " end").c_str());
        }
    }

    g_context = "no groups";
    out = Run("m/ab/", "zab");
    ExpectEq(out.nparens, 0, "nparens");
    ExpectEq(out.spans.size(), std::size_t{1}, "elements");

    g_context = "non-capturing group";
    out = Run("m/(?:a)(b)/", "zab");
    ExpectEq(out.nparens, 1, "nparens");
    if (out.spans.size() == 2) {
        ExpectEq(out.spans[1].start, 2L, "group start");
        ExpectEq(out.spans[1].end, 3L, "group end");
    }

    g_context = "groups over Shift-JIS";
    out = Run("m/(" NICHI ")(.)/k", "a" NICHI HON);
    ExpectEq(out.nparens, 2, "nparens");
    if (out.spans.size() == 3) {
        ExpectEq(out.spans[1].start, 1L, "group 1 start");
        ExpectEq(out.spans[2].start, 3L, "group 2 start");
        ExpectEq(out.spans[2].end, 5L, "group 2 end");
    }
}

// ---- handles and arguments -------------------------------------------------------

void TestHandlesAndArguments()
{
    g_context = "BRegfree(NULL)";
    BRegfree(nullptr);
    Expect(true, "returns");

    char text[] = "abc";
    char *end = text + 3;
    char msg[BREGEXP_MSG_SIZE];

    g_context = "a bad pattern leaves no handle";
    BREGEXP *handle = nullptr;
    ExpectEq(BMatch("m/b/", text, end, &handle, msg), 1, "first result");
    Expect(handle != nullptr, "first call made a record");
    // The earlier record is released by the next call (the sanitizer build
    // would report a leak or a double free otherwise).
    ExpectEq(BMatch("m/(/", text, end, &handle, msg), BREGEXP_ERR_PATTERN, "bad pattern");
    Expect(handle == nullptr, "handle cleared");
    Expect(msg[0] != '\0', "message set");

    g_context = "record replaced by the next match";
    ExpectEq(BMatch("m/a/", text, end, &handle, msg), 1, "first");
    ExpectEq(BMatch("m/c/", text, end, &handle, msg), 1, "second");
    Expect(handle && handle->startp[0] == text + 2, "second record");
    ExpectEq(BMatch("m/z/", text, end, &handle, msg), 0, "no match");
    Expect(handle == nullptr, "no record after no match");

    g_context = "no handle wanted";
    ExpectEq(BMatch("m/b/", text, end, nullptr, msg), 1, "result");
    ExpectEq(BMatch("m/(/", text, end, nullptr, nullptr), BREGEXP_ERR_PATTERN, "no msg buffer");

    g_context = "bad arguments";
    handle = nullptr;
    ExpectEq(BMatch(nullptr, text, end, &handle, msg), BREGEXP_ERR_ARGUMENT, "null pattern");
    ExpectEq(BMatch("m/a/", nullptr, end, &handle, msg), BREGEXP_ERR_ARGUMENT, "null text");
    ExpectEq(BMatch("m/a/", end, text, &handle, msg), BREGEXP_ERR_ARGUMENT, "end before start");
    ExpectEq(BMatchEx("m/a/", text + 1, text, end, &handle, msg), BREGEXP_ERR_ARGUMENT,
             "search start before line start");
    ExpectEq(BMatchEx("m/a/", text, end + 1, end, &handle, msg), BREGEXP_ERR_ARGUMENT,
             "search start after end");
    Expect(handle == nullptr, "no record");
    Expect(msg[0] != '\0', "message set");
}

// ---- costly searches ---------------------------------------------------------------

// Patterns that would take practically forever must come back with an error.
// Nothing here is timed: each case only has to return.
void TestRunaways()
{
    const std::string run100k = std::string(100'000, 'a') + "!";
    std::string kanjiRun;
    for (int i = 0; i < 100'000; ++i)
        kanjiRun += NICHI;
    kanjiRun += "!";

    struct Case {
        const char *name;
        const char *pattern;
        const std::string &text;
        const char *msgPart;
    };
    const Case cases[] = {
        // exponential backtracking at one start position
        {"nested plus", "m/(a+)+$/", run100k, "too complex"},
        {"optional space in star", "m/(\\w+\\s?)*$/", run100k, "too complex"},
        {"nested plus on kanji", "m/(" NICHI "+)+$/k", kanjiRun, "too complex"},
        // cheap per start position, quadratic over the line
        {"capture per letter", "m/(\\w)+\\d/", run100k, "too complex"},
    };
    for (const Case &c : cases) {
        g_context = std::string("runaway ") + c.name;
        const Outcome out = Run(c.pattern, c.text);
        ExpectConsistent(out);
        ExpectEq(out.rc, BREGEXP_ERR_MATCH, "result");
        Expect(Contains(out.msg, c.msgPart), "message mentions " + std::string(c.msgPart) +
                                                 ": " + out.msg);
    }

    g_context = "after a runaway the same pattern still works on short text";
    const Outcome out = Run("m/(a+)+$/", "xaaa");
    ExpectEq(out.rc, 1, "result");
}

// Ordinary patterns on a megabyte-long line stay within the limits, and a
// match may reach far beyond where it starts.
void TestLongLines()
{
    std::string words;
    while (words.size() < 1'000'000)
        words += "the quick brown fox jumps over the lazy dog ";
    const long needleAt = static_cast<long>(words.size());
    words += "needle42";
    const long wordsEnd = static_cast<long>(words.size());

    // Shift-JIS text starting at an odd offset, so character starts are not
    // simply the even bytes.
    std::string kanji = "a";
    while (kanji.size() < 1'000'000)
        kanji += NICHI HON GO HYOU HANKAKU_A;
    const long kanjiEnd = static_cast<long>(kanji.size());
    const std::string kanjiTail = kanji + OWARI "\\";

    const std::string longMatch = std::string(300'000, 'a') + std::string(100'000, 'b') + "c";

    struct Case {
        const char *name;
        const char *pattern;
        const std::string &text;
        std::size_t from;
        int rc;
        long start, end;
    };
    const Case cases[] = {
        {"literal at the end", "m/needle\\d+/", words, 0, 1, needleAt, wordsEnd},
        {"letters then digits", "m/[a-z]+\\d+/", words, 0, 1, needleAt, wordsEnd},
        {"word, space, needle", "m/\\w+\\s+needle/", words, 0, 1, needleAt - 4, needleAt + 6},
        {"repeated word (none)", "m/(\\w+)\\s+\\1\\b/", words, 0, 0, -1, -1},
        {"ignore case", "m/NEEDLE/i", words, 0, 1, needleAt, needleAt + 6},
        {"whole line", "m/^(\\w+\\s?)*$/", words, 0, 1, 0, wordsEnd},
        {"capture every char", "m/^(.)*$/", words, 0, 1, 0, wordsEnd},
        {"no such date", "m/[0-9]{4}-[0-9]{2}/", words, 0, 0, -1, -1},
        {"from the middle", "m/needle/", words, 500'001, 1, needleAt, needleAt + 6},
        {"look-behind from the middle", "m/(?<=a)b/", longMatch, 300'000, 1, 300'000, 300'001},
        {"long match", "m/b+c/", longMatch, 0, 1, 300'000, 400'001},
        {"match starting late", "m/a{3}b/", longMatch, 0, 1, 299'997, 300'001},
        {"kanji at the end", "m/." OWARI "/k", kanjiTail, 0, 1, kanjiEnd - 1, kanjiEnd + 2},
        {"brace only as trail byte", "m/\\{/k", kanji, 0, 0, -1, -1},
        {"backslash only at the end", "m/\\\\/k", kanjiTail, 0, 1, kanjiEnd + 2, kanjiEnd + 3},
        {"trail 'I' ignores case", "m/i/ki", kanjiTail, 0, 0, -1, -1},
        {"kana before kanji", "m/" HANKAKU_A NICHI "/k", kanji, 0, 1, 9, 12},
        // from a character start in the middle; 語 then 表 ｱ 日 本
        {"dots stay on characters", "m/" GO "..../k", kanji, 900'001, 1, 900'005, 900'014},
    };
    for (const Case &c : cases) {
        g_context = std::string("long line: ") + c.name;
        const Outcome out = Run(c.pattern, c.text, c.from);
        ExpectConsistent(out);
        ExpectEq(out.rc, c.rc, ("result (" + out.msg + ")").c_str());
        if (out.rc == 1) {
            ExpectEq(out.spans[0].start, c.start, "match start");
            ExpectEq(out.spans[0].end, c.end, "match end");
        }
    }
}

// ---- threads ---------------------------------------------------------------------

// Several threads search at once with more patterns than the cache holds, so
// entries are evicted while other threads may still be using them.
void TestThreads()
{
    constexpr int kThreads = 4;
    constexpr int kPatterns = 24;
    constexpr int kRounds = 300;
    std::atomic<int> wrong{0};
    std::atomic<int> done{0};

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrong, &done] {
            std::string text = "zz" + std::string(30, 'a') + "b";
            std::string kanjiText = "z";
            for (int i = 0; i < 30; ++i)
                kanjiText += NICHI;
            kanjiText += "b";
            char msg[BREGEXP_MSG_SIZE];
            for (int round = 0; round < kRounds; ++round) {
                const int n = 1 + (round * (t + 1) + t) % kPatterns;
                const bool sjis = (round + t) % 2 == 1;
                std::string &subject = sjis ? kanjiText : text;
                const std::string pattern = sjis
                    ? "m/" NICHI "{" + std::to_string(n) + "}b/k"
                    : "m/a{" + std::to_string(n) + "}b/";
                BREGEXP *handle = nullptr;
                const int rc = BMatch(pattern.c_str(), subject.data(),
                                      subject.data() + subject.size(), &handle, msg);
                const long unit = sjis ? 2 : 1;
                const long expectedStart = static_cast<long>(subject.size()) - 1 - n * unit;
                if (rc != 1 || !handle || handle->startp[0] - subject.data() != expectedStart ||
                    handle->endp[0] - subject.data() != static_cast<long>(subject.size()))
                    ++wrong;
                BRegfree(handle);

                // An invalid pattern in between must not disturb anyone.
                if (round % 50 == 0) {
                    handle = nullptr;
                    if (BMatch("m/a(/", text.data(), text.data() + text.size(), &handle, msg) !=
                            BREGEXP_ERR_PATTERN ||
                        handle)
                        ++wrong;
                }
            }
            ++done;
        });
    }
    for (std::thread &thread : threads)
        thread.join();

    g_context = "threads";
    ExpectEq(done.load(), kThreads, "threads finished");
    ExpectEq(wrong.load(), 0, "wrong results");
}

} // namespace

int main()
{
    TestPatternStrings();
    TestCompileErrors();
    TestMessageTruncation();
    TestMatches();
    TestGroups();
    TestHandlesAndArguments();
    TestRunaways();
    TestLongLines();
    TestThreads();

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
