// The uninstall entry and the ".ahp" association, written again at every start.
#pragma once

#include <QString>

namespace priomat {

// The program file as it is named on disk: a name with dots ("priomat-2.3.4", an AppImage)
// is not cut at its last dot.
QString ProgramFile();

// Writes "DisplayName" and "UninstallString" in the platform's list of installed programs.
void RegisterUninstallEntry();

// Associates ".ahp" with the program in the registry store, keeping a file type that already
// owns the extension, and then on the desktop (see DesktopAssociation.h). Silent on failure.
void RegisterFileType();

} // namespace priomat
