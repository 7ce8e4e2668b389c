#include "app/Frame.h"

#include "app/Appli.h"
#include "platform/Platform.h"
#include "app/SettingsStore.h"

#include <memory>

namespace priomat {

namespace {
std::unique_ptr<SettingsStore> settingsStore;
std::unique_ptr<TAppli> appli;
} // namespace

void FrameStartup()
{
    settingsStore = std::make_unique<SettingsStore>();
    SetSettingsStore(settingsStore.get());
    appli = std::make_unique<TAppli>(*platform::services().system);
    Appli = appli.get();
    Appli->SetProductIdentity();
    settingsStore->setFileName(SettingsFilePath(Appli->ProgramFolder, Appli->ProgramName));

    WriteRegistryValue(QString(), QStringLiteral("Title"), Appli->ProductName);
    WriteRegistryValue(QString(), QStringLiteral("Path"), Appli->ProgramFolder);
    WriteRegistryValue(QString(), QStringLiteral("ExeName"), Appli->ProgramName);
    WriteRegistryValue(QString(), QStringLiteral("MajorVersion"), Appli->MajorVersion);
    WriteRegistryValue(QString(), QStringLiteral("MinorVersion"), Appli->MinorVersion);
    WriteRegistryValue(QString(), QStringLiteral("Revision"), Appli->Revision);
}

void FrameShutdown()
{
    Appli = nullptr;
    appli.reset();
    SetSettingsStore(nullptr);
    settingsStore.reset();
}

} // namespace priomat
