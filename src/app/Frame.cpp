#include "app/Frame.h"

#include "app/Appli.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "app/SettingsStore.h"

#include <memory>

namespace priomat {

namespace {
std::unique_ptr<SettingsStore> settingsStore;
std::unique_ptr<TAppli> appli;

void reportProblem(const platform::StoredFileProblem &problem)
{
    using Kind = platform::StoredFileProblem::Kind;
    if (problem.kind == Kind::None || !Appli)
        return;
    const bool damaged = problem.kind == Kind::Damaged;
    ShowMessageBox(StoredFileProblemMessage(problem, Appli->Japanese),
                   damaged ? QStringLiteral("Warning") : QStringLiteral("Error"),
                   platform::MB_OK | (damaged ? platform::MB_ICONWARNING : platform::MB_ICONHAND));
}

} // namespace

QString StoredFileProblemMessage(const platform::StoredFileProblem &problem, bool japanese)
{
    using Kind = platform::StoredFileProblem::Kind;
    switch (problem.kind) {
    case Kind::None:
        break;
    case Kind::Damaged:
        if (japanese)
            return QStringLiteral("ファイル \"%1\" は壊れています。%2\r\n"
                                  "元のファイルを \"%3\" として残し、読み込めた内容で続けます。")
                .arg(problem.path, problem.reason, problem.keptAs);
        return QStringLiteral("The file \"%1\" is damaged. %2\r\n"
                              "It has been kept as \"%3\"; Priomat goes on with what could be read.")
            .arg(problem.path, problem.reason, problem.keptAs);
    case Kind::Unreadable:
        if (japanese)
            return QStringLiteral("ファイル \"%1\" を読み込めません。%2\r\n"
                                  "既定の設定で続け、このファイルは変更しません。")
                .arg(problem.path, problem.reason);
        return QStringLiteral("The file \"%1\" cannot be read. %2\r\n"
                              "Priomat goes on with its defaults and leaves this file as it is.")
            .arg(problem.path, problem.reason);
    }
    return {};
}

void FrameStartup()
{
    settingsStore = std::make_unique<SettingsStore>();
    SetSettingsStore(settingsStore.get());
    appli = std::make_unique<TAppli>(*platform::services().system);
    Appli = appli.get();
    Appli->SetProductIdentity();
    settingsStore->setFileName(SettingsFilePath(Appli->ProgramFolder, Appli->ProgramName));
    // Read now, so that a file that cannot be read is reported once, before any window.
    settingsStore->LoadSettings();
    if (platform::services().registry)
        reportProblem(platform::services().registry->loadProblem());
    reportProblem(settingsStore->loadProblem());

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
