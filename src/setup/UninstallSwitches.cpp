// The uninstaller's command-line switches.
#include "UninstallSwitches.h"

#include "Appli.h"
#include "Platform.h"
#include "SystemInfo.h"

#include <QFileInfo>

namespace priomat {

UninstallSwitch FindUninstallSwitch(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        const QString upper = argument.toUpper();
        if (upper == u"/UNINSTALL")
            return UninstallSwitch::Uninstall;
        if (upper == u"/DELETE")
            return UninstallSwitch::Delete;
    }
    return UninstallSwitch::None;
}

bool IsGhostProgramName(const QString &programName)
{
    return programName.left(5).toUpper() == u"GHOST";
}

bool HandleUninstallSwitches()
{
    const platform::SystemInfo &system = *platform::services().system;
    // The first entry is the program itself, which is no switch even where its path could read
    // like one.
    const QStringList arguments = system.commandLine().mid(1);
    const QString programName =
        Appli ? Appli->ProgramName : QFileInfo(system.programPath()).completeBaseName();

    // Only the decision is made here: the confirmation and the removal itself are built with the
    // uninstaller, so for now a stopping run stops without changing anything.
    if (IsGhostProgramName(programName))
        return true; // a ghost never opens windows, whatever its switch
    return FindUninstallSwitch(arguments) == UninstallSwitch::Uninstall; // "/DELETE" is ignored
}

} // namespace priomat
