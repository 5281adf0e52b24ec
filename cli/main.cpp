// kestu-grep: the search engine of kestu on the command line.

#include "CliOptions.h"
#include "CliReporter.h"
#include "Cp932.h"
#include "GrepThread.h"
#include "TargetLister.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

namespace {

int Fail(const QString &text)
{
    fputs((text + u'\n').toUtf8().constData(), stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestu-grep"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTU_VERSION));

    TCliOptions options;
    QString error;
    if (!options.Parse(app.arguments().mid(1), error))
        return Fail(QStringLiteral("kestu-grep: ") + error + u'\n' + TCliOptions::Usage());
    if (options.Help) {
        fputs(TCliOptions::HelpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (options.Version) {
        fputs("kestu-grep " KESTU_VERSION "\n", stdout);
        return 0;
    }
    if (!TTargetLister::IsExistingFile(options.TargetPath)
        && !TTargetLister::IsExistingFolder(options.TargetPath))
        return Fail(QStringLiteral("検索対象がありません"));
    if (options.FindText.isEmpty())
        return Fail(QStringLiteral("検索文字がありません"));
    QByteArray findText;
    if (!TCp932::FromQString(options.FindText, findText))
        return Fail(QStringLiteral("検索文字に Shift-JIS で表せない文字があります"));

    std::vector<TGrepResult> hits;
    TCliReporter reporter(hits, options.Json, options.ColourWanted(isatty(STDOUT_FILENO), !qEnvironmentVariableIsEmpty("NO_COLOR")), stdout, stderr);
    TGrepThread worker(hits, reporter);
    worker.Recursive = options.Recursive;
    worker.NoCase = options.NoCase;
    worker.UseRegExp = options.UseRegExp;
    worker.DepthLimit = options.DepthLimit;
    worker.CodeChoice = options.CodeChoice;
    worker.FindText = findText;
    worker.TargetPath = options.TargetPath;
    worker.FilterList = options.FilterList;
    worker.Workers = options.Workers;
    // Used only by the check that the shortcuts change no result
    // (bench/identity.sh --whole-file).
    worker.WholeFiles = qEnvironmentVariableIsSet("KESTU_WHOLE_FILE");
    worker.Resume();
    worker.WaitFor();

    if (reporter.MessageShown())
        return 2;
    return reporter.HitsPrinted() > 0 ? 0 : 1;
}
