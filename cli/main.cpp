// kestu-grep: the search engine of kestu on the command line.

#include "CliOptions.h"
#include "CliReporter.h"
#include "Cp932.h"
#include "GrepThread.h"
#include "NativePath.h"
#include "FileKind.h"
#include "GrepReporter.h"
#include "Terminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

int Fail(const QString &text)
{
    fputs((text + u'\n').toUtf8().constData(), stderr);
    return 2;
}

// The bytes of an argument that is not UTF-8 but well-formed Shift-JIS
// (CP932); empty for any other argument.
QByteArray ShiftJisArgument(const QString &argument)
{
    if (!TNativePath::HasRawBytes(argument))
        return {};
    const QByteArray bytes = TNativePath::Encode(argument);
    if (TCp932::ToQString(bytes).contains(QChar::ReplacementCharacter))
        return {};
    return bytes;
}

// The search over the copy of standard input: that one file, whatever its
// name; a stream has no size or time of its own to filter by.
TSearchOptions OverSpool(TSearchOptions search, const QString &spoolPath)
{
    search.TargetPath = spoolPath;
    search.Recursive = false;
    search.FilterList = QStringLiteral("*");
    search.Limits = {};
    return search;
}

// A search that only asks whether there is a hit (-q on standard input).
class TSilentReporter : public TGrepReporter
{
public:
    void UpdateStatus(const QString &, const QString &, const QString &) override {}
    void ShowHitCount(qsizetype) override {}
    void SearchDone() override {}
    void ShowMessage(const QString &, bool) override {}
};

