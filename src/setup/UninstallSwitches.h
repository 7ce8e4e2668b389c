// The uninstaller's command-line switches, checked first at every start.
#pragma once

#include <QString>
#include <QStringList>

namespace priomat {

enum class UninstallSwitch { None, Uninstall, Delete };

// The first argument that is "/UNINSTALL" or "/DELETE" in any letter case decides.
UninstallSwitch FindUninstallSwitch(const QStringList &arguments);

// A ghost is the uninstaller's temporary copy: its name begins with "Ghost" in any letter case.
bool IsGhostProgramName(const QString &programName);

// Reads the command line and the program name and does the uninstall work they ask for: the
// confirmation and preparation in the program, the removal in a ghost. True when the program
// must stop at once, without creating a window.
bool HandleUninstallSwitches();

} // namespace priomat
