#include "DesktopShell.h"
#include "NativePath.h"
#include "OpenDecision.h"
#include "SystemShell.h"
#include "TestTree.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>

Q_DECLARE_METATYPE(TOpenDecision::TKind)

class TShellTest : public QObject
{
    Q_OBJECT
private slots:
    void decide_data();
    void decide();
    void everyNameReachesTheDefaultProgram_data();
    void everyNameReachesTheDefaultProgram();
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

namespace {
// The variable that makes this program a child that opens one file with
// TSystemShell and prints the answer: GIO reads the desktop's folders once
// per process, so each desktop made up by a test needs a process of its own.
constexpr const char *OpenChild = "KESTU_TST_SHELL_OPEN";
}

void TShellTest::everyNameReachesTheDefaultProgram_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("registered");
    QTest::newRow("UTF-8 name") << QByteArray("検索 メモ.txt") << true;
    QTest::newRow("Shift-JIS name") << QByteArray("\x8c\x9f\x8d\xf5 \x83\x81\x83\x82.txt") << true;
    QTest::newRow("lone lead byte, percent") << QByteArray("100%\x8c.txt") << true;
    QTest::newRow("no program for it") << QByteArray("\x8c\x9f\x8d\xf5.kestu-nothing") << false;
}

void TShellTest::everyNameReachesTheDefaultProgram()
{
    // A made-up desktop: one launcher, the default for text files, that
    // writes down the name it was given. Names in UTF-8 and in other bytes
    // take the same road and arrive as their bytes.
    QFETCH(QByteArray, name);
    QFETCH(bool, registered);
    TTestTree tree;
    const QByteArray file = tree.NativeFile(name, registered ? "text\n" : QByteArray("\0\x01\x02binary", 9));
    const QString record = tree.Path("record");
    const QString launcher = tree.File("bin/record.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + QFile::encodeName(record) + ".tmp\"\n"
                                       "mv \"" + QFile::encodeName(record) + ".tmp\" \"" + QFile::encodeName(record) + "\"\n");
    QFile::setPermissions(launcher, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    tree.File("data/applications/kestu-test-record.desktop",
              "[Desktop Entry]\nType=Application\nName=record\nExec=" + QFile::encodeName(launcher)
                  + " %f\nMimeType=text/plain;\n");
    tree.File("config/mimeapps.list", "[Default Applications]\ntext/plain=kestu-test-record.desktop\n");
    QDir().mkpath(tree.Path("system"));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), tree.Path("data"));
    env.insert(QStringLiteral("XDG_DATA_DIRS"), tree.Path("system"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), tree.Path("config"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), tree.Path("system"));
    env.insert(QString::fromLatin1(OpenChild), QString::fromLatin1(file.toHex()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForFinished(30000));
    const QString answer = QString::fromUtf8(child.readAllStandardOutput());
    if (!registered) {
        QCOMPARE(answer, QStringLiteral("関連付けられたプログラムがありません"));
        return;
    }
    QCOMPARE(answer, QString());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 20000);
    QFile got(record);
    QVERIFY(got.open(QIODevice::ReadOnly));
    QCOMPARE(got.readAll(), file);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(OpenChild)) {
        QCoreApplication app(argc, argv);
        TSystemShell shell;
        const QString answer =
            shell.OpenDefault(TNativePath::Decode(QByteArray::fromHex(qgetenv(OpenChild))));
        fputs(answer.toUtf8().constData(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TShellTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_shell.moc"
