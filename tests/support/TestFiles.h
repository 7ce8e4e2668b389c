// Whole-file reads and writes for tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace priomat::test {

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Test data that cannot be written makes every later check meaningless: stop at once.
inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
}

} // namespace priomat::test
