// The uninstaller: the removal list, the ghost copy that removes the program after it has
// ended, and the deferred removal of the ghost itself.
#pragma once

#include <QString>
#include <QStringList>

namespace priomat {

// The removal list in the program folder.
inline constexpr QLatin1String UninstallListName("UNINST.DAT");

// Starts the ghost copy; tests replace it to record the start instead.
class ProcessStarter
{
public:
    virtual ~ProcessStarter() = default;
    // Starts `program` on its own, not bound to this process; false when it could not start.
    virtual bool startDetached(const QString &program, const QStringList &arguments);
};

ProcessStarter &processStarter();
// nullptr restores the real starter.
void setProcessStarter(ProcessStarter *starter);

struct UninstallMessage
{
    QString text;
    QString caption;
    unsigned flags = 0;
};

// Yes, No, warning icon, No as the default button.
UninstallMessage ConfirmUninstallMessage(const QString &product, bool japanese);
// Yes, No, question icon; shown only where a restart completes the uninstall.
UninstallMessage RestartOfferMessage(bool japanese);

// The first of windir + "Ghost" + name, then "2", "3", ... appended, that names no file.
QString GhostProgramFile(const QString &windir, const QString &programName);

// In the program started with "/UNINSTALL": extends UNINST.DAT, deletes the uninstall entry,
// copies the program file to a ghost name in the temporary folder and starts that copy with
// "/delete" and the program file.
void PrepareUninstall();

// In the ghost: waits for the installed program file (the first argument naming an existing
// file) to go, then deletes the registry keys and files that UNINST.DAT lists, emptied folders,
// the program's own registry key and the desktop association. Without such an argument it
// does nothing.
void RemoveInstalledItems();

// In the ghost: removes its own program file. Where the system deletes files listed in
// WININIT.INI at its next start, the file is listed there and a restart is offered instead.
void ScheduleSelfRemoval();

// Adds "NUL=" + the short path of `file` to the "[rename]" section of windir + "WININIT.INI",
// creating section and file as needed. True when the file was written; an entry already
// there (in any letter case) writes nothing.
bool ScheduleWininitDeletion(const QString &windir, const QString &file);

} // namespace priomat
