// Typed settings in the cached settings file, and registry values by key path.
#pragma once

#include "platform/RegistryStore.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace priomat {

// "%" becomes "%%", characters below 0x20 "%" and two hexadecimal digits.
QString EscapeSettingText(const QString &text);
// The reverse; nullopt when a "%" is not followed by a hexadecimal number.
std::optional<QString> UnescapeSettingText(const QString &text);

// The settings cache over one settings file. The file is read once, on first use; reads and
// writes go to the cache; SaveSettings rewrites the file whole.
class SettingsStore
{
public:
    struct Entry
    {
        QString key;      // key path in the spelling of its last write
        QString upperKey; // the lookup key
        QString tag;      // as read; one letter after a save
        QString text;     // as in the file, still escaped for strings
    };

    explicit SettingsStore(QString fileName = QString());

    // Loads the file on first use; never throws. A file that cannot be read (a folder, too
    // large, no access) leaves the cache empty, and SaveSettings then leaves the file alone. A
    // damaged file (a NUL, cut off in a line) is read as far as it goes and copied beside itself
    // as fileName + ".damaged" before any save can replace it. loadProblem() tells which.
    void LoadSettings();
    const platform::StoredFileProblem &loadProblem() const { return problem_; }
    QVariant ReadSetting(const QString &section, const QString &name, const QVariant &defaultValue);
    // An invalid or null variant deletes the key.
    void WriteSetting(const QString &section, const QString &name, const QVariant &value);
    // Orders the entries by upper-case key path (UTF-8 bytes), keeping equal keys in order.
    void SortSettings();
    // Sorts and rewrites the file atomically. Throws FileError; the old file stays then. Does
    // not write a file that could not be read.
    void SaveSettings();

    const QString &fileName() const { return fileName_; }
    void setFileName(const QString &fileName) { fileName_ = fileName; }
    const QList<Entry> &entries() const { return entries_; }
    // The lines SaveSettings writes, from the cache as it is.
    QStringList FormatSettingLines() const;
    // Reads settings lines into the cache (the loader's second half).
    void ParseSettingLines(const QStringList &lines);

private:
    qsizetype find(const QString &upperKey) const;

    QString fileName_;
    bool loaded_ = false;
    bool utf8_ = true; // the encoding the file was read in
    platform::StoredFileProblem problem_;
    QList<Entry> entries_;
};

// Where the settings file lives: beside the program in a writable portable folder (see
// IsPortableFolder), otherwise under $XDG_CONFIG_HOME/priomat/.
QString SettingsFilePath(const QString &programFolder, const QString &programName);

// The program's own settings store (set up at start-up).
SettingsStore &Settings();
void SetSettingsStore(SettingsStore *store);

QVariant ReadSetting(const QString &section, const QString &name, const QVariant &defaultValue);
void WriteSetting(const QString &section, const QString &name, const QVariant &value);
void SaveSettings();
void LoadSettings();
void SortSettings();

struct RegistryPath
{
    platform::RegistryRoot root = platform::RegistryRoot::CurrentUser;
    QString subkey;
    bool ok = false;
};

// "\ROOT\subkey" for one of the predefined roots; any other path lies below the program's own
// key, HKEY_CURRENT_USER\Software\<MakerKey>\<ProductName>\.
RegistryPath SplitRegistryPath(const QString &path);
// The value converted to the default's kind; the default when missing or unconvertible;
// an invalid variant for a path with an unknown root.
QVariant ReadRegistryValue(const QString &path, const QString &name, const QVariant &defaultValue);
// Creates the key; an invalid variant deletes the subkey called `name` instead. False when the
// store could not be written.
bool WriteRegistryValue(const QString &path, const QString &name, const QVariant &value);
void DeleteRegistryKey(const QString &path);

} // namespace priomat
