#include "CliReporter.h"

#include "CodePage.h"
#include "HitJson.h"
#include "Cp932.h"

namespace {

// Control characters in a context would drive the terminal; they are shown
// in caret notation instead (a tab stays a tab).
void AppendVisible(QByteArray &out, const QByteArray &utf8)
{
    const char *p = utf8.constData();
    const qsizetype n = utf8.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            out.append(p + runStart, i - runStart);
            out += '^';
            out += char(c == 0x7F ? '?' : c + 0x40);
            runStart = i + 1;
        }
    }
    out.append(p + runStart, n - runStart);
}

} // namespace

TCliReporter::TCliReporter(std::vector<TGrepResult> &hitList, bool json, bool colour, FILE *out, FILE *err)
    : HitList(hitList), Json(json), Colour(colour), Out(out), Err(err)
{
}

TCliReporter::~TCliReporter()
{
    Flush();
}

QByteArray TCliReporter::FormatPlain(const TGrepResult &hit, bool colour)
{
    QByteArray line;
    line.reserve(256);
    if (colour)
        line += "\033[35m";
    AppendVisible(line, THitJson::FileNameUtf8(hit.FileName));
    if (colour)
        line += "\033[m\033[36m";
    line += ':' + QByteArray::number(hit.Line + 1) + ':' + QByteArray::number(hit.Column) + ':';
    if (colour)
        line += "\033[m";
    line += ' ';
    AppendVisible(line, TCp932::ToUtf8(hit.BeforeText));
    if (colour)
        line += "\033[01;31m";
    AppendVisible(line, TCp932::ToUtf8(hit.HitText()));
    if (colour)
        line += "\033[m";
    AppendVisible(line, TCp932::ToUtf8(hit.AfterText()));
    line += '\n';
    return line;
}

QByteArray TCliReporter::FormatJson(const TGrepResult &hit)
{
    return THitJson::Object(hit);
}

namespace {

void AppendJsonLines(QByteArray &out, const std::vector<TSourceLines::TLine> &lines)
{
    out += '[';
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out += ',';
        out += "{\"line\":" + QByteArray::number(lines[i].Index + 1) + ",\"text\":";
        THitJson::AppendString(out, TCp932::ToUtf8(lines[i].Text));
        out += '}';
    }
    out += ']';
}

} // namespace

QByteArray TCliReporter::FormatJson(const TGrepResult &hit, const std::vector<TSourceLines::TLine> &before,
                                    const std::vector<TSourceLines::TLine> &after)
{
    QByteArray line = FormatJson(hit);
    line.chop(2); // "}\n"
    line += ",\"context\":{\"before\":";
    AppendJsonLines(line, before);
    line += ",\"after\":";
    AppendJsonLines(line, after);
    line += "}}\n";
    return line;
}

QByteArray TCliReporter::FormatContextLine(const QString &path, const TSourceLines::TLine &line, bool colour)
{
    QByteArray out;
    if (colour)
        out += "\033[35m";
    AppendVisible(out, THitJson::FileNameUtf8(path));
    if (colour)
        out += "\033[m\033[36m";
    out += '-' + QByteArray::number(line.Index + 1) + '-';
    if (colour)
        out += "\033[m";
    AppendVisible(out, TCp932::ToUtf8(line.Text));
    out += '\n';
    return out;
}

void TCliReporter::ShowHitCount(qsizetype)
{
    for (const TGrepResult &hit : HitList) {
        Take(hit);
        if (Pending.size() >= 1 << 16)
            Flush();
    }
    Printed += qsizetype(HitList.size());
    // Printed hits need not stay in memory.
    HitList.clear();
}

