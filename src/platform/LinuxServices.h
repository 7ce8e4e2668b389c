// The real services of a Linux desktop session, created together and installed at once.
#pragma once

#include "HelpViewer.h"
#include "MessageBox.h"
#include "Platform.h"
#include "RegistryStore.h"
#include "SystemInfo.h"

namespace priomat::platform {

struct LinuxServices
{
    FileRegistryStore registry{FileRegistryStore::defaultPath()};
    QtMessageBoxService messageBox;
    DesktopHelpViewer helpViewer;
    LinuxSystemInfo system;

    void install() { setServices({&registry, &messageBox, &helpViewer, &system}); }
};

} // namespace priomat::platform
