#include "RequiredLiteral.h"

#include "SjisText.h"

#include <cstring>

namespace {

bool IsAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Escapes that stand for a class or a position and take no argument.
bool IsPlainEscapeClass(unsigned char c)
{
    return c && strchr("dDwWsSbBAzZGhHRNXK", c) != nullptr;
}

// A double-byte character and an escape with the character after it are
// stepped over whole: neither ever opens or closes a class or a group.
// Returns the length to step over, 0 for any other byte.
qsizetype OpaqueLength(QByteArrayView p, qsizetype i)
{
    const auto c = static_cast<unsigned char>(p[i]);
    if ((IsLeadByte(c) && i + 1 < p.size()) || c == '\\')
        return 2;
    return 0;
}

// Whether "(?" followed by this byte is a group that does not change how
// the rest of the pattern is read (unlike inline options such as "(?i)").
bool IsPlainGroupKind(char kind)
{
    return kind == ':' || kind == '=' || kind == '!' || kind == '<' || kind == '>' || kind == '#';
}

// Skips a bracketed class starting at p[i] == '['; returns the index after
// its closing ']' or -1 when it does not close.
qsizetype SkipClass(QByteArrayView p, qsizetype i)
{
    int depth = 0;
    const qsizetype n = p.size();
    while (i < n) {
        if (const qsizetype skip = OpaqueLength(p, i)) {
            i += skip;
            continue;
        }
        const auto c = static_cast<unsigned char>(p[i]);
        if (c == '[') {
            ++depth;
            ++i;
            // A ']' right after '[' or '[^' is a literal member.
            if (i < n && p[i] == '^')
                ++i;
            if (i < n && p[i] == ']')
                ++i;
            continue;
        }
        if (c == ']') {
            if (--depth == 0)
                return i + 1;
        }
        ++i;
    }
    return -1;
}

// Skips a group starting at p[i] == '('; returns the index after its ')'
// or -1 when it does not close or sets inline options.
qsizetype SkipGroup(QByteArrayView p, qsizetype i)
{
    const qsizetype n = p.size();
    int depth = 0;
    while (i < n) {
        if (const qsizetype skip = OpaqueLength(p, i)) {
            i += skip;
            continue;
        }
        const auto c = static_cast<unsigned char>(p[i]);
        if (c == '[') {
            i = SkipClass(p, i);
            if (i < 0)
                return -1;
            continue;
        }
        if (c == '(') {
            if (i + 2 < n && p[i + 1] == '?' && !IsPlainGroupKind(p[i + 2]))
                return -1;
            ++depth;
        } else if (c == ')') {
            if (--depth == 0)
                return i + 1;
        }
        ++i;
    }
    return -1;
}

} // namespace

QByteArray TRequiredLiteral::Find(QByteArrayView p, bool noCase)
{
    QByteArray best;
    QByteArray run;
    qsizetype lastCharLength = 0; // bytes of the last literal character in run
    auto endRun = [&] {
        while (run.endsWith(' '))
            run.chop(1);
        if (run.size() > best.size())
            best = run;
        run.clear();
        lastCharLength = 0;
    };
    const qsizetype n = p.size();
    qsizetype i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (IsLeadByte(c) && i + 1 < n) {
            run.append(p.sliced(i, 2));
            lastCharLength = 2;
            i += 2;
            continue;
        }
        switch (c) {
        case '\\': {
            if (i + 1 >= n)
                return {};
            const auto d = static_cast<unsigned char>(p[i + 1]);
            if (d < 0x80 && !IsAsciiAlnum(d)) {
                run.append(char(d)); // an escaped punctuation mark is itself
                lastCharLength = 1;
                i += 2;
            } else if (IsPlainEscapeClass(d)) {
                endRun();
                i += 2;
            } else {
                return {}; // \x41, \p{...}, \k<...>, \Q...\E, back references
            }
            break;
        }
        case '[':
            endRun();
            i = SkipClass(p, i);
            if (i < 0)
                return {};
            break;
        case '(':
            endRun();
            i = SkipGroup(p, i);
            if (i < 0)
                return {};
            break;
        case '*':
        case '+':
        case '?':
        case '{':
            // The quantified character may be absent or repeated: it leaves
            // the run, and the run ends before it.
            run.chop(lastCharLength);
            endRun();
            ++i;
            if (c == '{') {
                while (i < n && p[i] != '}')
                    ++i;
                ++i;
            }
            break;
        case '.':
        case '^':
        case '$':
            endRun();
            ++i;
            break;
        case '|':
        case ')':
            return {}; // alternatives at the top, or a stray parenthesis
        default:
            run.append(char(c));
            lastCharLength = 1;
            ++i;
            break;
        }
    }
    endRun();
    if (noCase) {
        for (char ch : best)
            if (static_cast<unsigned char>(ch) >= 0x80)
                return {};
        return best.toLower();
    }
    return best;
}
