#include "PreviewLoader.h"

TPreviewLoader::TPreviewLoader(QObject *parent) : QObject(parent), Worker(new QObject)
{
    Reader.SetStop(&Stop);
    Worker->moveToThread(&Thread);
    connect(&Thread, &QThread::finished, Worker, &QObject::deleteLater);
    Thread.setObjectName(QStringLiteral("preview"));
    Thread.start(QThread::LowPriority);
}

TPreviewLoader::~TPreviewLoader()
{
    Cancel();
    Thread.quit();
    Thread.wait();
}

void TPreviewLoader::Request(quint64 ticket, const QString &path, qint32 codeId, qint64 first, qint64 last,
                             TPreviewReader::TKnownLine known)
{
    Latest.store(ticket);
    Stop.store(true); // ends the read in progress, if any
    QMetaObject::invokeMethod(Worker, [this, ticket, path, codeId, first, last, known] {
        if (Latest.load() != ticket)
            return; // overtaken before it began
        Stop.store(false);
        if (Latest.load() != ticket)
            return; // overtaken just now; the newer request is queued behind
        const TPreviewReader::TResult result = Reader.Read(path, codeId, first, last, known);
        if (result.State == TPreviewReader::TState::Stopped)
            return;
        QMetaObject::invokeMethod(this, [this, ticket, result] {
            if (Latest.load() == ticket)
                emit Loaded(ticket, result);
        });
    });
}

void TPreviewLoader::Cancel()
{
    Latest.store(Latest.load() + 1);
    Stop.store(true);
}