void TCliReporter::Take(const TGrepResult &hit)
{
    const bool newFile = hit.FileName != CurrentFile || CurrentCount == 0;
    if (newFile) {
        EndFile();
        CurrentFile = hit.FileName;
        CurrentCount = 0;
    }
    ++CurrentCount;
    if (FilesOnly) {
        if (newFile) {
            AppendVisible(Pending, THitJson::FileNameUtf8(hit.FileName));
            Pending += '\n';
        }
    } else if (CountOnly) {
        // printed when the file ends
    } else if (ContextWanted()) {
        if (newFile) {
            SourceOpen = Source.Open(hit.FileName, hit.CodeId);
            PrintedUpTo = GroupEnd = -1;
        }
        TakeWithContext(hit);
    } else {
        Pending += Json ? FormatJson(hit) : FormatPlain(hit, Colour);
    }
}

void TCliReporter::TakeWithContext(const TGrepResult &hit)
{
    const qint64 line = hit.Line;
    const qint64 before = qMax(Before, 0);
    const qint64 after = qMax(After, 0);
    if (Json) {
        // Each object carries its own lines; a file that cannot be read
        // again gives empty lists.
        const auto linesBefore = SourceOpen ? Source.Lines(line - before, line - 1) : std::vector<TSourceLines::TLine>();
        const auto linesAfter = SourceOpen ? Source.Lines(line + 1, line + after) : std::vector<TSourceLines::TLine>();
        Pending += FormatJson(hit, linesBefore, linesAfter);
        return;
    }
    if (line > PrintedUpTo) {
        const qint64 first = qMax<qint64>(line - before, 0);
        if (GroupEnd >= 0 && first <= GroupEnd + 1) {
            // Overlapping or touching groups run on as one.
            PrintContext(PrintedUpTo + 1, line - 1);
        } else {
            if (GroupEnd >= 0)
                PrintContext(PrintedUpTo + 1, GroupEnd);
            if (GroupPrinted)
                Pending += Colour ? "\033[36m--\033[m\n" : "--\n";
            PrintContext(first, line - 1);
        }
        PrintedUpTo = line;
    }
    GroupPrinted = true;
    GroupEnd = qMax(GroupEnd, line + after);
    Pending += FormatPlain(hit, Colour);
}

void TCliReporter::PrintContext(qint64 first, qint64 last)
{
    if (!SourceOpen || last < first)
        return;
    for (const TSourceLines::TLine &l : Source.Lines(first, last)) {
        Pending += FormatContextLine(CurrentFile, l, Colour);
        PrintedUpTo = l.Index;
    }
}

void TCliReporter::EndFile()
{
    if (CurrentCount == 0)
        return;
    if (CountOnly && !FilesOnly) {
        AppendVisible(Pending, THitJson::FileNameUtf8(CurrentFile));
        Pending += ':' + QByteArray::number(CurrentCount) + '\n';
    } else if (ContextWanted() && !Json && GroupEnd > PrintedUpTo) {
        PrintContext(PrintedUpTo + 1, GroupEnd);
    }
    GroupEnd = PrintedUpTo = -1;
    CurrentCount = 0;
}

void TCliReporter::Flush()
{
    if (!Pending.isEmpty()) {
        fwrite(Pending.constData(), 1, size_t(Pending.size()), Out);
        Pending.clear();
    }
    fflush(Out);
}

void TCliReporter::UpdateStatus(const QString &targets, const QString &hits, const QString &state)
{
    LastStatus[0] = targets;
    LastStatus[1] = hits;
    LastStatus[2] = state;
    Flush();
}

void TCliReporter::SearchDone()
{
    EndFile();
    Flush();
    const QString line = LastStatus[0] + QStringLiteral("  ") + LastStatus[1] + QStringLiteral("  ")
                         + LastStatus[2] + u'\n';
    fputs(line.toUtf8().constData(), Err);
    fflush(Err);
}

void TCliReporter::FileNotRead(const QString &path, const QString &reason)
{
    ++Unread;
    Flush();
    QByteArray line = "kestu-grep: ";
    AppendVisible(line, path.toUtf8());
    line += ": " + reason.toUtf8() + '\n';
    fputs(line.constData(), Err);
    fflush(Err);
}

void TCliReporter::ShowMessage(const QString &text, bool)
{
    ++Messages;
    Flush();
    fputs(("kestu-grep: " + text + u'\n').toUtf8().constData(), Err);
    fflush(Err);
}
