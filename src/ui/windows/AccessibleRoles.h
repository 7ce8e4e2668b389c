// Roles for assistive technology that Qt cannot derive from the widget classes alone.
#pragma once

namespace priomat {

// The program's own top-level windows built on a plain QWidget are frames ("window" role), not
// the "filler" Qt gives a plain widget. Call once after the application object exists.
void InstallAccessibleRoles();

} // namespace priomat
