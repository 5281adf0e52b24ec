#include "WindowPlacement.h"

#include "TestMain.h"

#include <QtTest>

#include <limits>

class TestWindowPlacement : public QObject
{
    Q_OBJECT
private slots:
    void fit_data();
    void fit();
};

namespace {
constexpr int Min = std::numeric_limits<int>::min();
constexpr int Max = std::numeric_limits<int>::max();
const QRect Designed(200, 115, 450, 400);
const QRect Screen(0, 0, 1920, 1050);     // a panel takes the bottom 30 px
const QRect Right(1920, 0, 1280, 1024);   // a second monitor to its right
} // namespace

void TestWindowPlacement::fit_data()
{
    QTest::addColumn<QList<int>>("stored"); // left, top, width, height
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("expected");

    const QList<QRect> one{Screen};
    const QList<QRect> two{Screen, Right};
    QTest::newRow("on screen, kept") << QList<int>{300, 200, 640, 480} << one << QRect(300, 200, 640, 480);
    QTest::newRow("partly on screen, kept") << QList<int>{-100, 20, 500, 400} << one << QRect(-100, 20, 500, 400);
    QTest::newRow("off every screen") << QList<int>{-20000, -20000, 500, 400} << one << Designed;
    QTest::newRow("just beside the screen") << QList<int>{1920, 0, 500, 400} << one << Designed;
    QTest::newRow("on the second screen") << QList<int>{1920, 0, 500, 400} << two << QRect(1920, 0, 500, 400);
    QTest::newRow("huge size") << QList<int>{0, 0, 100000, 100000} << one << QRect(0, 0, 1920, 1050);
    QTest::newRow("width to the end of int") << QList<int>{100, 0, Max, 400} << one << QRect(100, 0, 1920, 400);
    QTest::newRow("across two screens, kept") << QList<int>{100, 0, 3000, 900} << two << QRect(100, 0, 3000, 900);
    QTest::newRow("wider than both screens") << QList<int>{0, 0, Max, Max} << two << QRect(0, 0, 3200, 1050);
    QTest::newRow("all four at the bottom of int") << QList<int>{Min, Min, Min, Min} << one << Designed;
    QTest::newRow("all four at the top of int") << QList<int>{Max, Max, Max, Max} << one << Designed;
    QTest::newRow("left far away, size reaches back") << QList<int>{Min, 0, Max, 400} << one << Designed;
    QTest::newRow("zero size") << QList<int>{300, 200, 0, 0} << one << QRect(300, 200, 1, 1);
    QTest::newRow("negative size") << QList<int>{300, 200, -50, -50} << one << QRect(300, 200, 1, 1);
    QTest::newRow("no screen") << QList<int>{300, 200, 640, 480} << QList<QRect>{} << Designed;
}

void TestWindowPlacement::fit()
{
    QFETCH(QList<int>, stored);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, expected);
    const QRect fitted = TWindowPlacement::Fit(stored[0], stored[1], stored[2], stored[3], screens, Designed);
    QCOMPARE(fitted, expected);
}

KESTU_TEST_CLASS(TestWindowPlacement)
#include "tst_windowplacement.moc"
