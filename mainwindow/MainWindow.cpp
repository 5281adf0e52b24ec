// TForm1: construction. The features live in the MainWindow*.cpp files
// listed in MainWindow.h.

#include "MainWindow.h"
#include "MemberCopies.h"

#include "AccessKeys.h"
#include "DesktopShell.h"
#include "GrepThread.h"
#include "PreviewReader.h"
#include "SystemShell.h"
#include "ResultListView.h"
#include "StatusBar.h"
#include "TargetDialogs.h"
#include "WindowDefaults.h"

#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), Shell(std::make_unique<TSystemShell>()), RegExpLibrary(QStringLiteral("libbregexp.so"))
{
    setWindowTitle(AppCaption());
    CreateActions();
    CreateMenus();

    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CreateSetupPanel();
    CreateResultPanel();
    RowsDue = new QTimer(this);
    RowsDue->setSingleShot(true);
    RowsDue->setInterval(200);
    connect(RowsDue, &QTimer::timeout, this, &TForm1::ShowArrivedRows);
    CreateResultCommands();
    ConnectListViewResult();
    CreateStatusBar();
    PanelSetup->setParent(client);
    PanelResult->setParent(client);
    StatusBar1->setParent(client);
    layout->addWidget(PanelSetup);
    layout->addWidget(PanelResult, 1);
    layout->addWidget(StatusBar1);
    setCentralWidget(client);

    Dialogs = std::make_unique<TTargetDialogs>();
    setAcceptDrops(true);
    StartSizeMoveWatch();
    ConnectOptionCommands();

    setMinimumWidth(MinimumWidth);
    resize(TWindowDefaults::ClientWidth, TWindowDefaults::ClientHeight + menuBar()->sizeHint().height());
    move(TWindowDefaults::Left, TWindowDefaults::Top);

    SetTabOrder();
    TAccessKeys::Settle(*menuBar(), PanelSetup);
    UpdateDetailLayout();
    ActionOptionSubDirectoryExecute();
    UpdateFilterState();
    SizeAtMoveStart = size();
    // The list's colours and the width of its line-start mark, once.
    Display.ComputeInverses();
    Display.MeasureHeadWidth(ListViewResult->fontMetrics());
}

TForm1::~TForm1()
{
    StopSearch();
}

QString TForm1::AppCaption()
{
    return QStringLiteral("kestu");
}
