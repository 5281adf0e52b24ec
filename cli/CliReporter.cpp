#include "CliReporter.h"

#include <cerrno>

#include "CodePage.h"
#include "HitJson.h"
#include "Cp932.h"
#include "IconvConverter.h"
#include "NativePath.h"
#include "PathText.h"

#include <QDir>
#include <QUrl>
#include <QSysInfo>
#include <charconv>
#include <cstring>

namespace {

// Control characters in a context or a name would drive the terminal; they
// are shown in caret notation instead (a tab stays a tab): C0 controls and
// DEL as ^[ and ^?, C1 controls as M-^[ (the form of cat -v). Marks that
// reorder the text around them (bidi embeddings, overrides and isolates)
// would make a name read as another; they are shown as <U+202E>.
qsizetype BidiControlLength(const unsigned char *p, qsizetype left)
{
    if (left >= 2 && p[0] == 0xD8 && p[1] == 0x9C)
        return 2; // U+061C
    if (left < 3 || p[0] != 0xE2)
        return 0;
    if (p[1] == 0x80 && (p[2] == 0x8E || p[2] == 0x8F || (p[2] >= 0xAA && p[2] <= 0xAE)))
        return 3; // U+200E, U+200F, U+202A..U+202E
    if (p[1] == 0x81 && p[2] >= 0xA6 && p[2] <= 0xA9)
        return 3; // U+2066..U+2069
    return 0;
}

void AppendVisible(QByteArray &out, QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.constData());
    const qsizetype n = utf8.size();
    qsizetype runStart = 0;
    auto flush = [&](qsizetype upTo) { out.append(reinterpret_cast<const char *>(p) + runStart, upTo - runStart); };
    for (qsizetype i = 0; i < n; ++i) {
        // Sixteen bytes at a time past those that cannot start anything
        // shown otherwise: nearly all of a context.
        while (i + 16 <= n) {
            using TBytes16 = unsigned char __attribute__((vector_size(16)));
            TBytes16 v;
            memcpy(&v, p + i, sizeof v);
            const auto special = ((v < 0x20) & (v != '\t')) | (v == 0x7F) | (v == 0xC2) | (v == 0xD8) | (v == 0xE2);
            quint64 halves[2];
            memcpy(halves, &special, sizeof halves);
            if (halves[0] | halves[1])
                break;
            i += 16;
        }
        if (i >= n)
            break;
        const unsigned char c = p[i];
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            flush(i);
            out += '^';
            out += char(c == 0x7F ? '?' : c + 0x40);
            runStart = i + 1;
        } else if (c == 0xC2 && i + 1 < n && p[i + 1] >= 0x80 && p[i + 1] <= 0x9F) {
            flush(i);
            out += "M-^";
            out += char(p[i + 1] - 0x80 + 0x40);
            runStart = i + 2;
            ++i;
        } else if (const qsizetype bidi = (c == 0xD8 || c == 0xE2) ? BidiControlLength(p + i, n - i) : 0) {
            flush(i);
            const uint code = bidi == 2 ? 0x061C : ((uint(p[i] & 0x0F) << 12) | (uint(p[i + 1] & 0x3F) << 6) | uint(p[i + 2] & 0x3F));
            out += "<U+" + QByteArray::number(code, 16).toUpper().rightJustified(4, '0') + '>';
            runStart = i + bidi;
            i += bidi - 1;
        }
    }
    flush(n);
}

// CP932 working text, shown as AppendVisible shows it; ASCII needs no
// conversion (nor a copy).
void AppendVisibleCp932(QByteArray &out, QByteArrayView cp932)
{
    for (const char c : cp932) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            AppendVisible(out, TCp932::ToUtf8(cp932));
            return;
        }
    }
    AppendVisible(out, cp932);
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

bool TCliReporter::SetOutputEncoding(const char *code)
{
    Encoder = std::make_unique<TIconvConverter>(code, "UTF-8", "?");
    // One "?" for a whole character, not one for each of its bytes.
    Encoder->SetSkipRule([](const unsigned char *p, qsizetype n) -> qsizetype {
        const unsigned char c = p[0];
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        qsizetype i = 1;
        while (i < length && i < n && (p[i] & 0xC0) == 0x80)
            ++i;
        return i;
    });
    if (!Encoder->IsOpen()) {
        Encoder.reset();
        return false;
    }
    return true;
}

