#pragma once
// Which files a search takes by their size and the time of their last
// change: at least / at most so many bytes, changed at or after / at or
// before a moment. Each bound is off until set; with all off every file
// passes and nothing is looked up.

#include <QDateTime>
#include <QString>
#include <optional>

class TFileLimits
{
public:
    std::optional<qint64> MinSize; // bytes, inclusive
    std::optional<qint64> MaxSize;
    std::optional<qint64> Newer;   // seconds since 1970 (UTC), inclusive
    std::optional<qint64> Older;

    bool IsOn() const { return MinSize || MaxSize || Newer || Older; }
    // Times are compared in whole seconds, so a file changed at 10:00:00.7
    // counts as changed at 10:00:00.
    bool Passes(qint64 size, qint64 modifiedSeconds) const;
    // The same where a size or a time may not be known (an archive member
    // that records none): an unknown one passes its bounds.
    bool PassesKnown(std::optional<qint64> size, std::optional<qint64> modifiedSeconds) const;
    // The file at path, looked up (links followed); one that cannot be
    // looked at passes, and the search reports what it finds.
    bool PassesFile(const QString &path) const;

    // "500", "500K", "20M", "1G" (also "KB", "MiB"..., any case; K = 1024);
    // nothing on a text that is no size.
    static std::optional<qint64> ParseSize(const QString &text);
    // The size as ParseSize reads it back, in the largest unit that keeps it
    // whole ("512000" -> "500K").
    static QString SizeText(qint64 bytes);
    // "2003-04-12", "2003-04-12 10:00", "2003-04-12 10:00:30" (local time; a
    // "T" may stand for the blank), or a time back from now: "7d", "12h",
    // "30m", "45s", "2w". Nothing on anything else.
    static std::optional<qint64> ParseTime(const QString &text, const QDateTime &now);
    // A moment as ParseTime reads it back ("2003-04-12 10:00:30", local).
    static QString TimeText(qint64 seconds);
};

// The filters as the window's settings keep them: each bound with its own
// on/off box, its value kept while the box is off.
struct TFileLimitChoice
{
    bool MinSizeOn = false;
    bool MaxSizeOn = false;
    bool NewerOn = false;
    bool OlderOn = false;
    qint64 MinSize = 0;
    qint64 MaxSize = 0;
    qint64 Newer = 0; // seconds since 1970
    qint64 Older = 0;

    // The bounds whose box is on.
    TFileLimits Limits() const;
    bool operator==(const TFileLimitChoice &) const = default;
};
