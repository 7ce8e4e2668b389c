#include "platform/RegistryStore.h"

#include "document/FileEnvironment.h"
#include "document/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <functional>
#include <map>
#include <vector>

namespace priomat::platform {

const QStringList &registryRootNames()
{
    static const QStringList names{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                   "HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    return names;
}

struct MemoryRegistryStore::Key
{
    QString name;
    // Keyed by the case-folded name; each keeps its own spelling.
    std::map<QString, std::unique_ptr<Key>> children;
    std::map<QString, std::pair<QString, RegistryValue>> values;

    Key *child(const QString &childName) const
    {
        const auto it = children.find(childName.toCaseFolded());
        return it == children.end() ? nullptr : it->second.get();
    }
};

namespace {

QStringList components(const QString &subkey)
{
    QStringList parts = subkey.split(u'\\', Qt::SkipEmptyParts);
    return parts;
}

// As deep as the registry itself allows.
constexpr int MaxKeyDepth = 512;
// A store holds a few kilobytes; a file this large is not one of ours.
constexpr qint64 MaxStoreFileSize = qint64(64) * 1024 * 1024;

} // namespace

namespace {

QJsonObject valueToJson(const QString &name, const RegistryValue &value)
{
    QJsonObject object{{"name", name}};
    switch (value.kind) {
    case RegistryValue::Kind::String:
        object.insert("type", "string");
        object.insert("data", value.text);
        break;
    case RegistryValue::Kind::Integer:
        object.insert("type", "integer");
        object.insert("data", qint64(value.integer));
        break;
    case RegistryValue::Kind::Binary:
        object.insert("type", "binary");
        object.insert("data", QString::fromLatin1(value.bytes.toBase64()));
        break;
    }
    return object;
}

std::optional<RegistryValue> valueFromJson(const QJsonObject &object)
{
    const QString type = object.value("type").toString();
    const QJsonValue data = object.value("data");
    if (type == u"string" && data.isString())
        return RegistryValue::fromString(data.toString());
    if (type == u"integer" && data.isDouble()) {
        const qint64 number = data.toInteger(-1);
        if (number < 0 || number > 0xFFFFFFFFll)
            return std::nullopt;
        return RegistryValue::fromInteger(quint32(number));
    }
    if (type == u"binary" && data.isString()) {
        const auto decoded = QByteArray::fromBase64Encoding(data.toString().toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return RegistryValue::fromBinary(*decoded);
    }
    return std::nullopt;
}

} // namespace

QByteArray MemoryRegistryStore::toJson() const
{
    const std::function<QJsonObject(const Key &)> keyToJson = [&keyToJson](const Key &key) {
        QJsonArray values;
        for (const auto &[folded, entry] : key.values)
            values.append(valueToJson(entry.first, entry.second));
        QJsonArray children;
        for (const auto &[folded, child] : key.children)
            children.append(keyToJson(*child));
        return QJsonObject{{"name", key.name}, {"values", values}, {"keys", children}};
    };
    QJsonObject roots;
    for (int i = 0; i < 6; ++i)
        roots.insert(registryRootNames().at(i), keyToJson(*roots_[i]));
    const QJsonObject document{{"format", "priomat-registry"}, {"version", 1}, {"roots", roots}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

bool MemoryRegistryStore::fromJson(const QByteArray &json, bool *complete)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()
        || document.object().value("format").toString() != u"priomat-registry")
        return false;

    bool whole = true;
    // A member that is there but not of its kind is damage; a missing one is simply empty.
    const auto arrayMember = [&whole](const QJsonObject &object, const char *name) {
        const QJsonValue member = object.value(QLatin1String(name));
        if (!member.isUndefined() && !member.isArray())
            whole = false;
        return member.toArray();
    };
    std::unique_ptr<Key> loaded[6];
    const std::function<bool(const QJsonObject &, Key &, int)> keyFromJson =
        [&](const QJsonObject &object, Key &key, int depth) {
            if (depth > MaxKeyDepth)
                return false;
            for (const QJsonValue &item : arrayMember(object, "values")) {
                const QJsonObject value = item.toObject();
                const QString name = value.value("name").toString();
                const auto parsed = valueFromJson(value);
                if (parsed && item.isObject() && value.value("name").isString())
                    key.values[name.toCaseFolded()] = {name, *parsed};
                else
                    whole = false;
            }
            for (const QJsonValue &item : arrayMember(object, "keys")) {
                const QJsonObject childObject = item.toObject();
                const QString name = childObject.value("name").toString();
                if (!item.isObject() || name.isEmpty() || name.contains(u'\\') || key.child(name)) {
                    whole = false;
                    continue;
                }
                auto child = std::make_unique<Key>();
                child->name = name;
                if (!keyFromJson(childObject, *child, depth + 1))
                    return false;
                key.children.emplace(name.toCaseFolded(), std::move(child));
            }
            return true;
        };
    const QJsonValue rootsMember = document.object().value("roots");
    if (!rootsMember.isUndefined() && !rootsMember.isObject())
        whole = false;
    const QJsonObject roots = rootsMember.toObject();
    for (int i = 0; i < 6; ++i) {
        loaded[i] = std::make_unique<Key>();
        loaded[i]->name = registryRootNames().at(i);
        const QJsonValue root = roots.value(registryRootNames().at(i));
        if (!root.isUndefined() && !root.isObject())
            whole = false;
        if (!keyFromJson(root.toObject(), *loaded[i], 0))
            return false;
    }
    for (int i = 0; i < 6; ++i)
        roots_[i] = std::move(loaded[i]);
    if (complete)
        *complete = whole;
    return true;
}

bool MemoryRegistryStore::hasValues() const
{
    const std::function<bool(const Key &)> anyValue = [&anyValue](const Key &key) {
        if (!key.values.empty())
            return true;
        for (const auto &[folded, child] : key.children) {
            if (anyValue(*child))
                return true;
        }
        return false;
    };
    for (const auto &root : roots_) {
        if (anyValue(*root))
            return true;
    }
    return false;
}

FileRegistryStore::FileRegistryStore(QString path) : path_(std::move(path))
{
    using Kind = StoredFileProblem::Kind;
    const QFileInfo info(path_);
    if (!info.exists())
        return;
    problem_.path = path_;
    QFile file(path_);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        problem_.kind = Kind::Unreadable;
        problem_.reason = info.isDir() ? QStringLiteral("It is a folder.") : file.errorString();
        return;
    }
    if (file.size() > MaxStoreFileSize) {
        problem_.kind = Kind::Damaged;
        problem_.reason = QStringLiteral("It is too large for a store of settings.");
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            problem_.kind = Kind::Unreadable;
            problem_.reason = file.errorString();
            return;
        }
        bool complete = true;
        if (!fromJson(bytes, &complete)) {
            problem_.kind = Kind::Damaged;
            problem_.reason = QStringLiteral("It is not a registry store of Priomat.");
        } else if (!complete) {
            problem_.kind = Kind::Damaged;
            problem_.reason = QStringLiteral("Parts of it could not be read.");
        }
    }
    file.close();
    if (problem_.kind != Kind::Damaged) {
        problem_ = {};
        return;
    }
    // Kept aside before anything is written, so no key of the user's is lost with it.
    problem_.keptAs = path_ + QStringLiteral(".damaged");
    QFile::remove(problem_.keptAs);
    if (!QFile::rename(path_, problem_.keptAs)) {
        problem_.kind = Kind::Unreadable;
        problem_.reason += QStringLiteral(" It could not be kept aside.");
        problem_.keptAs.clear();
    }
}

QString FileRegistryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/priomat/registry.json");
}

