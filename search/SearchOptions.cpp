#include "SearchOptions.h"

#include "Cp932.h"
#include "GrepThread.h"
#include "FileKind.h"
#include "NotationFold.h"
#include "RegExpCheck.h"

unsigned TSearchOptions::Notation() const
{
    return (IgnoreWidth ? TNotationFold::Width : 0u) | (IgnoreKana ? TNotationFold::Kana : 0u);
}

QString TSearchOptions::Check(QByteArray &findText) const
{
    findText.clear();
    if (!TFileKind::IsFile(TargetPath) && !TFileKind::IsFolder(TargetPath))
        return QStringLiteral("検索対象がありません");
    return CheckText(findText);
}

QString TSearchOptions::CheckText(QByteArray &findText) const
{
    findText.clear();
    if (FindText.isEmpty())
        return QStringLiteral("検索文字がありません");
    QString text = FindText;
    if (IgnoreKana) {
        // The hiragana Shift-JIS lacks stand for their katakana, which it holds.
        text.replace(QChar(0x3094), QChar(0x30F4)); // ゔ ヴ
        text.replace(QChar(0x3095), QChar(0x30F5)); // ゕ ヵ
        text.replace(QChar(0x3096), QChar(0x30F6)); // ゖ ヶ
    }
    QByteArray converted;
    if (!TCp932::FromQString(text, converted))
        return QStringLiteral("検索文字に Shift-JIS で表せない文字があります");
    if (UseRegExp) {
        if (const QString problem = TRegExpCheck::Problem(converted, NoCase, RegExpLibrary); !problem.isEmpty())
            return problem;
        // The pattern the search runs under notation folding.
        const TNotationFold fold(Notation());
        if (fold.Active()) {
            const QString problem = TRegExpCheck::Problem(fold.FoldPattern(converted), NoCase, RegExpLibrary);
            if (!problem.isEmpty())
                return problem;
        }
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
    worker.Limits = Limits;
    worker.Notation = Notation();
    worker.SearchArchives = SearchArchives;
    worker.ArchiveLimits = ArchiveLimits;
    worker.RegExpLibrary = RegExpLibrary;
}
