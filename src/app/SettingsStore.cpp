#include "app/SettingsStore.h"

#include "app/Appli.h"
#include "platform/Platform.h"
#include "document/FileEnvironment.h"
#include "document/TextFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace priomat {

namespace {

// A settings file is a few kilobytes; anything this large is not one, and deep or long lines
// must not make key paths of unbounded size.
constexpr qint64 MaxSettingsFileSize = 4 * 1024 * 1024;
constexpr qsizetype MaxKeyPathLength = 4096;

const QString DateFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");

QString keyPath(const QString &section, const QString &name)
{
    return section.isEmpty() ? name : section + u'\\' + name;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

std::optional<qint32> parseInt32(const QString &text)
{
    const QByteArray ascii = text.toLatin1();
    const char *begin = ascii.constData();
    const char *end = begin + ascii.size();
    if (text.size() != ascii.size() || begin == end)
        return std::nullopt;
    if (*begin == '+')
        ++begin;
    qint32 value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

std::optional<double> parseDouble(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isIntegerKind(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
        return true;
    default:
        return false;
    }
}

bool isFloatKind(const QVariant &value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool isDateKind(const QVariant &value)
{
    return value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate;
}

SettingsStore *current = nullptr;

} // namespace

QString EscapeSettingText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'%')
            escaped += QStringLiteral("%%");
        else if (c.unicode() < 0x20)
            escaped += u'%' + QStringLiteral("%1").arg(c.unicode(), 2, 16, QChar(u'0')).toUpper();
        else
            escaped += c;
    }
    return escaped;
}

std::optional<QString> UnescapeSettingText(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'%') {
            result += c;
            continue;
        }
        if (i + 1 < text.size() && text.at(i + 1) == u'%') {
            result += u'%';
            ++i;
            continue;
        }
        // The next two characters (fewer at the end) as a hexadecimal number.
        const qsizetype digits = std::min<qsizetype>(2, text.size() - i - 1);
        if (digits == 0)
            return std::nullopt;
        int code = 0;
        for (qsizetype k = 1; k <= digits; ++k) {
            const int digit = hexDigit(text.at(i + k));
            if (digit < 0)
                return std::nullopt;
            code = code * 16 + digit;
        }
        result += QChar(char16_t(code));
        i += digits;
    }
    return result;
}

SettingsStore::SettingsStore(QString fileName) : fileName_(std::move(fileName)) {}

void SettingsStore::LoadSettings()
{
    using Kind = platform::StoredFileProblem::Kind;
    if (loaded_)
        return;
    loaded_ = true;
    entries_.clear();
    problem_ = {};
    const QFileInfo info(fileName_);
    if (fileName_.isEmpty() || !info.exists())
        return;

    problem_.path = fileName_;
    QFile file(fileName_);
    if (info.isDir())
        problem_.reason = QStringLiteral("It is a folder.");
    else if (info.size() > MaxSettingsFileSize)
        problem_.reason = QStringLiteral("It is too large for a settings file.");
    else if (!file.open(QIODevice::ReadOnly))
        problem_.reason = file.errorString();
    QByteArray bytes;
    if (problem_.reason.isEmpty()) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            problem_.reason = file.errorString();
    }
    if (!problem_.reason.isEmpty()) {
        // The defaults serve this run; the file is the user's to look at and stays as it is.
        problem_.kind = Kind::Unreadable;
        return;
    }

    const DecodedText text = DecodeTextLines(bytes);
    utf8_ = text.encoding == TextEncoding::Utf8;
    ParseSettingLines(text.lines);

    // Reading stops at a NUL, and a file the program wrote ends with a line break: what
    // follows a NUL, or the rest of a cut-off file, would be lost by the next save.
    if (bytes.contains('\0'))
        problem_.reason = QStringLiteral("It holds a NUL character; what follows it was not read.");
    else if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
        problem_.reason = QStringLiteral("It ends in the middle of a line.");
    if (problem_.reason.isEmpty()) {
        problem_ = {};
        return;
    }
    problem_.kind = Kind::Damaged;
    problem_.keptAs = fileName_ + QStringLiteral(".damaged");
    try {
        WriteFileAtomically(problem_.keptAs, bytes);
    } catch (const FileError &) {
        // Not kept aside: then it must not be overwritten either.
        entries_.clear();
        problem_.kind = Kind::Unreadable;
        problem_.reason += QStringLiteral(" It could not be kept aside.");
        problem_.keptAs.clear();
    }
}

