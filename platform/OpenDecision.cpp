#include "OpenDecision.h"

#include <QFileInfo>
#include <QStandardPaths>

TOpenDecision::TChoice TOpenDecision::Decide(const QString &programText, const TFindProgram &findProgram)
{
    if (programText.isEmpty())
        return {};
    const QFileInfo info(programText);
    const bool isFile = info.isFile();
    // Launchers are often executable themselves; they are still launched.
    if (isFile && programText.endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive))
        return {Launch, info.absoluteFilePath()};
    if (programText.contains(u'/')) {
        if (isFile && info.isExecutable())
            return {Start, info.absoluteFilePath()};
        return {OpenDefault, programText};
    }
    // A bare name: a program on PATH, else whatever lies in the working folder.
    const QString found = findProgram(programText);
    if (!found.isEmpty())
        return {Start, found};
    return {OpenDefault, programText};
}

TOpenDecision::TChoice TOpenDecision::Decide(const QString &programText)
{
    return Decide(programText, [](const QString &name) { return QStandardPaths::findExecutable(name); });
}
