// The outside services the program uses, created by the program entry and replaced by fakes
// in tests.
#pragma once

namespace priomat::platform {

class HelpViewer;
class MessageBoxService;
class RegistryStore;
class SystemInfo;

struct Services
{
    RegistryStore *registry = nullptr;
    MessageBoxService *messageBox = nullptr;
    HelpViewer *helpViewer = nullptr;
    SystemInfo *system = nullptr;
};

// The services in use. Every pointer must be set before the first call that needs it.
Services &services();
void setServices(const Services &services);

} // namespace priomat::platform
