// The real services of a Linux desktop session, created together and installed at once.
#pragma once

#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RegistryStore.h"
#include "platform/SystemInfo.h"

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
