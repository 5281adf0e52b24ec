// kestu: the desktop window.

#include "MainWindow.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestu"));
    QApplication::setApplicationVersion(QStringLiteral(KESTU_VERSION));

    // The window's font: a proportional Japanese Gothic, 12 pixels high.
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    QApplication::setFont(font);

    TForm1 window;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i)
        window.ApplyArgument(arguments[i]);
    window.AfterArguments();
    window.show();
    return app.exec();
}
