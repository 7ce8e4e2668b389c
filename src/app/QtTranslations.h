// Qt's own texts (standard buttons, file dialogs) in the interface language.
#pragma once

namespace priomat {

// Loads Qt's Japanese translations for a Japanese interface and none for an English one,
// whatever the locale. Replaces the translations of an earlier call. Returns false when the
// Japanese translations cannot be found; Qt's texts then stay English.
bool InstallQtTranslations(bool japanese);

} // namespace priomat