void SettingsStore::ParseSettingLines(const QStringList &lines)
{
    QStringList stack;
    qsizetype stackLength = 0; // characters of the key path the stack makes
    for (const QString &line : lines) {
        qsizetype depth = 0;
        while (depth < line.size() && line.at(depth).unicode() <= 0x20)
            ++depth;
        const QString trimmed = line.mid(depth);
        while (stack.size() > depth)
            stackLength -= stack.takeLast().size() + 1;
        if (depth > MaxKeyPathLength) {
            // Nothing below such a depth can be a key of ours; keep the structure cheap.
            continue;
        }
        while (stack.size() < depth) {
            stack.append(QString());
            stackLength += 1;
        }
        const qsizetype equals = trimmed.indexOf(u'=');
        if (equals < 0) {
            stack.append(trimmed);
            stackLength += trimmed.size() + 1;
            continue;
        }
        const QString name = trimmed.left(equals);
        const QString rest = trimmed.mid(equals + 1);
        stack.append(name);
        stackLength += name.size() + 1;
        if (stackLength - 1 > MaxKeyPathLength)
            continue;
        const QString key = stack.join(u'\\');
        const qsizetype colon = rest.indexOf(u':');
        const QString tag = colon < 0 ? rest : rest.left(colon);
        const QString value = colon < 0 ? rest : rest.mid(colon + 1);
        entries_.append({key, key.toUpper(), tag, value});
    }
}

qsizetype SettingsStore::find(const QString &upperKey) const
{
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_.at(i).upperKey == upperKey)
            return i;
    }
    return -1;
}

QVariant SettingsStore::ReadSetting(const QString &section, const QString &name,
                                    const QVariant &defaultValue)
{
    LoadSettings();
    const qsizetype index = find(keyPath(section, name).toUpper());
    if (index < 0)
        return defaultValue;
    const Entry &entry = entries_.at(index);
    if (entry.tag == u"B")
        return entry.text == u"True";
    if (entry.tag == u"D") {
        const QDateTime date = QDateTime::fromString(entry.text, DateFormat);
        return date.isValid() ? QVariant(date) : defaultValue;
    }
    if (entry.tag == u"F") {
        const auto number = parseDouble(entry.text);
        return number ? QVariant(*number) : defaultValue;
    }
    if (entry.tag == u"I") {
        const auto number = parseInt32(entry.text);
        return number ? QVariant(*number) : defaultValue;
    }
    const auto text = UnescapeSettingText(entry.text);
    return text ? QVariant(*text) : defaultValue;
}

void SettingsStore::WriteSetting(const QString &section, const QString &name, const QVariant &value)
{
    LoadSettings();
    const QString key = keyPath(section, name);
    const QString upperKey = key.toUpper();
    qsizetype index = find(upperKey);
    if (!value.isValid() || value.isNull()) {
        if (index >= 0)
            entries_.removeAt(index);
        return;
    }
    if (index < 0) {
        entries_.append(Entry());
        index = entries_.size() - 1;
    }
    Entry &entry = entries_[index];
    entry.key = key;
    entry.upperKey = upperKey;
    if (value.typeId() == QMetaType::Bool) {
        entry.tag = QStringLiteral("B");
        entry.text = value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    } else if (isDateKind(value)) {
        entry.tag = QStringLiteral("D");
        entry.text = value.toDateTime().toString(DateFormat);
    } else if (isFloatKind(value)) {
        entry.tag = QStringLiteral("F");
        entry.text = QString::number(value.toDouble(), 'g', 17);
    } else if (isIntegerKind(value)) {
        entry.tag = QStringLiteral("I");
        entry.text = QString::number(value.toInt());
    } else if (value.typeId() == QMetaType::QString) {
        entry.tag = QStringLiteral("S");
        entry.text = EscapeSettingText(value.toString());
    }
    // Other kinds keep the tag and text they had.
}

void SettingsStore::SortSettings()
{
    LoadSettings();
    QList<QByteArray> sortKeys;
    sortKeys.reserve(entries_.size());
    std::vector<qsizetype> order(size_t(entries_.size()));
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        sortKeys.append(entries_.at(i).upperKey.toUtf8());
        order[size_t(i)] = i;
    }
    // QByteArray compares bytes as unsigned values.
    std::stable_sort(order.begin(), order.end(),
                     [&sortKeys](qsizetype a, qsizetype b) { return sortKeys.at(a) < sortKeys.at(b); });
    QList<Entry> sorted;
    sorted.reserve(entries_.size());
    for (qsizetype index : order)
        sorted.append(entries_.at(index));
    entries_ = std::move(sorted);
}

