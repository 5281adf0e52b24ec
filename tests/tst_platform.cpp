#include "BundledDocument.h"
#include "ExitSignals.h"
#include "FileKind.h"
#include "FolderReader.h"
#include "FreeMemory.h"
#include "HandOverCodec.h"
#include "NativePath.h"
#include "ReadOnlyFile.h"
#include "RuntimeFolder.h"
#include "SettingsLocation.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include "TestTree.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <unistd.h>

using TFolderSetUp = std::function<void(const QString &folder)>;
Q_DECLARE_METATYPE(TFolderSetUp)

namespace {

// Generous bound for every wait on the other side; tests never get near it
// unless something is broken.
constexpr int WaitMs = 20000;

// When set, this program acts as a second start: it hands the JSON array of
// texts on its standard input over to the instance named by the variable.
const char ChildVariable[] = "KESTU_TST_PLATFORM_HAND_OVER";

QString UniqueName()
{
    static int counter = 0;
    return QStringLiteral("kestu-tst-platform-%1-%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

QByteArray BigEndian(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToBigEndian<quint32>(value, bytes.data());
    return bytes;
}

QStringList Arguments(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QList<QVariant> &emission : spy)
        texts << emission.at(0).toString();
    return texts;
}

QStringList WithRestore(QStringList arguments)
{
    arguments << QStringLiteral("-restore");
    return arguments;
}

// A second start inside this process: HandOver blocks, so it runs on a
// thread of its own while the test's event loop serves the instance.
class THandOverRun
{
public:
    THandOverRun(const QStringList &arguments, const QString &name, int timeoutMs = WaitMs)
        : Thread(QThread::create([this, arguments, name, timeoutMs] {
              Outcome = TSingleInstance::HandOver(arguments, timeoutMs, name) ? 1 : 0;
          }))
    {
        Thread->start();
    }
    ~THandOverRun() { Thread->wait(); }

    // Runs the event loop until the second start is done; false when it is
    // still busy after WaitMs.
    bool Wait()
    {
        QEventLoop loop;
        QObject::connect(Thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
        if (Thread->isFinished())
            return true;
        QTimer::singleShot(WaitMs, &loop, &QEventLoop::quit);
        loop.exec();
        return Thread->isFinished();
    }
    // 1 handed over, 0 refused, -1 not finished.
    int Result() const { return Outcome.load(); }

private:
    std::atomic<int> Outcome {-1};
    std::unique_ptr<QThread> Thread;
};

// Leaves a socket file at path that nobody listens on, as an instance that
// crashed does.
bool LeaveStaleSocket(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address {};
    if (native.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), native.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::listen(fd, 1) == 0;
    ::close(fd);
    return bound && QFileInfo(path).exists();
}

void Remove(const QString &path)
{
    QFile::remove(path);
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void codecRoundTrip_data();
    void codecRoundTrip();
    void codecStream_data();
    void codecStream();

    void defaultNameIsPerUser();
    void runtimeFolder_data();
    void runtimeFolder();
    void acquireReleaseAcquire();
    void acquireWhileHeldElsewhereFails();
    void socketIsUserOnly();
    void handOver_data();
    void handOver();
    void handOverWithoutInstance();
    void handOverRefusesOversizedArgument();
    void handOverFromAnotherProcess();
    void staleNameDoesNotBlock_data();
    void staleNameDoesNotBlock();
    void misbehavingClient_data();
    void misbehavingClient();
    void silentOrFloodingClientIsDropped_data();
    void silentOrFloodingClientIsDropped();
    void letGoWhileHandingOver_data();
    void letGoWhileHandingOver();

    void exitSignal_data();
    void exitSignal();
    void exitSignalsInOrder();
    void oneActiveExitSignalsAtATime();

    void bundledDocument_data();
    void bundledDocument();
    void settingsLocation_data();
    void settingsLocation();

    void fileKinds_data();
    void fileKinds();
    void linkedFolderHasTheFoldersIdentity();
    void readOnlyFile_data();
    void readOnlyFile();
    void readOnlyFileFromColdDisk();
    void freeMemoryGoesBack();
};

void TestPlatform::initTestCase()
{
    if (!qEnvironmentVariableIsSet(ChildVariable))
        return;
    QFile input;
    QStringList arguments;
    if (input.open(stdin, QIODevice::ReadOnly)) {
        const QJsonArray texts = QJsonDocument::fromJson(input.readAll()).array();
        for (const QJsonValue &text : texts)
            arguments << text.toString();
    }
    const bool handed = TSingleInstance::HandOver(arguments, WaitMs, qEnvironmentVariable(ChildVariable));
    std::fflush(nullptr);
    std::_Exit(handed ? 0 : 3);
}

// A failed test may leave its socket files behind; they go with the run.
void TestPlatform::cleanupTestCase()
{
    QDir temporary(TRuntimeFolder::ForThisUser());
    const QString pattern = QStringLiteral("kestu-tst-platform-%1-*").arg(QCoreApplication::applicationPid());
    for (const QString &file : temporary.entryList({pattern}, QDir::Files | QDir::System | QDir::Hidden))
        temporary.remove(file);
}

void TestPlatform::codecRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("switch") << QStringLiteral("-f*.txt,*.html");
    QTest::newRow("japanese path") << QStringLiteral("/home/利用者/文書/検索対象 フォルダ/");
    QTest::newRow("leading byte-order mark") << (QChar(0xFEFF) + QStringLiteral("x"));
    QTest::newRow("outside the basic plane") << QStringLiteral("𠮷野家");
    QTest::newRow("100 KB") << QString(100 * 1024, QLatin1Char('a'));
    QTest::newRow("name in Shift-JIS bytes") << TNativePath::Decode("/tmp/sjis\x8c\x9f\x8d\xf5.txt");
    QTest::newRow("lone bytes around UTF-8") << TNativePath::Decode("\xff\xe6\xa4\x9c\x80");
}

void TestPlatform::codecRoundTrip()
{
    QFETCH(QString, text);
    const QByteArray message = THandOverCodec::Encode(text);
    const QByteArray bytes = TNativePath::Encode(text);
    QCOMPARE(message.sliced(4), bytes);
    QCOMPARE(qFromBigEndian<quint32>(message.constData()), quint32(bytes.size()));

    THandOverCodec whole;
    whole.Append(message);
    QString taken;
    QCOMPARE(whole.Take(taken), THandOverCodec::TResult::Message);
    QCOMPARE(taken, text);
    QCOMPARE(whole.Take(taken), THandOverCodec::TResult::NeedMore);

    // Split at every place inside the header and at a few inside the text.
    for (qsizetype split : {qsizetype(1), qsizetype(3), qsizetype(4), qsizetype(5), message.size() - 1}) {
        if (split <= 0 || split >= message.size())
            continue;
        THandOverCodec pieces;
        QString piecesText;
        pieces.Append(QByteArrayView(message).first(split));
        QCOMPARE(pieces.Take(piecesText), THandOverCodec::TResult::NeedMore);
        pieces.Append(QByteArrayView(message).sliced(split));
        QCOMPARE(pieces.Take(piecesText), THandOverCodec::TResult::Message);
        QCOMPARE(piecesText, text);
    }
}

void TestPlatform::codecStream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<THandOverCodec::TResult>("last");

    const QByteArray one = THandOverCodec::Encode(QStringLiteral("一"));
    const QByteArray two = THandOverCodec::Encode(QStringLiteral("-s検索"));
    QTest::newRow("two messages at once") << (one + two) << QStringList {"一", "-s検索"}
                                          << THandOverCodec::TResult::NeedMore;
    QTest::newRow("message and part of the next") << (one + two.left(6)) << QStringList {"一"}
                                                  << THandOverCodec::TResult::NeedMore;
    QTest::newRow("count above the limit") << (BigEndian(THandOverCodec::MaxMessageBytes + 1) + "abc")
                                           << QStringList() << THandOverCodec::TResult::Invalid;
    QTest::newRow("count at the very top") << QByteArray("\xFF\xFF\xFF\xFF", 4) << QStringList()
                                           << THandOverCodec::TResult::Invalid;
    // Names need not be UTF-8: their bytes are kept, not refused.
    QTest::newRow("not UTF-8") << (BigEndian(2) + "\xC3\x28") << QStringList {TNativePath::Decode("\xC3\x28")}
                               << THandOverCodec::TResult::NeedMore;
    QTest::newRow("Shift-JIS bytes") << (BigEndian(4) + "\x8C\x9F\x8D\xF5" + one)
                                     << QStringList {TNativePath::Decode("\x8C\x9F\x8D\xF5"), "一"}
                                     << THandOverCodec::TResult::NeedMore;
    QTest::newRow("cut UTF-8 character") << (BigEndian(2) + "\xE6\xA4") << QStringList {TNativePath::Decode("\xE6\xA4")}
                                         << THandOverCodec::TResult::NeedMore;
    QTest::newRow("valid, then garbage, then valid") << (one + QByteArray("\xFF\xFF\xFF\xFF", 4) + two)
                                                     << QStringList {"一"} << THandOverCodec::TResult::Invalid;
}

void TestPlatform::codecStream()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, messages);
    QFETCH(THandOverCodec::TResult, last);

    // Whole, and one byte at a time: the same messages and the same end.
    for (const bool byteByByte : {false, true}) {
        THandOverCodec codec;
        QStringList taken;
        THandOverCodec::TResult result = THandOverCodec::TResult::NeedMore;
        auto drain = [&] {
            QString text;
            while ((result = codec.Take(text)) == THandOverCodec::TResult::Message)
                taken << text;
        };
        if (byteByByte) {
            for (const char byte : std::as_const(stream)) {
                codec.Append(QByteArrayView(&byte, 1));
                drain();
            }
        } else {
            codec.Append(stream);
            drain();
        }
        QCOMPARE(taken, messages);
        QCOMPARE(result, last);
        if (last == THandOverCodec::TResult::Invalid) {
            // Broken for good, whatever follows.
            codec.Append(THandOverCodec::Encode(QStringLiteral("later")));
            QString text;
            QCOMPARE(codec.Take(text), THandOverCodec::TResult::Invalid);
        }
    }
}