bool FileRegistryStore::persist()
{
    if (!MemoryRegistryStore::persist() || problem_.kind == StoredFileProblem::Kind::Unreadable)
        return false;
    try {
        MakeFolderPath(QFileInfo(path_).absolutePath());
        WriteFileAtomically(path_, toJson());
        return true;
    } catch (const FileError &) {
        return false;
    }
}

void FileRegistryStore::removeWhenEmpty()
{
    if (hasValues() || problem_.kind == StoredFileProblem::Kind::Unreadable)
        return;
    QFile::remove(path_);
    QDir().rmdir(QFileInfo(path_).absolutePath()); // only when nothing else is in it
}

MemoryRegistryStore::MemoryRegistryStore()
{
    for (int i = 0; i < 6; ++i) {
        roots_[i] = std::make_unique<Key>();
        roots_[i]->name = registryRootNames().at(i);
    }
}

MemoryRegistryStore::~MemoryRegistryStore() = default;

MemoryRegistryStore::Key *MemoryRegistryStore::find(RegistryRoot root, const QString &subkey) const
{
    Key *key = roots_[int(root)].get();
    for (const QString &part : components(subkey)) {
        key = key->child(part);
        if (!key)
            return nullptr;
    }
    return key;
}

MemoryRegistryStore::Key *MemoryRegistryStore::findOrCreate(RegistryRoot root, const QString &subkey)
{
    const QStringList parts = components(subkey);
    if (parts.size() > MaxKeyDepth)
        return nullptr;
    Key *key = roots_[int(root)].get();
    for (const QString &part : parts) {
        Key *next = key->child(part);
        if (!next) {
            auto created = std::make_unique<Key>();
            created->name = part;
            next = created.get();
            key->children.emplace(part.toCaseFolded(), std::move(created));
        }
        key = next;
    }
    return key;
}