QStringList SettingsStore::FormatSettingLines() const
{
    QStringList lines;
    QStringList stack; // upper-case component names
    for (const Entry &entry : entries_) {
        const QStringList components = entry.key.split(u'\\');
        const QStringList upperComponents = entry.upperKey.split(u'\\');
        // The longest run of stack names that begins the key.
        qsizetype matched = 0;
        while (matched < stack.size() && matched < upperComponents.size()
               && stack.at(matched) == upperComponents.at(matched))
            ++matched;
        stack.resize(matched);
        QStringList rest = components.mid(matched);
        if (rest.isEmpty())
            rest.append(QString());
        for (qsizetype i = 0; i + 1 < rest.size(); ++i) {
            lines.append(QString(stack.size(), u' ') + rest.at(i));
            stack.append(rest.at(i).toUpper());
        }
        lines.append(QString(stack.size(), u' ') + rest.last() + u'=' + entry.tag + u':' + entry.text);
        stack.append(rest.last().toUpper());
    }
    return lines;
}

void SettingsStore::SaveSettings()
{
    SortSettings();
    if (problem_.kind == platform::StoredFileProblem::Kind::Unreadable)
        return; // the user was told at start-up that this file stays as it is
    for (Entry &entry : entries_)
        entry.tag = entry.tag.left(1);
    const QStringList lines = FormatSettingLines();
    // A folder that cannot be made is named with the system's reason ("Read-only file system").
    try {
        MakeFolderPath(QFileInfo(fileName_).absolutePath());
    } catch (const FileError &error) {
        throw FileError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName_, error.message()));
    }
    WriteTextLines(fileName_, lines, utf8_ ? TextEncoding::Utf8 : TextEncoding::Cp932);
}

QString SettingsFilePath(const QString &programFolder, const QString &programName)
{
    const QString fileName = programName + QStringLiteral(".ini");
    if (IsPortableFolder(programFolder, programName) && QFileInfo(programFolder).isWritable())
        return programFolder + fileName;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/priomat/") + fileName;
}

SettingsStore &Settings()
{
    if (!current) {
        static SettingsStore fallback;
        if (fallback.fileName().isEmpty() && Appli)
            fallback.setFileName(SettingsFilePath(Appli->ProgramFolder, Appli->ProgramName));
        current = &fallback;
    }
    return *current;
}

void SetSettingsStore(SettingsStore *store)
{
    current = store;
}

QVariant ReadSetting(const QString &section, const QString &name, const QVariant &defaultValue)
{
    return Settings().ReadSetting(section, name, defaultValue);
}

void WriteSetting(const QString &section, const QString &name, const QVariant &value)
{
    Settings().WriteSetting(section, name, value);
}

void SaveSettings()
{
    Settings().SaveSettings();
}

void LoadSettings()
{
    Settings().LoadSettings();
}

void SortSettings()
{
    Settings().SortSettings();
}

namespace {

using platform::RegistryRoot;
using platform::RegistryValue;

// Date-times cross the registry as day counts from 1899-12-30, as on the platform they come from.
const QDateTime DateEpoch(QDate(1899, 12, 30), QTime(0, 0));

double dateToDays(const QDateTime &date)
{
    return double(DateEpoch.msecsTo(date)) / 86400000.0;
}

QDateTime daysToDate(double days)
{
    return DateEpoch.addMSecs(qint64(std::llround(days * 86400000.0)));
}

QByteArray doubleBytes(double value)
{
    QByteArray bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);
    return bytes;
}

double bytesDouble(const QByteArray &bytes)
{
    double value = 0;
    std::memcpy(&value, bytes.constData(), 8);
    return value;
}

platform::RegistryStore *registry()
{
    return platform::services().registry;
}