void TestPlatform::defaultNameIsPerUser()
{
    QCOMPARE(TSingleInstance::DefaultName(), QStringLiteral("ApplicationMutexKestuDblOpenChk"));
    // Never in the shared temporary folder itself.
    const QString path = TSingleInstance::SocketPath(QStringLiteral("x"));
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("x"));
    QVERIFY(QFileInfo(path).absolutePath() != QFileInfo(QDir::tempPath()).absoluteFilePath());
    QCOMPARE(QFileInfo(path).absolutePath(), TRuntimeFolder::ForThisUser());
    QCOMPARE(TSingleInstance::SocketPath(QStringLiteral("/run/x")), QStringLiteral("/run/x"));
}

void TestPlatform::runtimeFolder_data()
{
    QTest::addColumn<QString>("runtimeDir");
    QTest::addColumn<TFolderSetUp>("setUp"); // what lies at <temp>/kestu-<uid> before
    QTest::addColumn<uint>("uid");
    QTest::addColumn<bool>("cacheUsable");
    // "runtime", "private" (the stand-in in the temporary folder), "cache"
    // (the one in the user's cache folder) or "" (refused)
    QTest::addColumn<QString>("expected");
    const uint me = ::geteuid();
    const TFolderSetUp nothing = [](const QString &) {};
    const auto folderWith = [](mode_t mode) {
        return TFolderSetUp([mode](const QString &folder) {
            QVERIFY(::mkdir(QFile::encodeName(folder).constData(), 0700) == 0);
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode) == 0);
        });
    };
    const TFolderSetUp aFile = [](const QString &folder) {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    };
    const TFolderSetUp aLink = [](const QString &folder) {
        const QString target = folder + "-target";
        QVERIFY(::mkdir(QFile::encodeName(target).constData(), 0700) == 0);
        QVERIFY(QFile::link(target, folder));
    };
    QTest::newRow("variable set") << "/run/user/1000" << nothing << me << true << "runtime";
    QTest::newRow("variable set, stand-in refused") << "/run/user/1000" << folderWith(0777) << me << true << "runtime";
    QTest::newRow("relative variable counts as unset") << "run" << nothing << me << true << "private";
    QTest::newRow("unset: made") << QString() << nothing << me << true << "private";
    QTest::newRow("unset: own private folder") << QString() << folderWith(0700) << me << true << "private";
    // The shared name taken or spoilt by someone else: the cache serves.
    QTest::newRow("unset: group may enter") << QString() << folderWith(0750) << me << true << "cache";
    QTest::newRow("unset: everybody may write") << QString() << folderWith(01777) << me << true << "cache";
    QTest::newRow("unset: a file") << QString() << aFile << me << true << "cache";
    QTest::newRow("unset: a link to a private folder") << QString() << aLink << me << true << "cache";
    QTest::newRow("unset: squatted, no cache folder") << QString() << folderWith(0777) << me << false << "";
    // Asked for another user, neither folder is theirs.
    QTest::newRow("unset: another user's folder") << QString() << folderWith(0700) << me + 1 << true << "";
}

