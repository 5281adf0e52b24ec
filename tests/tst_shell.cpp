#include "DesktopShell.h"
#include "OpenDecision.h"
#include "TestTree.h"

#include <QtTest>

Q_DECLARE_METATYPE(TOpenDecision::TKind)

class TShellTest : public QObject
{
    Q_OBJECT
private slots:
    void decide_data();
    void decide();
};

void TShellTest::decide_data()
{
    QTest::addColumn<QString>("text");   // "@" stands for the test folder
    QTest::addColumn<TOpenDecision::TKind>("kind");
    QTest::addColumn<QString>("target"); // "@" as above

    QTest::newRow("program by path") << "@bin/rec" << TOpenDecision::Start << "@bin/rec";
    QTest::newRow("program on PATH") << "rec" << TOpenDecision::Start << "/found/rec";
    QTest::newRow("launcher") << "@Mail.desktop" << TOpenDecision::Launch << "@Mail.desktop";
    QTest::newRow("executable launcher") << "@Run.DESKTOP" << TOpenDecision::Launch << "@Run.DESKTOP";
    QTest::newRow("document") << "@a b.txt" << TOpenDecision::OpenDefault << "@a b.txt";
    QTest::newRow("document with blanks and line")
        << "@a b.txt:5" << TOpenDecision::OpenDefault << "@a b.txt:5";
    QTest::newRow("folder") << "@bin" << TOpenDecision::OpenDefault << "@bin";
    QTest::newRow("folder named like a launcher")
        << "@Old.desktop" << TOpenDecision::OpenDefault << "@Old.desktop";
    QTest::newRow("missing program path") << "@bin/none" << TOpenDecision::OpenDefault << "@bin/none";
    QTest::newRow("address") << "https://example.org/x" << TOpenDecision::OpenDefault
                             << "https://example.org/x";
    QTest::newRow("unknown bare name") << "nothere" << TOpenDecision::OpenDefault << "nothere";
    QTest::newRow("empty") << "" << TOpenDecision::Nothing << "";
}

void TShellTest::decide()
{
    QFETCH(QString, text);
    QFETCH(TOpenDecision::TKind, kind);
    QFETCH(QString, target);
    TTestTree tree;
    const QString rec = tree.File(QStringLiteral("bin/rec"), "#!/bin/sh\n");
    QFile::setPermissions(rec, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    tree.File(QStringLiteral("Mail.desktop"), "[Desktop Entry]\n");
    const QString run = tree.File(QStringLiteral("Run.DESKTOP"), "[Desktop Entry]\n");
    QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    tree.File(QStringLiteral("a b.txt"), "x");
    tree.Folder(QStringLiteral("Old.desktop"));
    const auto find = [](const QString &name) {
        return name == u"rec" ? QStringLiteral("/found/rec") : QString();
    };
    const TOpenDecision::TChoice choice = TOpenDecision::Decide(text.replace(u'@', tree.Root()), find);
    QCOMPARE(choice.Kind, kind);
    QCOMPARE(choice.Target, target.replace(u'@', tree.Root()));
}

QTEST_GUILESS_MAIN(TShellTest)
#include "tst_shell.moc"
