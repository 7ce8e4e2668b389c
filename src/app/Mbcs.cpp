#include "app/Mbcs.h"

#include <QDir>
#include <QFileInfo>

#include <climits>

namespace priomat {

namespace {

int characterSize(const QByteArray &text, qsizetype at)
{
    return isShiftJisLeadByte(static_cast<unsigned char>(text.at(at))) && at + 1 < text.size() ? 2 : 1;
}

} // namespace

int MbcsPos(const QByteArray &sub, const QByteArray &text)
{
    if (sub.isEmpty())
        return 0;
    int index = 1;
    for (qsizetype at = 0; at < text.size(); at += characterSize(text, at), ++index) {
        if (QByteArrayView(text).sliced(at).startsWith(sub))
            return index;
    }
    return 0;
}

QByteArray MbcsCopy(const QByteArray &text, int start, int count)
{
    if (start < 1 || count == 0)
        return {};
    qsizetype at = 0;
    for (int index = 1; index < start; ++index) {
        if (at >= text.size())
            return {};
        at += characterSize(text, at);
    }
    if (at >= text.size())
        return {};
    if (count < 0 || count == INT_MAX)
        return text.mid(at);
    qsizetype end = at;
    for (int taken = 0; taken < count && end < text.size(); ++taken)
        end += characterSize(text, end);
    return text.mid(at, end - at);
}

int MbcsLength(const QByteArray &text)
{
    int count = 0;
    for (qsizetype at = 0; at < text.size(); at += characterSize(text, at))
        ++count;
    return count;
}

namespace {

// The stored name of `component` inside `folder`: an exact match first, else the first entry
// that matches without regard to letter case. Empty when there is none.
QString storedName(const QString &folder, const QString &component)
{
    if (component == u"." || component == u"..")
        return QFileInfo::exists(folder + component) ? component : QString();
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(component)))
        return component;
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (entry.compare(component, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

// Shared walk of both path functions; `lookUp` gives a component's name in a folder or empty.
template <typename LookUp>
QString walkPath(const QString &path, LookUp lookUp)
{
    const qsizetype firstSlash = path.indexOf(u'/');
    if (firstSlash < 0)
        return {};
    QString result = path.left(firstSlash + 1);
    const QStringList parts = path.mid(firstSlash + 1).split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString name = lookUp(result, parts.at(i));
        if (name.isEmpty())
            break;
        const QFileInfo info(result + name);
        const bool last = i + 1 == parts.size();
        if (!last && !info.isDir())
            break;
        result += name;
        if (info.isDir())
            result += u'/';
    }
    return result;
}

} // namespace

QString LongPathName(const QString &path)
{
    return walkPath(path, storedName);
}

QString ShortPathName(const QString &path)
{
    return walkPath(path, [](const QString &folder, const QString &component) {
        return QFileInfo::exists(folder + component) ? component : QString();
    });
}

QString WindowsFolder()
{
    QString folder = QDir::tempPath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

} // namespace priomat
