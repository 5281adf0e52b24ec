#include "SearchOptions.h"

#include "Cp932.h"
#include "GrepThread.h"
#include "FileKind.h"
#include "RegExpCheck.h"

QString TSearchOptions::Check(QByteArray &findText) const
{
    findText.clear();
    if (!TFileKind::IsFile(TargetPath) && !TFileKind::IsFolder(TargetPath))
        return QStringLiteral("検索対象がありません");
    if (FindText.isEmpty())
        return QStringLiteral("検索文字がありません");
    QByteArray converted;
    if (!TCp932::FromQString(FindText, converted))
        return QStringLiteral("検索文字に Shift-JIS で表せない文字があります");
    if (UseRegExp) {
        if (const QString problem = TRegExpCheck::Problem(converted, NoCase, RegExpLibrary); !problem.isEmpty())
            return problem;
    }
    findText = converted;
    return {};
}

void TSearchOptions::ApplyTo(TGrepThread &worker, const QByteArray &findText) const
{
    worker.Recursive = Recursive;
    worker.NoCase = NoCase;
    worker.UseRegExp = UseRegExp;
    worker.DepthLimit = DepthLimit;
    worker.CodeChoice = CodeChoice;
    worker.FindText = findText;
    worker.TargetPath = TargetPath;
    worker.FilterList = FilterList;
    worker.ExcludeDirs = ExcludeDirs;
    worker.FollowLinks = FollowLinks;
    worker.RegExpLibrary = RegExpLibrary;
}