void TestPlatform::runtimeFolder()
{
    QFETCH(QString, runtimeDir);
    QFETCH(TFolderSetUp, setUp);
    QFETCH(uint, uid);
    QFETCH(bool, cacheUsable);
    QFETCH(QString, expected);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    // "Another user's folder": the folder is this user's, the rule is
    // asked for another user.
    const QString standIn = temp.path() + QStringLiteral("/kestu-%1").arg(uid);
    setUp(standIn);
    if (QTest::currentTestFailed())
        return;
    // An unusable cache: a path below a file.
    const QString cache = cacheUsable ? temp.path() + QStringLiteral("/home/.cache")
                                      : temp.path() + QStringLiteral("/file/.cache");
    if (!cacheUsable) {
        QFile file(temp.path() + QStringLiteral("/file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QString reason;
    const QString folder = TRuntimeFolder::Resolve(runtimeDir, temp.path(), cache, uid, &reason);
    if (expected == "runtime") {
        QCOMPARE(folder, runtimeDir);
    } else if (expected == "private" || expected == "cache") {
        QCOMPARE(folder, expected == "private" ? standIn : cache + QStringLiteral("/kestu-runtime"));
        struct stat info {};
        QVERIFY(::lstat(QFile::encodeName(folder).constData(), &info) == 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_mode & 07777, mode_t(0700));
        QCOMPARE(uint(info.st_uid), ::geteuid());
    } else {
        QVERIFY(folder.isEmpty());
        QVERIFY2(reason.contains(standIn), qPrintable(reason));
    }
}

void TestPlatform::acquireReleaseAcquire()
{
    const QString name = UniqueName();
    const QString path = TSingleInstance::SocketPath(name);
    TSingleInstance first(name);
    QVERIFY(!first.IsHeld());
    QVERIFY(first.Acquire());
    QVERIFY(first.IsHeld());
    QVERIFY(first.Acquire()); // holding already
    QVERIFY(QFileInfo::exists(path));

    first.Release();
    QVERIFY(!first.IsHeld());
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!QFileInfo::exists(path + QStringLiteral(".lock")));
    first.Release(); // nothing held: nothing happens

    // The name is free at once, for another instance and for this one.
    TSingleInstance second(name);
    QVERIFY(second.Acquire());
    second.Release();
    QVERIFY(first.Acquire());
    QVERIFY(first.IsHeld());
}

void TestPlatform::acquireWhileHeldElsewhereFails()
{
    const QString name = UniqueName();
    TSingleInstance holder(name);
    QVERIFY(holder.Acquire());

    TSingleInstance other(name);
    QVERIFY(!other.Acquire());
    QVERIFY(!other.IsHeld());
    other.Release(); // must not touch the holder's name
    QVERIFY(QFileInfo::exists(TSingleInstance::SocketPath(name)));

    // The failed attempt left the holder working.
    QSignalSpy received(&holder, &TSingleInstance::ArgumentReceived);
    THandOverRun run({QStringLiteral("-i1")}, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 1);
    QCOMPARE(Arguments(received), WithRestore({QStringLiteral("-i1")}));

    holder.Release();
    QVERIFY(other.Acquire());
}

void TestPlatform::socketIsUserOnly()
{
    const QString name = UniqueName();
    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(TSingleInstance::SocketPath(name)).permissions() & others, QFile::Permissions());
}

void TestPlatform::handOver_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("none") << QStringList();
    QTest::newRow("target and switches")
        << QStringList {"/home/user/文書/", "-f*.txt,*.html,*.htm", "-s検索文字", "-r1", "-b0", "-l3"};
    QTest::newRow("100 KB between Japanese texts")
        << QStringList {"前", QString(100 * 1024, QLatin1Char('x')), "後ろ"};
    // As long as one argument of a command line can be (128 KiB).
    QTest::newRow("120 KB of Japanese") << QStringList {QString(40 * 1024, QChar(0x691C))};
    QTest::newRow("empty and blank arguments") << QStringList {"", " ", "-restore", ""};
    QTest::newRow("a folder with a Shift-JIS name")
        << QStringList {TNativePath::Decode("/tmp/\x8c\x9f\x8d\xf5/"), "-s検索"};
    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << QStringLiteral("引数%1").arg(i);
    QTest::newRow("300 arguments") << many;
}

