// What runs before the first window and after the last: the settings cache, the identity
// object and the identity values in the registry store.
#pragma once

#include "platform/RegistryStore.h"

#include <QString>

namespace priomat {

// Creates the settings store and TAppli (which decides the language), gives it the product's
// identity, loads the settings file, tells the user once about a store or settings file that
// could not be taken as it was, and writes the six identity values into the program's own
// registry key. Throws nothing a damaged or unreadable file could cause.
void FrameStartup();
// Releases TAppli and the settings store.
void FrameShutdown();

// The message about a store or settings file that was damaged (kept aside) or unreadable (left
// alone), in the run's language; empty when there was nothing wrong.
QString StoredFileProblemMessage(const platform::StoredFileProblem &problem, bool japanese);

} // namespace priomat
