// Feeds arbitrary bytes through the settings file reader and writer and the registry store's
// file reader. Any crash, sanitizer report or exception is a finding.

#include "platform/RegistryStore.h"
#include "app/SettingsStore.h"
#include "document/TextFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

#include "SanitizerDefaults.h"

using namespace priomat;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    SettingsStore store; // no file: only the lines below
    store.LoadSettings();
    store.ParseSettingLines(DecodeTextLines(bytes).lines);
    for (const char *section : {"", "BaseForm", "Option\\View\\Font\\Japanese", "ResultForm\\Requirements"}) {
        for (const char *name : {"Left", "Name", "Bold", "Width0", "Color"}) {
            (void)store.ReadSetting(QString::fromLatin1(section), QString::fromLatin1(name), 0);
            (void)store.ReadSetting(QString::fromLatin1(section), QString::fromLatin1(name), QString());
        }
    }
    store.WriteSetting("BaseForm", "Left", 10);
    store.WriteSetting("OptionForm", "Last", QStringLiteral("50%\t"));
    store.SortSettings();
    const QStringList lines = store.FormatSettingLines();

    // What was written reads back with the values just stored.
    SettingsStore again;
    again.LoadSettings();
    again.ParseSettingLines(lines);
    if (again.ReadSetting("BaseForm", "Left", -1).toInt() != 10)
        std::abort();
    if (again.ReadSetting("OptionForm", "Last", QString()).toString() != QStringLiteral("50%\t"))
        std::abort();

    platform::MemoryRegistryStore registry;
    if (registry.fromJson(bytes))
        (void)registry.toJson();
    return 0;
}
