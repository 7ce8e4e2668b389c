#include "platform/HelpViewer.h"

#include <QDesktopServices>

namespace priomat::platform {

QUrl helpUrl(const QString &htmlFile, int context)
{
    QUrl url = QUrl::fromLocalFile(htmlFile);
    url.setFragment(QStringLiteral("context-%1").arg(context));
    return url;
}

bool DesktopHelpViewer::open(const QString &htmlFile, int context)
{
    return QDesktopServices::openUrl(helpUrl(htmlFile, context));
}

} // namespace priomat::platform
