// Feeds arbitrary bytes as the settings file and the registry store's file through the real
// start-up path: FrameStartup (which loads both and reports what it cannot take), the reads
// the windows make, a save and FrameShutdown. Any crash, sanitizer report, escaping exception,
// or a user's file lost or overwritten, is a finding.
//
// Input: two bytes (little-endian) give the length of the settings file; the rest of that
// length is the settings file, and what follows is registry.json.

#include "app/Appli.h"
#include "app/Frame.h"
#include "app/Placement.h"
#include "app/SettingsStore.h"
#include "document/TextFile.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RegistryStore.h"
#include "platform/SystemInfo.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "SanitizerDefaults.h"

using namespace priomat;

namespace {

class SilentMessageBox : public platform::MessageBoxService
{
public:
    int show(QWidget *, const QString &, const QString &, unsigned) override
    {
        ++shown;
        return platform::IDOK;
    }
    int shown = 0;
};

class FixedSystem : public platform::SystemInfo
{
public:
    bool defaultLanguageIsJapanese() const override { return false; }
    QString programPath() const override { return program; }
    QStringList commandLine() const override { return {program}; }
    QSize screenSize() const override { return {1024, 768}; }
    QRect workArea() const override { return {0, 0, 1024, 740}; }
    QString program;
};

// One folder for the whole run, on tmpfs where there is one: every start writes several files.
QTemporaryDir &folder()
{
    static QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/priomat-fuzz-XXXXXX")
                                                       : QDir::tempPath() + "/priomat-fuzz-XXXXXX");
    return dir;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype settingsSize = qMin<qsizetype>(quint8(bytes[0]) | (quint8(bytes[1]) << 8), bytes.size() - 2);
    const QByteArray settingsBytes = bytes.mid(2, settingsSize);
    const QByteArray storeBytes = bytes.mid(2 + settingsSize);

    const QString root = folder().path();
    QDir(root).removeRecursively();
    QDir().mkpath(root + "/config/priomat");
    qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (root + "/data").toUtf8());
    const QString settingsPath = root + "/priomat.ini";
    const QString storePath = root + "/config/priomat/registry.json";
    writeAll(settingsPath, settingsBytes);
    writeAll(storePath, storeBytes);
    writeAll(root + "/priomat", QByteArray());

    FixedSystem system;
    system.program = root + "/priomat";
    SilentMessageBox messageBox;
    auto registry = std::make_unique<platform::FileRegistryStore>(storePath);
    platform::setServices({registry.get(), &messageBox, nullptr, &system});

    try {
        FrameStartup();
        // What the windows read while they are built.
        for (const char *window : {"BaseForm", "CompareForm", "AlternativesForm", "ResultForm", "OptionForm"}) {
            for (const char *name : {"Left", "Top", "Width", "Height", "TreeWidth"})
                (void)ReadSetting(window, name, 0);
            (void)ReadSetting(window, "State", QString());
        }
        (void)ReadSetting("Option", "Calculate", true);
        (void)ReadSetting("Option\\Input", "Inverse", true);
        (void)ReadSetting("OptionForm", "Last", QString());
        FontSettings font;
        LoadFontSettings("Option\\View", font);
        (void)ReadSetting("ResultForm\\Requirements", "Width0", 100);

        const platform::StoredFileProblem settingsProblem = Settings().loadProblem();
        const platform::StoredFileProblem storeProblem = registry->loadProblem();
        WriteSetting("BaseForm", "Left", 10);
        SaveSettings();
        FrameShutdown();

        // One box for each file that could not be taken as it was.
        const int problems = int(settingsProblem.kind != platform::StoredFileProblem::Kind::None)
                             + int(storeProblem.kind != platform::StoredFileProblem::Kind::None);
        if (messageBox.shown != problems)
            std::abort();
        // Nothing the user had is lost: a damaged file is kept whole, an unreadable one untouched.
        using Kind = platform::StoredFileProblem::Kind;
        if (settingsProblem.kind == Kind::Damaged && readAll(settingsProblem.keptAs) != settingsBytes)
            std::abort();
        if (settingsProblem.kind == Kind::Unreadable && readAll(settingsPath) != settingsBytes)
            std::abort();
        if (storeProblem.kind == Kind::Damaged && readAll(storeProblem.keptAs) != storeBytes)
            std::abort();
        // What was saved reads back as sound, with the value just written.
        if (settingsProblem.kind != Kind::Unreadable) {
            SettingsStore again(settingsPath);
            again.LoadSettings();
            if (again.loadProblem().kind != Kind::None || again.ReadSetting("BaseForm", "Left", -1).toInt() != 10)
                std::abort();
        }
    } catch (const FileError &) {
        std::abort(); // the folder is writable: no file error may reach the caller here
    }
    platform::setServices({});
    return 0;
}
