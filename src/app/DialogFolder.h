// Where the file dialogs start, and the last folder one was used in (kept in the settings).
#pragma once

#include <QString>

namespace priomat {

// The first of these that is an existing folder: the folder of `documentPath` (the open
// document), `lastFolder`, `documentsFolder`, `homeFolder`. Ends with "/"; empty only when
// none of them exists.
QString FileDialogStartFolder(const QString &documentPath, const QString &lastFolder,
                              const QString &documentsFolder, const QString &homeFolder);

// The same with the remembered folder, the user's documents folder and home folder.
QString DialogStartFolder(const QString &documentPath);

// Remembers the folder of a file the user chose in a file dialog.
void RememberDialogFolder(const QString &chosenPath);
QString LastDialogFolder();

} // namespace priomat