void TestPlatform::handOver()
{
    QFETCH(QStringList, arguments);
    const QString name = UniqueName();
    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    QSignalSpy received(&instance, &TSingleInstance::ArgumentReceived);

    THandOverRun run(arguments, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 1);
    QCOMPARE(Arguments(received), WithRestore(arguments));

    // A later second start is served the same way.
    THandOverRun again({QStringLiteral("-d1")}, name);
    QVERIFY(again.Wait());
    QCOMPARE(again.Result(), 1);
    QCOMPARE(Arguments(received), WithRestore(arguments) + WithRestore({QStringLiteral("-d1")}));
}

void TestPlatform::handOverWithoutInstance()
{
    const QString name = UniqueName();
    QVERIFY(!TSingleInstance::HandOver({QStringLiteral("a")}, WaitMs, name));

    // Nor after the instance let go.
    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    instance.Release();
    QVERIFY(!TSingleInstance::HandOver({QStringLiteral("a")}, WaitMs, name));

    // Nor toward a socket left behind.
    const QString path = TSingleInstance::SocketPath(UniqueName());
    QVERIFY(LeaveStaleSocket(path));
    QVERIFY(!TSingleInstance::HandOver({}, WaitMs, path));
    Remove(path);
}

void TestPlatform::handOverRefusesOversizedArgument()
{
    const QString name = UniqueName();
    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    QSignalSpy received(&instance, &TSingleInstance::ArgumentReceived);

    const QString tooLong(qsizetype(THandOverCodec::MaxMessageBytes) + 1, QLatin1Char('a'));
    THandOverRun run({QStringLiteral("-i1"), tooLong}, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 0);
    QCOMPARE(received.count(), 0); // nothing at all was sent

    // The limit itself still goes through.
    const QString atLimit(qsizetype(THandOverCodec::MaxMessageBytes), QLatin1Char('b'));
    THandOverRun fits({atLimit}, name);
    QVERIFY(fits.Wait());
    QCOMPARE(fits.Result(), 1);
    QCOMPARE(received.count(), 2);
    QCOMPARE(received.at(0).at(0).toString().size(), atLimit.size());
}