bool MemoryRegistryStore::commit(QByteArray &&before)
{
    if (persist())
        return true;
    fromJson(before); // the change could not be kept: undo it in memory too
    return false;
}

bool MemoryRegistryStore::keyExists(RegistryRoot root, const QString &subkey) const
{
    return find(root, subkey) != nullptr;
}

std::optional<RegistryValue> MemoryRegistryStore::value(RegistryRoot root, const QString &subkey,
                                                        const QString &name) const
{
    const Key *key = find(root, subkey);
    if (!key)
        return std::nullopt;
    const auto it = key->values.find(name.toCaseFolded());
    if (it == key->values.end())
        return std::nullopt;
    return it->second.second;
}

bool MemoryRegistryStore::setValue(RegistryRoot root, const QString &subkey, const QString &name,
                                   const RegistryValue &value)
{
    QByteArray before = toJson();
    Key *key = findOrCreate(root, subkey);
    if (!key)
        return false;
    key->values[name.toCaseFolded()] = {name, value};
    return commit(std::move(before));
}

bool MemoryRegistryStore::createKey(RegistryRoot root, const QString &subkey)
{
    if (find(root, subkey))
        return true;
    QByteArray before = toJson();
    if (!findOrCreate(root, subkey))
        return false;
    return commit(std::move(before));
}

bool MemoryRegistryStore::deleteKey(RegistryRoot root, const QString &subkey)
{
    QStringList parts = components(subkey);
    if (parts.isEmpty())
        return false; // a root is never deleted
    const QString last = parts.takeLast();
    Key *parent = find(root, parts.join(u'\\'));
    if (!parent || !parent->child(last))
        return false;
    QByteArray before = toJson();
    parent->children.erase(last.toCaseFolded());
    return commit(std::move(before));
}

QStringList MemoryRegistryStore::subkeys(RegistryRoot root, const QString &subkey) const
{
    QStringList names;
    if (const Key *key = find(root, subkey)) {
        for (const auto &[folded, child] : key->children)
            names.append(child->name);
    }
    return names;
}

QStringList MemoryRegistryStore::valueNames(RegistryRoot root, const QString &subkey) const
{
    QStringList names;
    if (const Key *key = find(root, subkey)) {
        for (const auto &[folded, entry] : key->values)
            names.append(entry.first);
    }
    return names;
}

} // namespace priomat::platform
