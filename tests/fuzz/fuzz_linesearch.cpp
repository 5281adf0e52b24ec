// Line splitting and the plain and ignore-case line search. The first byte
// holds the options, the second the length of the search text, which
// follows; the rest is the working text. Checks:
//  - the lines are those of a plain reading of the line-end rules;
//  - the whole-text search and the line-by-line search give the same hits,
//    and those are exactly the character starts where a straightforward
//    comparison finds the search text;
//  - every record lies inside its line, never starts on a second byte, and
//    its texts are the line's own bytes around the hit.

#include "FuzzSupport.h"
#include "LineCursor.h"
#include "LineSearcher.h"
#include "SjisText.h"

#include <vector>

namespace {

std::vector<QByteArrayView> ReferenceLines(QByteArrayView text)
{
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.sliced(start, i - start));
            i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.push_back(text.sliced(start));
    return lines;
}

struct THit
{
    qint64 Line;
    qint64 Column;
    friend bool operator==(const THit &, const THit &) = default;
};

std::vector<THit> ReferenceHits(const std::vector<QByteArrayView> &lines, QByteArrayView findText, bool noCase)
{
    const QByteArray pattern = noCase ? LowerCaseCp932(findText) : QByteArray(findText.data(), findText.size());
    std::vector<THit> hits;
    for (size_t k = 0; k < lines.size(); ++k) {
        const QByteArray haystack = noCase ? LowerCaseCp932(lines[k]) : QByteArray(lines[k].data(), lines[k].size());
        qsizetype i = 0;
        while (i < haystack.size()) {
            if (QByteArrayView(haystack).sliced(i).startsWith(pattern))
                hits.push_back({qint64(k), qint64(i) + 1});
            i += (IsLeadByte(static_cast<unsigned char>(haystack[i])) && i + 1 < haystack.size()) ? 2 : 1;
        }
    }
    return hits;
}

void CheckRecord(const TGrepResult &r, const std::vector<QByteArrayView> &lines, QByteArrayView findText, bool noCase)
{
    FUZZ_CHECK(r.Line >= 0 && size_t(r.Line) < lines.size());
    const QByteArrayView line = lines[size_t(r.Line)];
    const qsizetype at = qsizetype(r.Column) - 1;
    FUZZ_CHECK(at >= 0 && r.HitLength == findText.size() && at + r.HitLength <= line.size());
    FUZZ_CHECK(!IsTrailByteAt(line, at));
    FUZZ_CHECK(r.HitText() == line.sliced(at, r.HitLength));
    if (noCase)
        FUZZ_CHECK(LowerCaseCp932(r.HitText()) == LowerCaseCp932(findText));
    else
        FUZZ_CHECK(r.HitText() == findText);
    const qsizetype before = r.BeforeText.size();
    FUZZ_CHECK(before <= TLineSearcher::BeforeLimit && before <= at);
    FUZZ_CHECK(line.sliced(at - before, before) == r.BeforeText);
    FUZZ_CHECK(r.AtLineStart == (at - before == 0));
    const qsizetype after = r.TextFromHit.size();
    FUZZ_CHECK(after <= r.HitLength + TLineSearcher::AfterLimit + 1);
    FUZZ_CHECK(line.sliced(at, after) == r.TextFromHit);
    FUZZ_CHECK(r.AtLineEnd == (at + after == line.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TFuzzInput input(data, size);
    const bool noCase = input.Byte() & 1;
    const qsizetype findLength = input.Byte() % 16 + 1;
    QByteArrayView rest = input.Remaining();
    if (rest.size() < findLength)
        return 0;
    const QByteArray findText(rest.data(), findLength);
    const QByteArrayView text = rest.sliced(findLength);

    const std::vector<QByteArrayView> lines = ReferenceLines(text);
    std::vector<QByteArrayView> cursorLines;
    for (TLineCursor cursor(text); !cursor.AtEnd(); cursor.Next()) {
        FUZZ_CHECK(cursor.Index() == qint64(cursorLines.size()));
        cursorLines.push_back(cursor.Line());
    }
    FUZZ_CHECK(cursorLines == lines);

    std::vector<TGrepResult> whole, byLine;
    TLineSearcher wholeSearch(findText, noCase, nullptr, [&](TGrepResult &&r) { whole.push_back(std::move(r)); });
    wholeSearch.SearchText(text);
    TLineSearcher lineSearch(findText, noCase, nullptr, [&](TGrepResult &&r) { byLine.push_back(std::move(r)); });
    for (size_t k = 0; k < lines.size(); ++k)
        lineSearch.SearchLine(lines[k], qint32(k));

    const std::vector<THit> expected = ReferenceHits(lines, findText, noCase);
    auto positions = [](const std::vector<TGrepResult> &records) {
        std::vector<THit> hits;
        for (const TGrepResult &r : records)
            hits.push_back({qint64(r.Line), qint64(r.Column)});
        return hits;
    };
    // A search text that spans a line end can never be found in one line.
    const bool crossesLines = findText.contains('\r') || findText.contains('\n');
    FUZZ_CHECK(positions(byLine) == expected);
    FUZZ_CHECK(positions(whole) == (crossesLines ? std::vector<THit>() : expected));
    for (const TGrepResult &r : whole)
        CheckRecord(r, lines, findText, noCase);
    for (size_t i = 0; i < whole.size() && i < byLine.size(); ++i)
        FUZZ_CHECK(whole[i].BeforeText == byLine[i].BeforeText && whole[i].TextFromHit == byLine[i].TextFromHit
                   && whole[i].AtLineStart == byLine[i].AtLineStart && whole[i].AtLineEnd == byLine[i].AtLineEnd);
    return 0;
}
