// Runs every test class registered in this program; fails when any fails.
// KESTU_TEST_WIDGETS: the classes need a QApplication.

#include "TestMain.h"

#include <QtTest>

#ifdef KESTU_TEST_WIDGETS
#include <QApplication>
using TTestApplication = QApplication;
#else
using TTestApplication = QCoreApplication;
#endif

int main(int argc, char *argv[])
{
    TTestApplication app(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    int failed = 0;
    for (const TTestClasses::TFactory &make : TTestClasses::All()) {
        const std::unique_ptr<QObject> tests = make();
        failed += QTest::qExec(tests.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failed == 0 ? 0 : 1;
}
