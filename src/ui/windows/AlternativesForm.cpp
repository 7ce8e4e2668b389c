#include "AlternativesForm.h"

#include "Appli.h"
#include "Placement.h"

#include <QCloseEvent>

namespace priomat {

TAlternativesForm *AlternativesForm = nullptr;

TAlternativesForm::TAlternativesForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("AlternativesForm"));
    const bool japanese = !Appli || Appli->Japanese;
    const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");
    setWindowTitle((japanese ? QStringLiteral("代替案 / ") : QStringLiteral("Alternatives / ")) + product);
    setGeometry(18, 391, 245, 169);
    RestoreWindowPlacement(this, QStringLiteral("AlternativesForm"));
}

void TAlternativesForm::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(this, QStringLiteral("AlternativesForm"));
    QWidget::closeEvent(event);
}

} // namespace priomat
