// kestu: the desktop window.

#include "ExitSignals.h"
#include "FileKind.h"
#include "MainWindow.h"
#include "NativePath.h"
#include "SettingsLocation.h"
#include "QtTranslations.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestu"));
    QApplication::setApplicationVersion(QStringLiteral(KESTU_VERSION));
    // The arguments as their bytes: a path need not be UTF-8. (QApplication
    // has taken its own options out of argv.)
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << TNativePath::Decode(argv[i]);

    // A running instance that holds the single-instance name takes the
    // arguments (then "-restore") and this process ends. Paths go over in
    // full: the running instance has a working folder of its own.
    QStringList handOver;
    for (const QString &argument : arguments)
        handOver.append(!argument.isEmpty() && TFileKind::Of(argument) != TFileKind::Missing
                            ? QFileInfo(argument).absoluteFilePath()
                            : argument);
    if (TSingleInstance::HandOver(handOver))
        return 1;

    // Qt's own dialogs, buttons and edit menus in Japanese, like the window.
    TQtTranslations::Install();

    // The window's font: a proportional Japanese Gothic, 12 pixels high.
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    QApplication::setFont(font);

    TForm1 window;
    // Ended from outside (logout, Ctrl+C, kill): close as the close command
    // does, so the search stops and the settings are written. Taken before
    // the start-up, so that a signal is never lost once others can see this
    // instance (its single-instance name).
    TExitSignals exitSignals;
    QObject::connect(&exitSignals, &TExitSignals::ExitRequested, &window, [&window] { window.CloseForSignal(); });

    window.SettingsPath = TSettingsLocation::ForThisProgram();
    window.Start(arguments);
    // A signal that came while a box of the start-up was open has closed
    // the window already; showing it now would lose that signal.
    if (window.EndedBySignal())
        return window.ExitStatus();

    window.show();
    const int status = app.exec();
    return status != 0 ? status : window.ExitStatus();
}
