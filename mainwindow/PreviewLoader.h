#pragma once
// Reads the preview's lines of big files on a thread of its own, so the
// window stays responsive while a far line of a huge file is looked for.
// Only the latest request counts: a newer one stops the read in progress,
// and an older result is never handed over.

#include "PreviewReader.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>

class TPreviewLoader : public QObject
{
    Q_OBJECT

public:
    explicit TPreviewLoader(QObject *parent = nullptr);
    ~TPreviewLoader() override;

    // Reads lines first..last of the file; Loaded(ticket, ...) follows on
    // this object's thread unless a later Request or Cancel came first.
    // Tickets grow with every request.
    void Request(quint64 ticket, const QString &path, qint32 codeId, qint64 first, qint64 last,
                 TPreviewReader::TKnownLine known = {});
    // Drops the request in progress.
    void Cancel();

signals:
    void Loaded(quint64 ticket, const TPreviewReader::TResult &result);

private:
    QThread Thread;
    QObject *Worker;          // lives on Thread
    TPreviewReader Reader;    // used on Thread only
    std::atomic<quint64> Latest{0};
    std::atomic<bool> Stop{false};
};