void TestPlatform::handOverFromAnotherProcess()
{
    const QString name = UniqueName();
    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    QSignalSpy received(&instance, &TSingleInstance::ArgumentReceived);

    const QStringList arguments {"/tmp/検索 対象/", QString(100 * 1024, QLatin1Char('z')), "-s漢字かなカナ"};
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ChildVariable), name);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    child.write(QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact));
    child.closeWriteChannel();

    QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, WaitMs);
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(Arguments(received), WithRestore(arguments));
}

void TestPlatform::staleNameDoesNotBlock_data()
{
    QTest::addColumn<QString>("leftBehind");
    QTest::newRow("socket nobody listens on") << QStringLiteral("socket");
    QTest::newRow("plain file") << QStringLiteral("file");
    QTest::newRow("dangling link") << QStringLiteral("link");
}

void TestPlatform::staleNameDoesNotBlock()
{
    QFETCH(QString, leftBehind);
    const QString name = UniqueName();
    const QString path = TSingleInstance::SocketPath(name);
    if (leftBehind == QLatin1String("socket")) {
        QVERIFY(LeaveStaleSocket(path));
    } else if (leftBehind == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("left behind");
    } else {
        QVERIFY(QFile::link(path + QStringLiteral("-gone"), path));
    }

    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    QSignalSpy received(&instance, &TSingleInstance::ArgumentReceived);
    THandOverRun run({QStringLiteral("-c5")}, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 1);
    QCOMPARE(Arguments(received), WithRestore({QStringLiteral("-c5")}));
}

void TestPlatform::misbehavingClient_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("clientLeaves");
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<QStringList>("applied");

    const QByteArray garbage("\xFF\xFF\xFF\xFF garbage", 12);
    const QByteArray whole = THandOverCodec::Encode(QStringLiteral("一つ目"));
    QTest::newRow("garbage") << garbage << false << true << QStringList();
    QTest::newRow("count above the limit") << BigEndian(THandOverCodec::MaxMessageBytes + 1) << false << true
                                           << QStringList();
    QTest::newRow("bytes that are not UTF-8") << (BigEndian(3) + "\x80\x80\x80") << false << false
                                              << QStringList {TNativePath::Decode("\x80\x80\x80")};
    QTest::newRow("whole message, then garbage") << (whole + garbage) << false << true << QStringList {"一つ目"};
    QTest::newRow("connects and leaves") << QByteArray() << true << false << QStringList();
    QTest::newRow("part of the count, leaves") << QByteArray("\0\0", 2) << true << false << QStringList();
    QTest::newRow("part of the text, leaves") << (BigEndian(1000) + "abc") << true << false << QStringList();
    QTest::newRow("part of the text, stays") << (BigEndian(1000) + "abc") << false << false << QStringList();
    QTest::newRow("whole message, leaves before its answer") << whole << true << false << QStringList {"一つ目"};
}

void TestPlatform::misbehavingClient()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, clientLeaves);
    QFETCH(bool, dropped);
    QFETCH(QStringList, applied);

    const QString name = UniqueName();
    TSingleInstance instance(name);
    QVERIFY(instance.Acquire());
    QSignalSpy received(&instance, &TSingleInstance::ArgumentReceived);

    QLocalSocket client;
    QSignalSpy disconnected(&client, &QLocalSocket::disconnected);
    client.connectToServer(TSingleInstance::SocketPath(name));
    QVERIFY(client.waitForConnected(WaitMs));
    if (!bytes.isEmpty()) {
        QCOMPARE(client.write(bytes), bytes.size());
        QVERIFY(client.waitForBytesWritten(WaitMs));
    }
    if (clientLeaves)
        client.abort();

    if (dropped)
        QTRY_COMPARE_WITH_TIMEOUT(disconnected.count(), 1, WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(Arguments(received), applied, WaitMs);

    // The next second start is served in full, whatever the first one did.
    THandOverRun run({QStringLiteral("-s次")}, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 1);
    QCOMPARE(Arguments(received), applied + WithRestore({QStringLiteral("-s次")}));
    QVERIFY(instance.IsHeld());
    if (!clientLeaves && !dropped)
        QCOMPARE(client.state(), QLocalSocket::ConnectedState); // merely waiting, not thrown out
}

void TestPlatform::silentOrFloodingClientIsDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("mostApplied");
    QByteArray flood;
    for (int i = 0; i < 3 * THandOverCodec::MaxMessages; ++i)
        flood += THandOverCodec::Encode(QStringLiteral("-s%1").arg(i));
    QTest::newRow("connects and says nothing") << QByteArray() << 0;
    QTest::newRow("part of a count, then silence") << QByteArray("\0\0", 2) << 0;
    QTest::newRow("part of a text, then silence") << (BigEndian(1000) + "abc") << 0;
    // A second start waits for each answer; one that does not is no second start.
    QTest::newRow("messages without waiting for answers") << flood << THandOverCodec::MaxMessages;
}

