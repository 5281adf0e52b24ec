#include "ToolCommandLine.h"

#include "Cp932.h"
#include "DesktopPaths.h"
#include "GrepResult.h"
#include "PathText.h"
#include "ToolItems.h"

#include <QProcess>


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
    // One pass over the template: a value, once inserted, is never read
    // again, so a "%B" inside a file name stays as it is.
    QString text;
    text.reserve(argument.size());
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar c = argument[i];
        if (c != u'%' || i + 1 == argument.size()) {
            text += c;
            continue;
        }
        const QString *value = nullptr;
        switch (argument[i + 1].toUpper().unicode()) {
        case u'F': value = &values.F; break;
        case u'D': value = &values.D; break;
        case u'R': value = &values.R; break;
        case u'L': value = &values.L; break;
        case u'N': value = &values.N; break;
        case u'B': value = &values.B; break;
        default: break;
        }
        if (value) {
            text += *value;
            ++i;
        } else {
            text += c;
        }
    }
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
    if (launch.Program.isEmpty()) {
        launch.Program = launch.Arguments.join(u' ');
        launch.Document = !launch.Program.isEmpty();
    }
    return launch;
}
