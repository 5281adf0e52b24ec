#include "HitRow.h"

#include "Cp932.h"
#include "PathText.h"

QString THitRow::Text(const TGrepResult &hit)
{
    return ShownPath(hit.FileName) + u':' + QString::number(hit.Line + 1) + u':' + QString::number(hit.Column)
           + QStringLiteral(": ") + TCp932::ToQString(hit.BeforeText + hit.TextFromHit);
}
