// kestu-grep: the search engine of kestu on the command line.

#include "CliOptions.h"
#include "CliReporter.h"
#include "Cp932.h"
#include "GrepThread.h"
#include "NativePath.h"
#include "Terminal.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

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
    QByteArray findText;
    if (const QString refusal = options.Search.Check(findText); !refusal.isEmpty())
        return Fail(refusal);
    if (!sjisText.isEmpty())
        findText = sjisText; // the bytes themselves, also where two codes stand for one character

    std::vector<TGrepResult> hits;
    TCliReporter reporter(hits, options.Json, options.ColourWanted(TTerminal::IsTerminal(stdout), !qEnvironmentVariableIsEmpty("NO_COLOR")), stdout, stderr);
    if (options.ContextWanted())
        reporter.SetContext(options.LinesBefore(), options.LinesAfter());
    reporter.SetCount(options.Count);
    reporter.SetFilesOnly(options.FilesWithMatches);
    TGrepThread worker(hits, reporter);
    options.Search.ApplyTo(worker, findText);
    worker.Workers = options.Workers;
    // Used only by the check that the shortcuts change no result
    // (bench/identity.sh --whole-file).
    worker.WholeFiles = qEnvironmentVariableIsSet("KESTU_WHOLE_FILE");
    worker.Resume();
    worker.WaitFor();

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
