// Points HOME and the XDG folders at a temporary folder, so no test touches the real user's files.
#pragma once

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace priomat::test {

struct TestEnvironment
{
    TestEnvironment()
    {
        QDir(root.path()).mkpath("home/.config");
        QDir(root.path()).mkpath("home/.local/share");
        QDir(root.path()).mkpath("home/.cache");
        qputenv("HOME", home().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home() + "/.config").toUtf8());
        qputenv("XDG_DATA_HOME", (home() + "/.local/share").toUtf8());
        qputenv("XDG_CACHE_HOME", (home() + "/.cache").toUtf8());
    }

    QString home() const { return root.path() + "/home"; }
    QString path(const QString &relative) const { return root.path() + '/' + relative; }

    QTemporaryDir root;
};

} // namespace priomat::test