void TestPlatform::silentOrFloodingClientIsDropped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, mostApplied);
    const QString name = UniqueName();
    TSingleInstance instance(name);
    instance.SetIdleTimeout(200);
    QVERIFY(instance.Acquire());
    QSignalSpy received(&instance, &TSingleInstance::ArgumentReceived);
    QLocalSocket client;
    QSignalSpy disconnected(&client, &QLocalSocket::disconnected);
    client.connectToServer(TSingleInstance::SocketPath(name));
    QVERIFY(client.waitForConnected(WaitMs));
    if (!bytes.isEmpty())
        client.write(bytes); // the server may hang up before it has read all
    QTRY_COMPARE_WITH_TIMEOUT(disconnected.count(), 1, 4 * WaitMs);
    QVERIFY(received.count() <= mostApplied);
    // The instance still serves the next one.
    THandOverRun run({QStringLiteral("-s次")}, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 1);
}

void TestPlatform::letGoWhileHandingOver_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("released by the first argument's slot") << false;
    QTest::newRow("destroyed by the first argument's slot") << true;
}

void TestPlatform::letGoWhileHandingOver()
{
    QFETCH(bool, destroy);
    const QString name = UniqueName();
    auto *instance = new TSingleInstance(name);
    QVERIFY(instance->Acquire());
    QStringList applied;
    connect(instance, &TSingleInstance::ArgumentReceived, instance, [&applied, instance, destroy](const QString &text) {
        applied << text;
        if (destroy)
            delete instance;
        else
            instance->Release();
    });

    THandOverRun run({QStringLiteral("eins"), QStringLiteral("zwei")}, name);
    QVERIFY(run.Wait());
    QCOMPARE(run.Result(), 0);
    QCOMPARE(applied, QStringList {QStringLiteral("eins")});
    if (!destroy) {
        QVERIFY(!instance->IsHeld());
        delete instance;
    }

    TSingleInstance next(name);
    QVERIFY(next.Acquire());
}

void TestPlatform::exitSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("ignoredBefore");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGHUP, ignored before") << int(SIGHUP) << true;
}

void TestPlatform::exitSignal()
{
    QFETCH(int, signal);
    QFETCH(bool, ignoredBefore);

    // The test framework has handlers of its own; they come back at the end.
    struct sigaction original {};
    QCOMPARE(::sigaction(signal, nullptr, &original), 0);
    if (ignoredBefore)
        std::signal(signal, SIG_IGN);
    struct sigaction before {};
    QCOMPARE(::sigaction(signal, nullptr, &before), 0);

    {
        TExitSignals exits;
        QVERIFY(exits.IsActive());
        struct sigaction during {};
        QCOMPARE(::sigaction(signal, nullptr, &during), 0);
        QVERIFY(during.sa_handler != before.sa_handler);
        QSignalSpy requested(&exits, &TExitSignals::ExitRequested);
        QCOMPARE(std::raise(signal), 0);
        QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, WaitMs);
        QCOMPARE(requested.at(0).at(0).toInt(), signal);
    }

    struct sigaction after {};
    QCOMPARE(::sigaction(signal, nullptr, &after), 0);
    ::sigaction(signal, &original, nullptr);
    QVERIFY(after.sa_handler == before.sa_handler);
    QCOMPARE(after.sa_flags, before.sa_flags);
}

void TestPlatform::exitSignalsInOrder()
{
    TExitSignals exits;
    QSignalSpy requested(&exits, &TExitSignals::ExitRequested);
    QCOMPARE(std::raise(SIGHUP), 0);
    QCOMPARE(std::raise(SIGTERM), 0);
    QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 2, WaitMs);
    QCOMPARE(requested.at(0).at(0).toInt(), int(SIGHUP));
    QCOMPARE(requested.at(1).at(0).toInt(), int(SIGTERM));
}

void TestPlatform::oneActiveExitSignalsAtATime()
{
    auto first = std::make_unique<TExitSignals>();
    QVERIFY(first->IsActive());
    {
        TExitSignals second;
        QVERIFY(!second.IsActive());
    }
    // The inactive one put nothing back: the first still gets the signal.
    QSignalSpy requested(first.get(), &TExitSignals::ExitRequested);
    QCOMPARE(std::raise(SIGTERM), 0);
    QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, WaitMs);

    first.reset();
    TExitSignals third;
    QVERIFY(third.IsActive());
    QSignalSpy again(&third, &TExitSignals::ExitRequested);
    QCOMPARE(std::raise(SIGINT), 0);
    QTRY_COMPARE_WITH_TIMEOUT(again.count(), 1, WaitMs);
    QCOMPARE(again.at(0).at(0).toInt(), int(SIGINT));
}

