// A program that the system's package manager installed: it is removed with that, not by
// itself.
#pragma once

#include "setup/Uninstaller.h"

#include <QString>

namespace priomat {

// The name of the Debian package whose file list (in `dpkgInfo`, dpkg's database) names
// `programFile`; empty when none does.
QString OwningPackage(const QString &programFile,
                      const QString &dpkgInfo = QStringLiteral("/var/lib/dpkg/info"));

// Says that `product` came with the package manager and how to remove `package`; OK only.
UninstallMessage PackageManagerMessage(const QString &product, const QString &package, bool japanese);

} // namespace priomat
