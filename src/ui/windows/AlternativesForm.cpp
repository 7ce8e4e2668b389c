#include "ui/windows/AlternativesForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/Placement.h"
#include "ui/windows/PlainTextField.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace priomat {

TAlternativesForm *AlternativesForm = nullptr;

TAlternativesForm::TAlternativesForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("AlternativesForm"));
    const bool japanese = UiJapanese();
    const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");

    AlternativesLabel = new QLabel(QStringLiteral("一行に１個ずつ代替案を列挙"), this);
    AlternativesLabel->setObjectName(QStringLiteral("AlternativesLabel"));
    AlternativesMemo = new PlainTextField(this);
    AlternativesMemo->setObjectName(QStringLiteral("AlternativesMemo"));
    AlternativesMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    AlternativesMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    AlternativesLabel->setBuddy(AlternativesMemo); // its name for assistive technology
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(AlternativesLabel);
    layout->addWidget(AlternativesMemo, 1);

    if (japanese) {
        setWindowTitle(QStringLiteral("代替案 / ") + product);
    } else {
        setWindowTitle(QStringLiteral("Alternatives / ") + product);
        AlternativesLabel->setText(QStringLiteral("Enumerate Alternatives, one on every line"));
    }
    setGeometry(18, 391, 245, 169);
    if (!HasStoredPlacement(QStringLiteral("AlternativesForm"))) {
        // The label in full and a dozen lines.
        resize(std::max(width(), AlternativesLabel->sizeHint().width() + 8),
               std::max(height(), AlternativesLabel->sizeHint().height()
                                      + AlternativesMemo->fontMetrics().lineSpacing() * 12 + 12));
    }
    RestoreWindowPlacement(this, QStringLiteral("AlternativesForm"));
    KeepInWorkAreaWhenShown(this);
}

void TAlternativesForm::closeEvent(QCloseEvent *event)
{
    SaveWindowPlacement(this, QStringLiteral("AlternativesForm"));
    QWidget::closeEvent(event);
}

} // namespace priomat