QVariant convertRegistryValue(const RegistryValue &stored, const QVariant &defaultValue)
{
    using Kind = RegistryValue::Kind;
    const int kind = defaultValue.typeId();
    if (isIntegerKind(defaultValue)) {
        if (stored.kind == Kind::Integer)
            return int(qint32(stored.integer));
        if (stored.kind == Kind::Binary && !stored.bytes.isEmpty() && stored.bytes.size() <= 8) {
            quint64 value = 0;
            for (const char byte : stored.bytes)
                value = (value << 8) | quint8(byte);
            return int(qint32(quint32(value)));
        }
        if (stored.kind == Kind::String) {
            if (const auto number = parseInt32(stored.text))
                return *number;
        }
        return {};
    }
    if (isFloatKind(defaultValue)) {
        if (stored.kind == Kind::Binary && stored.bytes.size() == 8)
            return bytesDouble(stored.bytes);
        if (stored.kind == Kind::String) {
            if (const auto number = parseDouble(stored.text))
                return *number;
        }
        return {};
    }
    if (isDateKind(defaultValue)) {
        if (stored.kind == Kind::Binary && stored.bytes.size() == 8)
            return daysToDate(bytesDouble(stored.bytes));
        if (stored.kind == Kind::String) {
            const QDateTime date = QDateTime::fromString(stored.text, DateFormat);
            if (date.isValid())
                return date;
        }
        return {};
    }
    if (kind == QMetaType::Bool) {
        if (stored.kind == Kind::Integer)
            return stored.integer != 0;
        if (stored.kind == Kind::String)
            return !(stored.text == u"0" || stored.text.compare(u"FALSE", Qt::CaseInsensitive) == 0);
        return {};
    }
    if (kind == QMetaType::UChar) {
        if (stored.kind == Kind::Binary && stored.bytes.size() == 1)
            return int(quint8(stored.bytes.at(0)));
        return {};
    }
    if (kind == QMetaType::QString) {
        if (stored.kind == Kind::String)
            return stored.text;
        return {};
    }
    if (kind == QMetaType::QByteArray) {
        if (stored.kind == Kind::Binary)
            return stored.bytes;
        return {};
    }
    return {};
}

} // namespace

RegistryPath SplitRegistryPath(const QString &path)
{
    RegistryPath result;
    if (!path.startsWith(u'\\')) {
        const QString maker = Appli ? Appli->MakerKey : QStringLiteral("Quorrel Lab");
        const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");
        result.root = RegistryRoot::CurrentUser;
        result.subkey = QStringLiteral("Software\\") + maker + u'\\' + product + u'\\' + path;
        result.ok = true;
        return result;
    }
    const QString rest = path.mid(1);
    const qsizetype slash = rest.indexOf(u'\\');
    const QString rootName = (slash < 0 ? rest : rest.left(slash)).toUpper();
    result.subkey = slash < 0 ? QString() : rest.mid(slash + 1);
    const qsizetype index = platform::registryRootNames().indexOf(rootName);
    if (index < 0)
        return result;
    result.root = RegistryRoot(index);
    result.ok = true;
    return result;
}

QVariant ReadRegistryValue(const QString &path, const QString &name, const QVariant &defaultValue)
{
    const RegistryPath split = SplitRegistryPath(path);
    if (!split.ok)
        return {};
    const auto stored = registry()->value(split.root, split.subkey, name);
    if (!stored)
        return defaultValue;
    const QVariant converted = convertRegistryValue(*stored, defaultValue);
    return converted.isValid() ? converted : defaultValue;
}

bool WriteRegistryValue(const QString &path, const QString &name, const QVariant &value)
{
    const RegistryPath split = SplitRegistryPath(path);
    if (!split.ok)
        return true;
    platform::RegistryStore *store = registry();
    if (!value.isValid() || value.isNull()) {
        if (!store->createKey(split.root, split.subkey))
            return false;
        QString child = split.subkey;
        if (!child.isEmpty() && !child.endsWith(u'\\'))
            child += u'\\';
        store->deleteKey(split.root, child + name);
        return true;
    }
    std::optional<RegistryValue> stored;
    if (value.typeId() == QMetaType::Bool)
        stored = RegistryValue::fromInteger(value.toBool() ? 1 : 0);
    else if (isIntegerKind(value))
        stored = RegistryValue::fromInteger(quint32(value.toInt()));
    else if (isFloatKind(value))
        stored = RegistryValue::fromBinary(doubleBytes(value.toDouble()));
    else if (isDateKind(value))
        stored = RegistryValue::fromBinary(doubleBytes(dateToDays(value.toDateTime())));
    else if (value.typeId() == QMetaType::UChar)
        stored = RegistryValue::fromBinary(QByteArray(1, char(value.value<uchar>())));
    else if (value.typeId() == QMetaType::QString)
        stored = RegistryValue::fromString(value.toString());
    if (!stored)
        return store->createKey(split.root, split.subkey); // other kinds write nothing
    return store->setValue(split.root, split.subkey, name, *stored);
}

void DeleteRegistryKey(const QString &path)
{
    const RegistryPath split = SplitRegistryPath(path);
    if (!split.ok)
        return;
    QString subkey = split.subkey;
    if (subkey.endsWith(u'\\'))
        subkey.chop(1);
    registry()->deleteKey(split.root, subkey);
}

} // namespace priomat
