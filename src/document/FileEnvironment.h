// The file side of the process's environment: the home and state folders, folders made with the
// system's reason when they cannot be, the standard descriptors and file-size signals.
#pragma once

#include <QString>

namespace priomat {

// Before anything else opens a file: descriptors 0 to 2 lead somewhere (/dev/null when closed),
// so that no file opened later takes their place.
void OpenStandardDescriptors();

// SIGXFSZ is ignored, so that a write over the file-size limit fails with "File too large"
// instead of killing the program. Without HOME, the account's home folder from the password
// database is used (never "/").
void PrepareFileEnvironment();

// Whether a command-line argument survives the program's file-name encoding unchanged; a name
// that does not would be read and written under another name.
bool RepresentableFileName(const char *argument);
QString UnrepresentableNameMessage(const char *argument, bool japanese);

// $XDG_STATE_HOME/priomat, or ~/.local/state/priomat, without a trailing slash.
QString UserStateFolder();

// Makes the folder and the folders above it (mode 0700 for those it makes when `privateMode`).
// Throws FileError naming the folder that could not be made and the system's reason.
void MakeFolderPath(const QString &folder, bool privateMode = false);

} // namespace priomat
