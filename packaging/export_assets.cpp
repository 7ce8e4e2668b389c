// Writes the files an installation needs beside the programs: the icon at every size, the MIME
// package and the desktop entry, from the same code the program uses at run time.
#include "ui/windows/AppIcon.h"
#include "setup/DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

using namespace priomat;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: priomat-export-assets OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = out + QStringLiteral("/icons/hicolor/%1x%1/apps").arg(size);
        if (!QDir().mkpath(folder) || !ApplicationImage(size).save(folder + QStringLiteral("/priomat.png")))
            return 1;
    }
    // Installed entries start the program from PATH; a started program rewrites the user's own
    // entry with its full path.
    if (!QDir().mkpath(out + QStringLiteral("/mime/packages")) || !QDir().mkpath(out + QStringLiteral("/applications")))
        return 1;
    if (!writeFile(out + QStringLiteral("/mime/packages/priomat.xml"), desktop::MimePackageText()))
        return 1;
    if (!writeFile(out + QStringLiteral("/applications/priomat.desktop"), desktop::DesktopEntryText(QStringLiteral("priomat"))))
        return 1;
    return 0;
}
