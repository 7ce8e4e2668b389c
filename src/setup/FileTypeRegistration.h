// The uninstall entry and the ".ahp" association, written again at every start.
#pragma once

#include <QString>

namespace priomat {

// The program file: ProgramFolder + ProgramName (Linux program files carry no extension).
QString ProgramFile();

// Writes "DisplayName" and "UninstallString" in the platform's list of installed programs.
void RegisterUninstallEntry();

// Associates ".ahp" with the program in the registry store, keeping a file type that already
// owns the extension, and then on the desktop (see DesktopAssociation.h). Silent on failure.
void RegisterFileType();

} // namespace priomat