void TestPlatform::bundledDocument_data()
{
    // A tree with bin/ (the program's folder) and share/doc/kestu/; which
    // copies exist, and which one is found ("" = none, the path beside).
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("found");
    QTest::newRow("build tree") << "readme.txt" << QStringList{"bin/readme.txt"} << "bin/readme.txt";
    QTest::newRow("installed") << "readme.txt" << QStringList{"share/doc/kestu/readme.txt"}
                               << "share/doc/kestu/readme.txt";
    QTest::newRow("beside wins") << "readme.txt"
                                 << QStringList{"bin/readme.txt", "share/doc/kestu/readme.txt"} << "bin/readme.txt";
    QTest::newRow("neither: beside") << "readme.txt" << QStringList{} << "bin/readme.txt";
    QTest::newRow("subfolder") << "manual/index.html" << QStringList{"share/doc/kestu/manual/index.html"}
                               << "share/doc/kestu/manual/index.html";
    QTest::newRow("a folder is no document") << "readme.txt"
                                             << QStringList{"bin/readme.txt/", "share/doc/kestu/readme.txt"}
                                             << "share/doc/kestu/readme.txt";
}

void TestPlatform::bundledDocument()
{
    QFETCH(QString, name);
    QFETCH(QStringList, present);
    QFETCH(QString, found);
    TTestTree tree;
    tree.Folder(QStringLiteral("bin"));
    for (const QString &relative : present) {
        if (relative.endsWith(u'/'))
            tree.Folder(relative);
        else
            tree.File(relative, "text");
    }
    QCOMPARE(TBundledDocument::Path(name, tree.Path(QStringLiteral("bin"))), tree.Path(found));
}

void TestPlatform::settingsLocation_data()
{
    QTest::addColumn<QString>("executable");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("xdgConfigHome");
    QTest::addColumn<QString>("path");
    QTest::newRow("build tree") << "/src/build/bin/kestu" << true << "/x" << "/src/build/bin/kestu.ini";
    QTest::newRow("named after the program") << "/opt/k/kestu-portable" << true << "" << "/opt/k/kestu-portable.ini";
    QTest::newRow("installed") << "/usr/bin/kestu" << false << "/home/u/cfg" << "/home/u/cfg/kestu/kestu.ini";
    QTest::newRow("no XDG_CONFIG_HOME") << "/usr/bin/kestu" << false << "" << "/home/u/.config/kestu/kestu.ini";
    QTest::newRow("relative XDG_CONFIG_HOME is ignored") << "/usr/bin/kestu" << false << "cfg"
                                                         << "/home/u/.config/kestu/kestu.ini";
    QTest::newRow("trailing slash") << "/usr/local/bin/kestu" << false << "/c/" << "/c/kestu/kestu.ini";
}

void TestPlatform::settingsLocation()
{
    QFETCH(QString, executable);
    QFETCH(bool, writable);
    QFETCH(QString, xdgConfigHome);
    QFETCH(QString, path);
    QCOMPARE(TSettingsLocation::Path(executable, writable, xdgConfigHome, QStringLiteral("/home/u")), path);
}

namespace {

// One of each kind of entry, in a folder of its own.
void MakeEntries(const TTestTree &tree)
{
    tree.File(QStringLiteral("entries/plain.txt"), "text\n");
    tree.Folder(QStringLiteral("entries/sub"));
    QFile::link(tree.Path(QStringLiteral("entries/plain.txt")), tree.Path(QStringLiteral("entries/to-file")));
    QFile::link(tree.Path(QStringLiteral("entries/sub")), tree.Path(QStringLiteral("entries/to-folder")));
    QFile::link(tree.Path(QStringLiteral("entries/gone")), tree.Path(QStringLiteral("entries/dangling")));
    QVERIFY(::mkfifo(QFile::encodeName(tree.Path(QStringLiteral("entries/pipe"))).constData(), 0600) == 0);
}

} // namespace

void TestPlatform::fileKinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");
    QTest::newRow("file") << "plain.txt" << int(TFileKind::File);
    QTest::newRow("folder") << "sub" << int(TFileKind::Folder);
    QTest::newRow("link to a file") << "to-file" << int(TFileKind::File);
    QTest::newRow("link to a folder") << "to-folder" << int(TFileKind::Folder);
    QTest::newRow("dangling link") << "dangling" << int(TFileKind::Missing);
    QTest::newRow("fifo") << "pipe" << int(TFileKind::Other);
}

// The kind from the path and the kind from the folder listing agree, links
// followed in both.
void TestPlatform::fileKinds()
{
    QFETCH(QString, name);
    QFETCH(int, kind);
    TTestTree tree;
    MakeEntries(tree);
    QCOMPARE(int(TFileKind::Of(tree.Path(QStringLiteral("entries/") + name))), kind);

    TFolderReader reader(tree.Path(QStringLiteral("entries")));
    QVERIFY(reader.IsOpen());
    QStringList seen;
    int listedKind = -1;
    while (reader.Next()) {
        seen << QFile::decodeName(reader.Name());
        if (seen.last() == name)
            listedKind = int(reader.Kind());
    }
    seen.sort();
    QCOMPARE(seen, QStringList({"dangling", "pipe", "plain.txt", "sub", "to-file", "to-folder"}));
    QCOMPARE(listedKind, kind);
}

