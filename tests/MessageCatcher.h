#pragma once
// Answers the next modal message box with OK and keeps its text; arm it
// once per box expected, before the call that shows the box.

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

class TMessageCatcher : public QObject
{
public:
    QStringList Texts;
    void Arm()
    {
        QTimer::singleShot(0, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                Texts.append(box->text());
                box->accept();
            } else {
                Arm(); // not up yet
            }
        });
    }
};
