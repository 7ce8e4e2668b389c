// Keeps the desktop's database updaters from running while a test builds the main window.
#pragma once

#include "setup/DesktopAssociation.h"

namespace priomat::test {

class NoDesktopHelpers : public desktop::HelperRunner
{
public:
    NoDesktopHelpers() { desktop::setHelperRunner(this); }
    ~NoDesktopHelpers() override { desktop::setHelperRunner(nullptr); }
    QString find(const QString &) const override { return {}; }
    void run(const QString &, const QStringList &) override {}
};

} // namespace priomat::test
