#include "StartArguments.h"

#include "FileKind.h"
#include "WindowDefaults.h"

#include <QFileInfo>

TStartArguments TStartArguments::Parse(const QStringList &arguments)
{
    TStartArguments parsed;
    for (const QString &argument : arguments)
        parsed.Add(argument);
    return parsed;
}

std::optional<QString> TStartArguments::TargetOf(const QString &path)
{
    if (TFileKind::IsFile(path))
        return QFileInfo(path).absoluteFilePath();
    if (TFileKind::IsFolder(path)) {
        QString folder = QFileInfo(path).absoluteFilePath();
        if (!folder.endsWith(u'/'))
            folder += u'/';
        return folder;
    }
    return std::nullopt;
}

void TStartArguments::Add(const QString &text)
{
    if (text.isEmpty())
        return;
    if (text == QLatin1String("-restore")) {
        Restore = true;
        return;
    }
    if (std::optional<QString> target = TargetOf(text)) {
        Target = std::move(target);
        return;
    }
    if (text.size() < 3 || text[0] != u'-')
        return;
    const QString rest = text.mid(2);
    const QChar option = text[1];
    // A switch is its letter and one ASCII digit.
    const int digit = text.size() == 3 && text[2].unicode() >= u'0' && text[2].unicode() <= u'9'
                          ? text[2].unicode() - u'0'
                          : -1;
    auto setSwitch = [digit](std::optional<bool> &field) {
        if (digit == 0 || digit == 1)
            field = digit == 1;
    };
    switch (option.unicode()) {
    case u's':
        Grep = rest;
        break;
    case u'f':
        Filter = rest;
        break;
    case u'r':
        setSwitch(RegExpr);
        break;
    case u'b':
        setSwitch(SubDirectory);
        break;
    case u'i':
        setSwitch(IgnoreCase);
        break;
    case u'w':
        setSwitch(IgnoreWidth);
        break;
    case u'k':
        setSwitch(IgnoreKana);
        break;
    case u'a':
        setSwitch(SearchArchives);
        break;
    case u'd':
        setSwitch(Detail);
        break;
    case u'c':
        if (digit >= 0 && digit < TWindowDefaults::CodePageCount)
            CodePage = digit;
        break;
    case u'l': {
        bool ok = false;
        const int value = rest.toInt(&ok);
        if (ok && value >= 0)
            SubLimit = qMin(value, TWindowDefaults::MaxSubLimit);
        break;
    }
    default:
        break;
    }
}
