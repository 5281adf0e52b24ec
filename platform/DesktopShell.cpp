#include "DesktopShell.h"

#include "OpenDecision.h"

QString TDesktopShell::OpenProgram(const QString &programText, const QStringList &arguments)
{
    const TOpenDecision::TChoice choice = TOpenDecision::Decide(programText);
    switch (choice.Kind) {
    case TOpenDecision::Start:
        return StartProgram(choice.Target, arguments);
    case TOpenDecision::Launch:
        LaunchDesktopEntry(choice.Target, arguments);
        break;
    case TOpenDecision::OpenDefault:
        return OpenDefault(choice.Target);
    case TOpenDecision::Nothing:
        break;
    }
    return {};
}
