#include "ToolCommandLine.h"

#include "Cp932.h"
#include "DesktopPaths.h"
#include "GrepResult.h"
#include "PathText.h"
#include "ToolItems.h"

#include <QProcess>

namespace {

// Replaces every "%" + letter (either case) left to right; text just
// inserted is not searched again.
void ReplaceAll(QString &text, QChar letter, const QString &value)
{
    const QString key = QStringLiteral("%") + letter;
    qsizetype at = 0;
    while ((at = text.indexOf(key, at, Qt::CaseInsensitive)) >= 0) {
        text.replace(at, key.size(), value);
        at += value.size();
    }
}

} // namespace

TToolCommandLine::TValues TToolCommandLine::ValuesOf(const TGrepResult *hit)
{
    TValues v;
    if (!hit)
        return v;
    v.F = TDesktopPaths::ShortPath(hit->FileName);
    v.D = TDesktopPaths::ShortPath(FolderPartOf(v.F));
    v.R = TCp932::ToQString(hit->HitText());
    v.L = QString::number(qint64(hit->Line) + 1);
    v.N = QString::number(hit->Column);
    v.B = QString::number(hit->HitLength);
    return v;
}

QString TToolCommandLine::Fill(const QString &argument, const TValues &values)
{
    QString text = argument;
    ReplaceAll(text, u'F', values.F);
    ReplaceAll(text, u'D', values.D);
    ReplaceAll(text, u'R', values.R);
    ReplaceAll(text, u'L', values.L);
    ReplaceAll(text, u'N', values.N);
    ReplaceAll(text, u'B', values.B);
    return text;
}

TToolCommandLine::TLaunch TToolCommandLine::Build(const TToolItems *tool, const TValues &values)
{
    TLaunch launch;
    if (!tool)
        return launch;
    launch.Program = tool->FilePath;
    for (const QString &argument : QProcess::splitCommand(tool->Param)) {
        const QString filled = Fill(argument, values);
        if (!filled.isEmpty())
            launch.Arguments << filled;
    }
    if (launch.Program.isEmpty())
        launch.Program = launch.Arguments.join(u' ');
    return launch;
}