void TestPlatform::linkedFolderHasTheFoldersIdentity()
{
    TTestTree tree;
    MakeEntries(tree);
    TFileIdentity folder, link, file;
    QCOMPARE(TFileKind::Of(tree.Path(QStringLiteral("entries/sub")), &folder), TFileKind::Folder);
    QCOMPARE(TFileKind::Of(tree.Path(QStringLiteral("entries/to-folder")), &link), TFileKind::Folder);
    QCOMPARE(TFileKind::Of(tree.Path(QStringLiteral("entries/plain.txt")), &file), TFileKind::File);
    QVERIFY(folder == link);
    QVERIFY(!(folder == file));
    QCOMPARE(TFileKind::Of(QString()), TFileKind::Missing);
    QVERIFY(!TFolderReader(QString()).IsOpen());
    QVERIFY(!TFolderReader(tree.Path(QStringLiteral("entries/plain.txt"))).IsOpen());
}

void TestPlatform::readOnlyFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("opens");
    QTest::newRow("file") << "plain.txt" << true;
    QTest::newRow("link to a file") << "to-file" << true;
    QTest::newRow("folder") << "sub" << false;
    QTest::newRow("fifo, without blocking") << "pipe" << false;
    QTest::newRow("dangling link") << "dangling" << false;
}

void TestPlatform::readOnlyFile()
{
    QFETCH(QString, name);
    QFETCH(bool, opens);
    TTestTree tree;
    MakeEntries(tree);
    TReadOnlyFile file;
    QCOMPARE(file.Open(tree.Path(QStringLiteral("entries/") + name)), opens);
    QCOMPARE(file.IsOpen(), opens);
    if (!opens)
        return;
    QCOMPARE(file.Size(), qint64(5));
    char bytes[16] = {};
    // Asking for more than there is gives what there is, twice after a rewind.
    QCOMPARE(file.ReadFully(bytes, sizeof bytes), qint64(5));
    QCOMPARE(QByteArray(bytes, 5), QByteArray("text\n"));
    QCOMPARE(file.Read(bytes, sizeof bytes), qint64(0));
    QVERIFY(file.Rewind());
    QCOMPARE(file.ReadFully(bytes, 3), qint64(3));
    QCOMPARE(QByteArray(bytes, 3), QByteArray("tex"));
    file.Close();
    QVERIFY(!file.IsOpen());
    QCOMPARE(file.Read(bytes, 1), qint64(-1));
}

void TestPlatform::readOnlyFileFromColdDisk()
{
    // The first read asks for cached bytes only: a file read just now is in
    // the cache and tells of no wait; one taken out of the cache reads whole
    // all the same, and tells of the wait where the system can see it.
    TTestTree tree;
    QByteArray content(3 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char('a' + i % 23);
    const QString path = tree.File(QStringLiteral("cold.txt"), content);
    TReadOnlyFile::TakeDiskWait();
    QByteArray read(content.size() + 1, '\0');
    TReadOnlyFile file;
    QVERIFY(file.Open(path));
    QCOMPARE(file.ReadFully(read.data(), read.size()), content.size());
    QCOMPARE(read.first(content.size()), content);
    QVERIFY(!TReadOnlyFile::TakeDiskWait());

    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    QCOMPARE(::fdatasync(fd), 0);
    QCOMPARE(::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED), 0);
    ::close(fd);
    read.fill('\0');
    QVERIFY(file.Open(path));
    QCOMPARE(file.ReadFully(read.data(), read.size()), content.size());
    QCOMPARE(read.first(content.size()), content);
    if (!TReadOnlyFile::TakeDiskWait())
        qInfo("this file system kept the file cached or reads no cached-only way: no wait seen");
}

namespace {
qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}
} // namespace

void TestPlatform::freeMemoryGoesBack()
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    QSKIP("only glibc's allocator is given back this way");
#else
    // Small blocks from the heap, freed, with the allocator's own giving
    // back at the top of its heap turned off: only the call gives them back.
    constexpr int Count = 3000;
    constexpr size_t Size = 64 * 1024;
    QVERIFY(mallopt(M_MMAP_THRESHOLD, 4 << 20) == 1);
    QVERIFY(mallopt(M_TRIM_THRESHOLD, 1 << 30) == 1);
    std::vector<char *> blocks;
    for (int i = 0; i < Count; ++i) {
        blocks.push_back(static_cast<char *>(std::malloc(Size)));
        QVERIFY(blocks.back());
        std::memset(blocks.back(), 1, Size);
    }
    for (char *block : blocks)
        std::free(block);
    const qint64 before = ResidentBytes();
    ReleaseFreeMemory();
    const qint64 after = ResidentBytes();
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    QVERIFY2(before - after > qint64(Count) * qint64(Size) / 2,
             qPrintable(QStringLiteral("%1 MiB before, %2 MiB after").arg(before >> 20).arg(after >> 20)));
#endif
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
