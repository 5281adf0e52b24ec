#include "FileLimits.h"

#include "LongPath.h"
#include "NativePath.h"

#include <QRegularExpression>
#include <sys/stat.h>
#include <limits>

bool TFileLimits::Passes(qint64 size, qint64 modifiedSeconds) const
{
    return PassesKnown(size, modifiedSeconds);
}

bool TFileLimits::PassesKnown(std::optional<qint64> size, std::optional<qint64> modifiedSeconds) const
{
    if (size && ((MinSize && *size < *MinSize) || (MaxSize && *size > *MaxSize)))
        return false;
    if (modifiedSeconds && ((Newer && *modifiedSeconds < *Newer) || (Older && *modifiedSeconds > *Older)))
        return false;
    return true;
}

bool TFileLimits::PassesFile(const QString &path) const
{
    if (!IsOn())
        return true;
    struct stat st;
    const QByteArray native = TNativePath::Encode(path);
    if (native.isEmpty() || LongPath::Stat(native, st) != 0)
        return true;
    return Passes(qint64(st.st_size), qint64(st.st_mtim.tv_sec));
}

std::optional<qint64> TFileLimits::ParseSize(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,19})\\s*(?:([KMGT])(?:i?B)?|B)?\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 number = m.captured(1).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    int shift = 0;
    const QString unit = m.captured(2).toUpper();
    switch (unit.isEmpty() ? 0 : unit[0].unicode()) {
    case 'K': shift = 10; break;
    case 'M': shift = 20; break;
    case 'G': shift = 30; break;
    case 'T': shift = 40; break;
    default: break;
    }
    if (number > (std::numeric_limits<qint64>::max() >> shift))
        return std::nullopt;
    return number << shift;
}

QString TFileLimits::SizeText(qint64 bytes)
{
    static const char units[] = {'K', 'M', 'G', 'T'};
    QString unit;
    for (int i = 0; i < 4 && bytes != 0 && bytes % 1024 == 0; ++i) {
        bytes /= 1024;
        unit = QChar::fromLatin1(units[i]);
    }
    return QString::number(bytes) + unit;
}

std::optional<qint64> TFileLimits::ParseTime(const QString &text, const QDateTime &now)
{
    const QString t = text.trimmed();
    static const QRegularExpression back(QStringLiteral("^(\\d{1,9})([smhdw])$"));
    if (const QRegularExpressionMatch m = back.match(t); m.hasMatch()) {
        static const qint64 seconds[] = {1, 60, 3600, 86400, 604800};
        const qint64 unit = seconds[QStringLiteral("smhdw").indexOf(m.captured(2))];
        return now.toSecsSinceEpoch() - m.captured(1).toLongLong() * unit;
    }
    static const QRegularExpression moment(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch m = moment.match(t);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime local(date, time, Qt::LocalTime);
    if (!local.isValid())
        return std::nullopt; // a time the clock skipped
    return local.toSecsSinceEpoch();
}

QString TFileLimits::TimeText(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

TFileLimits TFileLimitChoice::Limits() const
{
    TFileLimits limits;
    if (MinSizeOn)
        limits.MinSize = MinSize;
    if (MaxSizeOn)
        limits.MaxSize = MaxSize;
    if (NewerOn)
        limits.Newer = Newer;
    if (OlderOn)
        limits.Older = Older;
    return limits;
}
