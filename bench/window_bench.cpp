// Drives the main window offscreen through one search and reports how long
// it took until the last row was in the list, how long scrolling to the end
// took, and the memory the process holds. Used by bench/window.sh.

#include "MainWindow.h"
#include "ResultListView.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>

namespace {
long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // --cancel-after MS: start the search, cancel it after MS milliseconds
    // and report only how long the cancel took.
    int cancelAfter = -1;
    if (argc >= 3 && QByteArray(argv[1]) == "--cancel-after") {
        cancelAfter = QByteArray(argv[2]).toInt();
        argv += 2;
        argc -= 2;
    }
    if (argc < 3) {
        fprintf(stderr, "usage: kestu-window-bench [--cancel-after MS] TEXT TARGET\n");
        return 2;
    }
    TForm1 window;
    window.show();
    window.ComboBoxTarget->setEditText(QString::fromLocal8Bit(argv[2]));
    window.ComboBoxGrep->setEditText(QString::fromLocal8Bit(argv[1]));
    if (cancelAfter >= 0) {
        window.ComboBoxFilter->setEditText(QStringLiteral("*"));
        window.ActionOptionSubDirectory->setChecked(true);
        qint64 cancelMs = -1;
        bool idleBefore = false;
        QObject::connect(window.ActionFileGrep, &QAction::changed, &app, [&] {
            if (window.ActionFileGrep->isEnabled())
                QCoreApplication::exit(0);
        });
        QTimer::singleShot(cancelAfter, &app, [&] {
            idleBefore = window.ActionFileGrep->isEnabled();
            QElapsedTimer cancel;
            cancel.start();
            window.ActionFileCancelExecute();
            cancelMs = cancel.elapsed();
        });
        window.ActionFileGrepExecute();
        app.exec();
        if (idleBefore) {
            printf("the search ended within %d ms: nothing to cancel\n", cancelAfter);
            return 1;
        }
        printf("cancel after %d ms: %lld ms until idle\n", cancelAfter, static_cast<long long>(cancelMs));
        return 0;
    }
    window.ComboBoxFilter->setEditText(QStringLiteral("*"));
    window.ActionOptionSubDirectory->setChecked(true);
    const long before = ResidentKiB();

    QElapsedTimer timer;
    timer.start();
    QObject::connect(window.ActionFileGrep, &QAction::changed, &app, [&] {
        if (window.ActionFileGrep->isEnabled())
            QCoreApplication::exit(0); // quit() would close the window inside the worker's last call
    });
    window.ActionFileGrepExecute();
    app.exec();
    const qint64 searchMs = timer.elapsed();
    const qsizetype rows = window.ListViewResult->model()->rowCount();

    // Scroll to the end a page at a time, painting each page.
    timer.restart();
    QScrollBar *bar = window.ListViewResult->verticalScrollBar();
    int pages = 0;
    for (int v = 0; v < bar->maximum() && pages < 2000; v += qMax(1, bar->maximum() / 2000), ++pages) {
        bar->setValue(v);
        window.ListViewResult->viewport()->repaint();
    }
    window.ListViewResult->scrollToBottom();
    window.ListViewResult->viewport()->repaint();
    const qint64 scrollMs = timer.elapsed();
    const long after = ResidentKiB();
    printf("the list's own store: %lld MiB\n", static_cast<long long>(window.HitList.BytesUsed() >> 20));
    printf("rows %lld  search+list %lld ms  scroll %d pages %lld ms  memory %ld MiB (+%ld MiB, %lld bytes per hit)\n",
           static_cast<long long>(rows), static_cast<long long>(searchMs), pages,
           static_cast<long long>(scrollMs), after / 1024, (after - before) / 1024,
           rows ? static_cast<long long>((after - before) * 1024 / rows) : 0LL);

    // Once more, cancelled as soon as the first rows show: how long the
    // cancel command takes until the window is idle again.
    QTimer poll;
    qint64 cancelMs = -1;
    qsizetype rowsAtCancel = 0;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (window.ListViewResult->model()->rowCount() == 0)
            return;
        poll.stop();
        rowsAtCancel = window.ListViewResult->model()->rowCount();
        QElapsedTimer cancel;
        cancel.start();
        window.ActionFileCancelExecute();
        cancelMs = cancel.elapsed();
    });
    poll.start(1);
    window.ActionFileGrepExecute();
    app.exec();
    printf("cancel after %lld rows: %lld ms until idle (%lld rows kept)\n", static_cast<long long>(rowsAtCancel),
           static_cast<long long>(cancelMs), static_cast<long long>(window.ListViewResult->model()->rowCount()));

    // A small search empties the list: what memory does the window keep?
    window.ComboBoxGrep->setEditText(QStringLiteral("KESTU-NO-SUCH-WORD"));
    window.ActionFileGrepExecute();
    app.exec();
    printf("after the next search %ld MiB resident (%lld rows; %ld MiB before the first)\n", ResidentKiB() / 1024,
           static_cast<long long>(window.ListViewResult->model()->rowCount()), before / 1024);
    return rows > 0 ? 0 : 1;
}