namespace {

void AppendNumber(QByteArray &out, qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

// The shown form of a hit's file name: the same for all the hits of a file,
// which come one after another.
const QByteArray &VisibleFileName(const QString &name)
{
    thread_local QString lastName;
    thread_local QByteArray lastVisible;
    if (!name.isSharedWith(lastName) && name != lastName) {
        lastName = name;
        lastVisible.clear();
        AppendVisible(lastVisible, THitJson::FileNameUtf8(name));
    }
    return lastVisible;
}

bool IsStandardInput(const QString &name)
{
    return name == TCliReporter::StandardInputName();
}

// A hit's file name as its own bytes, kept for the hits after it likewise.
const QByteArray &FileNameBytes(const QString &name)
{
    thread_local QString lastName;
    thread_local QByteArray lastBytes;
    if (!name.isSharedWith(lastName) && name != lastName) {
        lastName = name;
        lastBytes = TNativePath::Encode(name);
    }
    return lastBytes;
}

void AppendPathText(QByteArray &out, const QString &name, bool bytes)
{
    if (bytes && !IsStandardInput(name))
        out += FileNameBytes(name);
    else
        out += VisibleFileName(name);
}

// The opening of a hyperlink to the file, or nothing.
bool OpenLink(QByteArray &out, const QString &name, TCliReporter::TPathForm form)
{
    if (!form.Link)
        return false;
    const QByteArray address = TCliReporter::LinkAddress(name);
    if (address.isEmpty())
        return false;
    out += "\033]8;;" + address + "\033\\";
    return true;
}

void CloseLink(QByteArray &out)
{
    out += "\033]8;;\033\\";
}

} // namespace

QByteArray TCliReporter::LinkAddress(const QString &path)
{
    if (IsStandardInput(path))
        return {};
    thread_local QString lastPath;
    thread_local QByteArray lastAddress;
    if (path != lastPath) {
        lastPath = path;
        static const QByteArray host = QUrl::toPercentEncoding(QSysInfo::machineHostName(), "-.");
        // "file://" + host + "/abs/path"
        lastAddress = TNativePath::FileUri(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
        lastAddress.insert(7, host);
    }
    return lastAddress;
}

QByteArray TCliReporter::FormatPlain(const TGrepResult &hit, bool colour)
{
    QByteArray line;
    AppendPlain(line, hit, colour);
    return line;
}

void TCliReporter::AppendPlain(QByteArray &line, const TGrepResult &hit, bool colour, bool withName, bool hitOnly,
                               TPathForm form)
{
    bool linked = false;
    if (withName) {
        linked = OpenLink(line, hit.FileName, form);
        if (colour)
            line += "\033[35m";
        AppendPathText(line, hit.FileName, form.Bytes);
        if (colour)
            line += "\033[m\033[36m";
        line += ':';
    } else if (colour) {
        line += "\033[36m";
    }
    AppendNumber(line, hit.Line + 1);
    if (linked)
        CloseLink(line);
    line += ':';
    AppendNumber(line, hit.Column);
    line += ':';
    if (colour)
        line += "\033[m";
    line += ' ';
    const QByteArrayView fromHit = hit.TextFromHit;
    const qsizetype hitLength = qBound<qsizetype>(0, hit.HitLength, fromHit.size());
    if (!hitOnly)
        AppendVisibleCp932(line, hit.BeforeText);
    if (colour)
        line += "\033[01;31m";
    AppendVisibleCp932(line, fromHit.first(hitLength));
    if (colour)
        line += "\033[m";
    if (!hitOnly)
        AppendVisibleCp932(line, fromHit.sliced(hitLength));
    line += '\n';
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

QByteArray TCliReporter::FormatContextLine(const QString &path, const TSourceLines::TLine &line, bool colour,
                                           TPathForm form)
{
    QByteArray out;
    const bool linked = OpenLink(out, path, form);
    if (colour)
        out += "\033[35m";
    AppendPathText(out, path, form.Bytes);
    if (colour)
        out += "\033[m\033[36m";
    out += '-' + QByteArray::number(line.Index + 1);
    if (linked)
        CloseLink(out);
    out += '-';
    if (colour)
        out += "\033[m";
    AppendVisibleCp932(out, line.Text);
    out += '\n';
    return out;
}

bool TCliReporter::StandsAsWord(const TGrepResult &hit)
{
    const auto isWord = [](unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    const auto isLead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    // The character before the hit: the text before it is walked from its
    // start, as the second byte of a double-byte character may be a letter.
    const QByteArray &before = hit.BeforeText;
    qsizetype last = -1;
    for (qsizetype i = 0; i < before.size(); ++i) {
        last = i;
        if (isLead(static_cast<unsigned char>(before[i])) && i + 1 < before.size())
            ++i;
    }
    if (last == before.size() - 1 && last >= 0 && isWord(static_cast<unsigned char>(before[last])))
        return false;
    const qsizetype end = qBound<qsizetype>(0, hit.HitLength, hit.TextFromHit.size());
    return end >= hit.TextFromHit.size() || !isWord(static_cast<unsigned char>(hit.TextFromHit[end]));
}

void TCliReporter::ShowHitCount(qsizetype)
{
    for (TGrepResult &hit : HitList) {
        if (!StdinSpool.isEmpty() && hit.FileName == StdinSpool)
            hit.FileName = StandardInputName();
        if (Take(hit))
            ++Printed;
        if (Quiet && Printed > 0)
            break;
        if (Pending.size() >= 1 << 16)
            Flush();
    }
    // Printed hits need not stay in memory.
    HitList.clear();
    if (Quiet && Printed > 0 && FirstHit) {
        FirstHit();
        FirstHit = nullptr;
    }
}

bool TCliReporter::Take(const TGrepResult &hit)
{
    const bool newFile = hit.FileName != CurrentFile || CurrentCount == 0;
    if (newFile) {
        EndFile();
        CurrentFile = hit.FileName;
        CurrentCount = 0;
    }
    if (WordsOnly && !StandsAsWord(hit))
        return false;
    if (MaxCount >= 0 && CurrentCount >= MaxCount)
        return false;
    ++CurrentCount;
    if (Quiet)
        return true;
    if (FilesOnly) {
        if (CurrentCount == 1) {
            AppendPath(hit.FileName);
            Pending += NullAfterPath ? '\0' : '\n';
        }
    } else if (CountOnly) {
        // printed when the file ends
    } else if (ContextWanted()) {
        if (CurrentCount == 1) {
            SourceOpen = Source.Open(hit.FileName == StandardInputName() && !StdinSpool.isEmpty() ? StdinSpool : hit.FileName, hit.CodeId);
            PrintedUpTo = GroupEnd = -1;
        }
        TakeWithContext(hit);
    } else if (Json) {
        Pending += FormatJson(hit);
    } else {
        AppendPlain(Pending, hit, Colour, !NoFileName, OnlyMatching, Form);
    }
    return true;
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
    AppendPlain(Pending, hit, Colour, !NoFileName, OnlyMatching, Form);
}

void TCliReporter::PrintContext(qint64 first, qint64 last)
{
    if (!SourceOpen || last < first)
        return;
    for (const TSourceLines::TLine &l : Source.Lines(first, last)) {
        Pending += FormatContextLine(CurrentFile, l, Colour, Form);
        PrintedUpTo = l.Index;
    }
}

void TCliReporter::EndFile()
{
    if (CurrentCount == 0)
        return;
    if (CountOnly && !FilesOnly) {
        AppendPath(CurrentFile);
        Pending += (NullAfterPath ? '\0' : ':') + QByteArray::number(CurrentCount) + '\n';
    } else if (ContextWanted() && !Json && GroupEnd > PrintedUpTo) {
        PrintContext(PrintedUpTo + 1, GroupEnd);
    }
    GroupEnd = PrintedUpTo = -1;
    CurrentCount = 0;
}

void TCliReporter::AppendPath(const QString &path)
{
    // With --null the names go to a program that splits them at the NULs:
    // each one as its own bytes, blanks, newlines and all.
    const bool linked = OpenLink(Pending, path, Form);
    AppendPathText(Pending, path, Form.Bytes || (NullAfterPath && !Encoder));
    if (linked)
        CloseLink(Pending);
}

void TCliReporter::Flush()
{
    if (Encoder && !Json && !Pending.isEmpty()) {
        QByteArray converted;
        Encoder->Convert(Pending, converted);
        Pending.swap(converted);
    }
    if (!Pending.isEmpty()) {
        if (fwrite(Pending.constData(), 1, size_t(Pending.size()), Out) != size_t(Pending.size()) && !OutError)
            OutError = errno ? errno : EIO;
        Pending.clear();
    }
    if (fflush(Out) != 0 && !OutError)
        OutError = errno ? errno : EIO;
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
    if (!StatusDeferred)
        PrintStatus(LastStatus[0], LastStatus[1], LastStatus[2]);
}

void TCliReporter::PrintStatus(const QString &targets, const QString &hits, const QString &state)
{
    if (Quiet)
        return;
    const QString line = targets + QStringLiteral("  ") + hits + QStringLiteral("  ") + state + u'\n';
    fputs(line.toUtf8().constData(), Err);
    fflush(Err);
}

void TCliReporter::FileNotRead(const QString &path, const QString &reason)
{
    ++Unread;
    if (NoMessages)
        return;
    Flush();
    QByteArray line = "kestu-grep: ";
    AppendVisible(line, ShownPath(path).toUtf8());
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
