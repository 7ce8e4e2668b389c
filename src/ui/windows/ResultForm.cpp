#include "ResultForm.h"

#include "Appli.h"
#include "Placement.h"

#include <QCloseEvent>

namespace priomat {

TResultForm *ResultForm = nullptr;

TResultForm::TResultForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ResultForm"));
    const bool japanese = !Appli || Appli->Japanese;
    const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");
    setWindowTitle((japanese ? QStringLiteral("結果 / ") : QStringLiteral("Result / ")) + product);
    setGeometry(18, 562, 272, 169);
    RestoreWindowPlacement(this, QStringLiteral("ResultForm"));
}

void TResultForm::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(this, QStringLiteral("ResultForm"));
    QWidget::closeEvent(event);
}

} // namespace priomat