// Standard input copied to a temporary file as it arrives, a piece at a
// time, so that it is searched like any file (its code detected from its
// bytes). Null when the copy cannot be made.
// With probe (-q), what has come so far is searched whenever the input
// pauses and each time it has doubled: a hit settles the answer (found is
// set and the copy ends there) on a stream that never ends, too.
std::unique_ptr<QTemporaryFile> SpoolStandardInput(QString &error,
                                                   const std::function<bool(const QString &)> &probe = {},
                                                   bool *found = nullptr)
{
    auto spool = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/kestu-grep-stdin-XXXXXX"));
    if (!spool->open()) {
        error = spool->errorString();
        return nullptr;
    }
    char piece[1 << 16];
    qint64 copied = 0, probed = 0, nextProbe = qint64(1) << 20;
    auto tryProbe = [&] {
        if (!probe || copied == probed || !spool->flush())
            return false;
        probed = copied;
        return probe(spool->fileName());
    };
    for (;;) {
        if (probe) {
            // Nothing more within a tenth of a second: what came may hold the hit.
            pollfd ready{STDIN_FILENO, POLLIN, 0};
            if (::poll(&ready, 1, 100) == 0 && tryProbe()) {
                *found = true;
                return spool;
            }
        }
        const ssize_t n = ::read(STDIN_FILENO, piece, sizeof piece);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = QString::fromLocal8Bit(strerror(errno));
            return nullptr;
        }
        if (spool->write(piece, n) != n) {
            error = spool->errorString();
            return nullptr;
        }
        copied += n;
        if (probe && copied >= nextProbe) {
            nextProbe = copied * 2;
            if (tryProbe()) {
                *found = true;
                return spool;
            }
        }
    }
    if (!spool->flush()) {
        error = spool->errorString();
        return nullptr;
    }
    return spool;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestu-grep"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTU_VERSION));

    // The arguments as the system gave them: a path that is not UTF-8
    // keeps its bytes (QCoreApplication::arguments() would replace them).
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << TNativePath::Decode(argv[i]);
    TCliOptions options;
    QString error;
    if (!options.Parse(arguments, error))
        return Fail(QStringLiteral("kestu-grep: ") + error + u'\n' + TCliOptions::Usage());
    if (options.Help) {
        fputs(TCliOptions::HelpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (options.Version) {
        fputs("kestu-grep " KESTU_VERSION "\n", stdout);
        return 0;
    }
    // A search text that is not UTF-8 comes from a Shift-JIS terminal or
    // script: when its bytes are Shift-JIS, they are searched for as they
    // are. Anything else is refused by the check below.
    const QByteArray sjisText = ShiftJisArgument(options.Search.FindText);
    if (!sjisText.isEmpty())
        options.Search.FindText = TCp932::ToQString(sjisText);

    // With no target, standard input is searched, unless it is a terminal
    // (nobody meant to type the text to search).
    QStringList targets = options.Targets;
    if (targets.isEmpty()) {
        if (TTerminal::IsTerminal(stdin))
            return Fail(QStringLiteral("kestu-grep: TARGET is needed when standard input is a terminal\n") + TCliOptions::Usage());
        targets << QStringLiteral("-");
    }
    // Every check that needs no file comes before the first file is read.
    QByteArray findText;
    if (const QString refusal = options.Search.CheckText(findText); !refusal.isEmpty())
        return Fail(refusal);
    if (!sjisText.isEmpty())
        findText = sjisText; // the bytes themselves, also where two codes stand for one character

    std::vector<TGrepResult> hits;
    const bool outputIsTerminal = TTerminal::IsTerminal(stdout);
    TCliReporter reporter(hits, options.Json, options.ColourWanted(outputIsTerminal, !qEnvironmentVariableIsEmpty("NO_COLOR")), stdout, stderr);
    if (!options.OutputCode.isEmpty() && !reporter.SetOutputEncoding(options.OutputCode.constData()))
        return Fail(QStringLiteral("kestu-grep: この文字コードには変換できません / cannot write in this code: ") + QString::fromLatin1(options.OutputCode));
    // A program reading the output gets each path as its bytes, which open
    // the very file; a terminal shows it as it reads (in the code asked for).
    TCliReporter::TPathForm pathForm;
    pathForm.Bytes = !outputIsTerminal && options.OutputCode.isEmpty();
    pathForm.Link = options.HyperlinksWanted(outputIsTerminal);
    reporter.SetPathForm(pathForm);
    if (options.ContextWanted())
        reporter.SetContext(options.LinesBefore(), options.LinesAfter());
    reporter.SetCount(options.Count);
    reporter.SetFilesOnly(options.FilesWithMatches);
    reporter.SetWordsOnly(options.WordRegexp);
    reporter.SetOnlyMatching(options.OnlyMatching);
    reporter.SetMaxCount(options.MaxCount);
    reporter.SetNoFileName(options.NoFileName);
    reporter.SetNullAfterPath(options.NullAfterPath);
    reporter.SetNoMessages(options.NoMessages);

    // The targets one after another, in the order given; one that is
    // missing is named and the others are still searched. Several targets
    // end with one status line for them all.
    reporter.SetStatusDeferred(targets.size() > 1);
    qsizetype filesDone = 0, filesListed = 0, hitsFound = 0;
    QString lastState;
    for (const QString &target : targets) {
        std::unique_ptr<QTemporaryFile> spool;
        TSearchOptions search = options.Search;
        search.TargetPath = target;
        if (target == QLatin1String("-")) {
            QString why;
            bool found = false;
            std::function<bool(const QString &)> probe;
            if (options.Quiet) {
                probe = [&](const QString &path) {
                    const TSearchOptions part = OverSpool(options.Search, path);
                    std::vector<TGrepResult> partHits;
                    TSilentReporter silent;
                    TGrepThread probeWorker(partHits, silent);
                    part.ApplyTo(probeWorker, findText);
                    probeWorker.Workers = 1;
                    probeWorker.Resume();
                    probeWorker.WaitFor();
                    return probeWorker.HitsFound() > 0;
                };
            }
            spool = SpoolStandardInput(why, probe, &found);
            if (found)
                return 0; // -q: a hit in what has come so far
            if (!spool) {
                reporter.FileNotRead(TCliReporter::StandardInputName(), why);
                continue;
            }
            search = OverSpool(options.Search, spool->fileName());
            reporter.SetStandardInput(search.TargetPath);
        } else if (!TFileKind::IsFile(target) && !TFileKind::IsFolder(target)) {
            reporter.FileNotRead(target, QStringLiteral("検索対象がありません"));
            continue;
        }
        TGrepThread worker(hits, reporter);
        search.ApplyTo(worker, findText);
        worker.Workers = options.Workers;
        // Used only by the check that the shortcuts change no result
        // (bench/identity.sh --whole-file).
        worker.WholeFiles = qEnvironmentVariableIsSet("KESTU_WHOLE_FILE");
        if (options.Quiet)
            reporter.SetQuiet([&worker] { worker.Terminate(); });
        worker.Resume();
        worker.WaitFor();
        filesDone += worker.FilesDone();
        filesListed += worker.TargetCount();
        hitsFound += worker.HitsFound();
        lastState = reporter.LastState();
        // -q: the first hit settles the answer; nothing else is read.
        if (options.Quiet && reporter.HitsPrinted() > 0)
            return 0;
    }

    if (targets.size() > 1) {
        QString texts[3];
        TGrepThread::FinalTexts(texts, filesDone, filesListed, hitsFound);
        reporter.PrintStatus(texts[0], texts[1], lastState.isEmpty() ? texts[2] : lastState);
    }

    // Hits that never reached their file are no success.
    if (const int error = reporter.OutputError()) {
        fprintf(stderr, "kestu-grep: 出力を書き込めません: %s\n", strerror(error));
        return 2;
    }

    // Like grep: a file that could not be read makes the status 2, even
    // when other files had hits (they have been printed all the same).
    if (reporter.MessageShown() || reporter.FileUnread())
        return 2;
    return reporter.HitsPrinted() > 0 ? 0 : 1;
}
