// A hierarchical key-value store with the registry's roots, keys and value kinds.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace priomat::platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

// The names of the predefined roots, in the order of RegistryRoot.
const QStringList &registryRootNames();

struct RegistryValue
{
    enum class Kind { String, Integer, Binary };
    Kind kind = Kind::String;
    QString text;        // String
    quint32 integer = 0; // Integer (32 bits)
    QByteArray bytes;    // Binary

    static RegistryValue fromString(const QString &text) { return {Kind::String, text, 0, {}}; }
    static RegistryValue fromInteger(quint32 value) { return {Kind::Integer, {}, value, {}}; }
    static RegistryValue fromBinary(const QByteArray &bytes) { return {Kind::Binary, {}, 0, bytes}; }
    friend bool operator==(const RegistryValue &, const RegistryValue &) = default;
};

// A store or settings file found at start-up that could not be taken as it was.
struct StoredFileProblem
{
    enum class Kind {
        None,
        Damaged,    // read as far as it could be; the file itself was kept aside as `keptAs`
        Unreadable, // not read at all; it is left as it is and never written
    };
    Kind kind = Kind::None;
    QString path;
    QString keptAs;
    QString reason; // the system's or the reader's reason, one sentence
};

// Key paths are subkeys below a root, components separated by "\"; names compare without
// regard to letter case and keep the spelling of their creation. An empty value name is the
// key's default value.
class RegistryStore
{
public:
    virtual ~RegistryStore() = default;

    virtual bool keyExists(RegistryRoot root, const QString &subkey) const = 0;
    virtual std::optional<RegistryValue> value(RegistryRoot root, const QString &subkey,
                                               const QString &name) const = 0;
    // Creates the key and its missing parents. False when the store cannot be written.
    virtual bool setValue(RegistryRoot root, const QString &subkey, const QString &name,
                          const RegistryValue &value) = 0;
    virtual bool createKey(RegistryRoot root, const QString &subkey) = 0;
    // Deletes the key with everything below it. False when nothing was deleted or the store
    // cannot be written.
    virtual bool deleteKey(RegistryRoot root, const QString &subkey) = 0;
    virtual QStringList subkeys(RegistryRoot root, const QString &subkey) const = 0;
    virtual QStringList valueNames(RegistryRoot root, const QString &subkey) const = 0;

    // What was wrong with the store's file when it was opened; None for a store without one.
    virtual StoredFileProblem loadProblem() const { return {}; }
    // Removes what the store keeps on disk when no value is left in it (the last uninstall).
    virtual void removeWhenEmpty() {}
};

// The store kept in memory; the base of the file store and the fake that tests inject.
class MemoryRegistryStore : public RegistryStore
{
public:
    MemoryRegistryStore();
    ~MemoryRegistryStore() override;

    bool keyExists(RegistryRoot root, const QString &subkey) const override;
    std::optional<RegistryValue> value(RegistryRoot root, const QString &subkey,
                                       const QString &name) const override;
    bool setValue(RegistryRoot root, const QString &subkey, const QString &name,
                  const RegistryValue &value) override;
    bool createKey(RegistryRoot root, const QString &subkey) override;
    bool deleteKey(RegistryRoot root, const QString &subkey) override;
    QStringList subkeys(RegistryRoot root, const QString &subkey) const override;
    QStringList valueNames(RegistryRoot root, const QString &subkey) const override;

    // Tests: make every change fail as a store that cannot be written would.
    void setFailWrites(bool fail) { failWrites_ = fail; }

    // The whole content as JSON, and back; fromJson gives false for text it cannot take, and
    // sets `complete` (when given) to false when it had to leave parts of the text out.
    QByteArray toJson() const;
    bool fromJson(const QByteArray &json, bool *complete = nullptr);
    // Whether any key holds a value.
    bool hasValues() const;

protected:
    // Called after a change has been made in memory; false undoes it.
    virtual bool persist() { return !failWrites_; }

private:
    struct Key;
    Key *find(RegistryRoot root, const QString &subkey) const;
    Key *findOrCreate(RegistryRoot root, const QString &subkey);
    bool commit(QByteArray &&before);

    std::unique_ptr<Key> roots_[6];
    bool failWrites_ = false;
};

// The Linux store: the memory store kept in one JSON file, written atomically after each change.
class FileRegistryStore : public MemoryRegistryStore
{
public:
    // Reads the file when it exists. A damaged file (not JSON, not a store, parts of the wrong
    // kind, too large) is renamed to path + ".damaged", replacing an older one, and the store
    // keeps what could be read. A file that cannot be read at all is never written.
    explicit FileRegistryStore(QString path);
    const QString &path() const { return path_; }
    // $XDG_CONFIG_HOME/priomat/registry.json
    static QString defaultPath();

    StoredFileProblem loadProblem() const override { return problem_; }
    // Deletes the file, and its folder when that is left empty, once no value is left.
    void removeWhenEmpty() override;

protected:
    bool persist() override;

private:
    QString path_;
    StoredFileProblem problem_;
};

} // namespace priomat::platform
