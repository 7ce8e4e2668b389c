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

    // The whole content as JSON, and back; fromJson gives false for text it cannot take.
    QByteArray toJson() const;
    bool fromJson(const QByteArray &json);

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
    // Reads the file when it exists; an unreadable or damaged file gives an empty store, which
    // is written anew at the first change.
    explicit FileRegistryStore(QString path);
    const QString &path() const { return path_; }
    // $XDG_CONFIG_HOME/priomat/registry.json
    static QString defaultPath();

protected:
    bool persist() override;

private:
    QString path_;
};

} // namespace priomat::platform
