#pragma once
// Prints a search's hits to standard output as they arrive, and its final
// status and messages to standard error.

#include "GrepReporter.h"
#include "GrepResult.h"
#include "SourceLines.h"

#include <QByteArray>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

class TIconvConverter;

// How paths are written: as their own bytes (for a program reading them;
// otherwise as shown on a terminal), and each wrapped in a terminal
// hyperlink (OSC 8) to its file, the line number inside the link.
struct TCliPathForm
{
    bool Bytes = false;
    bool Link = false;
};

class TCliReporter : public TGrepReporter
{
public:
    using TPathForm = TCliPathForm;

    TCliReporter(std::vector<TGrepResult> &hitList, bool json, bool colour, FILE *out, FILE *err);
    ~TCliReporter() override;

    void UpdateStatus(const QString &targets, const QString &hits, const QString &state) override;
    void ShowHitCount(qsizetype count) override;
    void SearchDone() override;
    void ShowMessage(const QString &text, bool warning) override;
    // "kestu-grep: PATH: reason" on standard error, as grep names them.
    void FileNotRead(const QString &path, const QString &reason) override;

    // Lines around the hits (-1 each: none asked for), or one line per file
    // with its count, or only the paths of files with hits.
    void SetContext(int before, int after) { Before = before; After = after; }
    void SetCount(bool count) { CountOnly = count; }
    void SetFilesOnly(bool filesOnly) { FilesOnly = filesOnly; }
    // grep's habits: hits beside an ASCII word character dropped (-w), the
    // hit's text only (-o), at most maxCount hits a file (-1: all), no path
    // (--no-filename), a NUL after each path of -l/--count (--null), no line
    // for a file that cannot be read (-s).
    void SetWordsOnly(bool on) { WordsOnly = on; }
    void SetOnlyMatching(bool on) { OnlyMatching = on; }
    void SetMaxCount(int maxCount) { MaxCount = maxCount; }
    void SetNoFileName(bool on) { NoFileName = on; }
    void SetNullAfterPath(bool on) { NullAfterPath = on; }
    void SetNoMessages(bool on) { NoMessages = on; }
    // -q: nothing is printed, and firstHit is called at the first hit taken.
    void SetQuiet(std::function<void()> firstHit) { Quiet = true; FirstHit = std::move(firstHit); }
    void SetPathForm(TPathForm form) { Form = form; }
    // Output written in another code than UTF-8 (an iconv name: "CP932",
    // "EUC-JP"); characters it cannot hold become "?". JSON stays UTF-8.
    // False when the system cannot convert into it.
    bool SetOutputEncoding(const char *code);

    // Several targets: the status line of each search is held back, and
    // PrintStatus prints one for them all at the end.
    void SetStatusDeferred(bool on) { StatusDeferred = on; }
    void PrintStatus(const QString &targets, const QString &hits, const QString &state);
    const QString &LastState() const { return LastStatus[2]; }
    // Hits in spoolPath are named as standard input.
    void SetStandardInput(const QString &spoolPath) { StdinSpool = spoolPath; }
    static QString StandardInputName() { return QStringLiteral("(standard input)"); }

    // Whether a hit stands clear of ASCII letters, digits and _ on both
    // sides (Japanese characters are no word characters).
    static bool StandsAsWord(const TGrepResult &hit);

    qsizetype HitsPrinted() const { return Printed; }
    bool MessageShown() const { return Messages > 0; }
    bool FileUnread() const { return Unread > 0; }
    // The system's error number of the first failed write of the hits
    // (a full disk, a closed pipe), 0 while every write succeeded.
    int OutputError() const { return OutError; }

    // One hit in the two output forms (exposed for the tests).
    static QByteArray FormatPlain(const TGrepResult &hit, bool colour);
    static void AppendPlain(QByteArray &out, const TGrepResult &hit, bool colour, bool withName = true,
                            bool hitOnly = false, TPathForm form = {});
    static QByteArray FormatJson(const TGrepResult &hit);
    // With -A/-B/-C: the JSON object gains "context" with the lines before
    // and after the hit's line.
    static QByteArray FormatJson(const TGrepResult &hit, const std::vector<TSourceLines::TLine> &before,
                                 const std::vector<TSourceLines::TLine> &after);
    static QByteArray FormatContextLine(const QString &path, const TSourceLines::TLine &line, bool colour,
                                        TPathForm form = {});
    // The file:// address a hyperlink of path leads to, the machine named;
    // empty for standard input.
    static QByteArray LinkAddress(const QString &path);

private:
    void Flush();
    // A path of --files-with-matches or --count.
    void AppendPath(const QString &path);
    // Whether the hit is printed or counted (not dropped by -w or -m).
    bool Take(const TGrepResult &hit);
    void TakeWithContext(const TGrepResult &hit);
    void PrintContext(qint64 first, qint64 last);
    // Ends the current file: its count, or the rest of its last group.
    void EndFile();
    bool ContextWanted() const { return Before >= 0 || After >= 0; }

    std::vector<TGrepResult> &HitList;
    bool Json;
    bool Colour;
    FILE *Out;
    FILE *Err;
    QByteArray Pending;
    qsizetype Printed = 0;
    int Messages = 0;
    qsizetype Unread = 0;
    int OutError = 0;
    QString LastStatus[3];

    int Before = -1;
    int After = -1;
    bool CountOnly = false;
    bool FilesOnly = false;
    bool WordsOnly = false;
    bool OnlyMatching = false;
    int MaxCount = -1;
    bool NoFileName = false;
    bool NullAfterPath = false;
    bool NoMessages = false;
    bool Quiet = false;
    bool StatusDeferred = false;
    TPathForm Form;
    std::unique_ptr<TIconvConverter> Encoder;
    std::function<void()> FirstHit;
    QString StdinSpool;
    QString CurrentFile;          // the file of the last hit taken
    qsizetype CurrentCount = 0;   // its hits so far
    TSourceLines Source;          // its lines, for context
    bool SourceOpen = false;
    qint64 PrintedUpTo = -1;      // last line of the file printed in the group
    qint64 GroupEnd = -1;         // last line the open group still owes
    bool GroupPrinted = false;    // a group has been printed (for "--")
};
