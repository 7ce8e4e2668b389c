// What runs before the first window and after the last: the settings cache, the identity
// object and the identity values in the registry store.
#pragma once

namespace priomat {

// Creates the settings store and TAppli (which decides the language), gives it the product's
// identity and writes the six identity values into the program's own registry key.
void FrameStartup();
// Releases TAppli and the settings store.
void FrameShutdown();

} // namespace priomat
