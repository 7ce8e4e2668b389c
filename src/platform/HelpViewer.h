// Opening the HTML manual at the section of a help context.
#pragma once

#include <QString>
#include <QUrl>

namespace priomat::platform {

class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // False when no viewer could be started.
    virtual bool open(const QString &htmlFile, int context) = 0;
};

// file:///…/priomat.html#context-N
QUrl helpUrl(const QString &htmlFile, int context);

// Opens the page in the desktop's browser.
class DesktopHelpViewer : public HelpViewer
{
public:
    bool open(const QString &htmlFile, int context) override;
};

} // namespace priomat::platform
