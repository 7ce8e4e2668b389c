#include "ui/windows/AccessibleRoles.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QMainWindow>

namespace priomat {

namespace {

QAccessibleInterface *windowRole(const QString &, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    // Dialogs and main windows have Qt's own interfaces; menus, tips and popups are no frames.
    if (widget->windowType() != Qt::Window || qobject_cast<QDialog *>(widget) || qobject_cast<QMainWindow *>(widget))
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void InstallAccessibleRoles()
{
    QAccessible::installFactory(windowRole);
}

} // namespace priomat
