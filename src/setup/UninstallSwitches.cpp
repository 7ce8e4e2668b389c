// The uninstaller's command-line switches and what each run does with them.
#include "setup/UninstallSwitches.h"

#include "app/Appli.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"
#include "setup/PackageInstall.h"
#include "setup/Uninstaller.h"

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
    const UninstallSwitch choice = FindUninstallSwitch(system.commandLine().mid(1));
    const QString programName =
        Appli ? Appli->ProgramName : QFileInfo(system.programPath()).completeBaseName();

    if (IsGhostProgramName(programName)) {
        // A ghost never opens windows, whatever its switch; only "/delete" sets it to work.
        if (choice == UninstallSwitch::Delete && Appli) {
            const UninstallReport report = RemoveInstalledItems();
            ScheduleSelfRemoval();
            // Every uninstall ends by saying what it removed and what it could not.
            if (report.ran) {
                const UninstallMessage message =
                    UninstallReportMessage(Appli->ProductName, report, Appli->Japanese);
                ShowMessageBox(message.text, message.caption, message.flags);
            }
        }
        return true;
    }
    if (choice != UninstallSwitch::Uninstall)
        return false; // "/DELETE" is the ghost's switch and means nothing here
    if (!Appli)
        return true;
    // A package's files are the package manager's to remove: this run only says how.
    if (const QString package = OwningPackage(Appli->ProgramPath); !package.isEmpty()) {
        const UninstallMessage told = PackageManagerMessage(Appli->ProductName, package, Appli->Japanese);
        ShowMessageBox(told.text, told.caption, told.flags);
        return true;
    }
    // Without the rights to remove it all, nothing is touched: no half-removed installation.
    if (const QStringList blocked = UninstallBlockers(); !blocked.isEmpty()) {
        const UninstallMessage refusal = UninstallRefusedMessage(Appli->ProductName, blocked, Appli->Japanese);
        ShowMessageBox(refusal.text, refusal.caption, refusal.flags);
        return true;
    }
    const UninstallMessage confirm = ConfirmUninstallMessage(Appli->ProductName, Appli->Japanese);
    if (ShowMessageBox(confirm.text, confirm.caption, confirm.flags) == platform::IDYES)
        PrepareUninstall();
    return true;
}

} // namespace priomat
