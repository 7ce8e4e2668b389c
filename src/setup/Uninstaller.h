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

// What an uninstall removed and what it could not.
struct UninstallReport
{
    bool ran = false; // there was an installation to remove
    int files = 0;
    int folders = 0;
    QStringList notRemoved; // "path (reason)"
};

// The message that ends every uninstall: what was removed and what was not.
UninstallMessage UninstallReportMessage(const QString &product, const UninstallReport &report,
                                        bool japanese);

// The folders an uninstall would have to change but may not (a system-wide installation run
// by a normal user); empty when it can go ahead.
QStringList UninstallBlockers();
// The message that refuses such an uninstall; nothing has been changed.
UninstallMessage UninstallRefusedMessage(const QString &product, const QStringList &folders,
                                         bool japanese);

// Whether a listed file may be deleted: it must lie, with every folder link resolved, inside the
// installation's own folders (the program folder; for a program in a bin/ folder, the files of
// that folder and of ../share/ whose path names the program) or the program's own settings
// folder. `file` must be absolute and already resolved.
bool MayRemoveListedFile(const QString &file, const QString &programFolder);

// The first of windir + "Ghost" + name, then "2", "3", ... appended, that names no file.
QString GhostProgramFile(const QString &windir, const QString &programName);

// In the program started with "/UNINSTALL": extends UNINST.DAT, deletes the uninstall entry,
// copies the program file to a ghost name in the temporary folder and starts that copy with
// "/delete" and the program file. When the copy cannot be made or cannot start (a temporary
// folder mounted noexec), this process removes the installation itself, which Linux allows,
// and shows the report.
void PrepareUninstall();

// Removes the installation of `installed`: waits for the program file to go, then deletes the
// registry keys and files that UNINST.DAT lists (only those MayRemoveListedFile allows),
// emptied folders, the program's own registry key, the desktop association, and the registry
// store's file when nothing is left in it.
UninstallReport RemoveInstallation(const QString &installed);

// In the ghost: RemoveInstallation for the installed program file (the first argument naming
// an existing file). Without such an argument it does nothing (`ran` stays false).
UninstallReport RemoveInstalledItems();

// In the ghost: removes its own program file. Where the system deletes files listed in
// WININIT.INI at its next start, the file is listed there and a restart is offered instead.
void ScheduleSelfRemoval();

// Adds "NUL=" + the short path of `file` to the "[rename]" section of windir + "WININIT.INI",
// creating section and file as needed. True when the file was written; an entry already
// there (in any letter case) writes nothing.
bool ScheduleWininitDeletion(const QString &windir, const QString &file);

} // namespace priomat
