// A program that the system's package manager installed.
#include "setup/PackageInstall.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>

namespace priomat {

QString OwningPackage(const QString &programFile, const QString &dpkgInfo)
{
    if (programFile.isEmpty())
        return {};
    // Only this program's own package is looked at: reading every package's list would cost
    // far more than the start can spare.
    const QStringList lists = QDir(dpkgInfo).entryList(
        {QStringLiteral("priomat.list"), QStringLiteral("priomat:*.list")}, QDir::Files);
    const QByteArray wanted = QFile::encodeName(programFile);
    for (const QString &name : lists) {
        QFile list(dpkgInfo + u'/' + name);
        if (!list.open(QIODevice::ReadOnly))
            continue;
        while (!list.atEnd()) {
            if (list.readLine().trimmed() == wanted)
                return name.left(name.lastIndexOf(u'.')).section(u':', 0, 0);
        }
    }
    return {};
}

UninstallMessage PackageManagerMessage(const QString &product, const QString &package, bool japanese)
{
    const unsigned flags = platform::MB_OK | platform::MB_ICONINFORMATION;
    const QString command = QStringLiteral("sudo apt remove ") + package;
    if (japanese)
        return {product + QStringLiteral(" はパッケージマネージャーでインストールされています。\r\n"
                                         "削除するには、端末で次のコマンドを実行してください。\r\n\r\n")
                    + command,
                QStringLiteral("アンインストール"), flags};
    return {product + QStringLiteral(" was installed by the package manager.\r\n"
                                     "To remove it, run this command in a terminal:\r\n\r\n")
                + command,
            QStringLiteral("Uninstall"), flags};
}

} // namespace priomat
