// The main window's part of the consistency advisor: the Tool menu commands, the button beside
// the index, and the completion of missing judgements.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/Placement.h"
#include "model/FloatFormat.h"
#include "platform/MessageBox.h"
#include "ui/windows/AdvisorForm.h"
#include "ui/windows/CompletionForm.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <new>

namespace priomat {

namespace {

// The box layout, at any depth below `layout`, that holds `widget` itself.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget)
{
    if (!layout)
        return nullptr;
    auto *box = qobject_cast<QBoxLayout *>(layout);
    if (box && box->indexOf(widget) >= 0)
        return box;
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout *found = boxHolding(layout->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

} // namespace

void TBaseForm::buildAdvisorControls()
{
    MenuAdvisor = MenuTool->addAction(QStringLiteral("整合性アドバイザ (&Advisor)"));
    MenuAdvisor->setObjectName(QStringLiteral("MenuAdvisor"));
    MenuComplete = MenuTool->addAction(QStringLiteral("入力済みの値から補完 (Complete from &entered)"));
    MenuComplete->setObjectName(QStringLiteral("MenuComplete"));
    connect(MenuAdvisor, &QAction::triggered, this, &TBaseForm::MenuAdvisorClick);
    connect(MenuComplete, &QAction::triggered, this, &TBaseForm::MenuCompleteClick);

    // The button shares the index's line.
    AdvisorButton = new QPushButton(QStringLiteral("アドバイザ..."), ComparisonPanel);
    AdvisorButton->setObjectName(QStringLiteral("AdvisorButton"));
    AdvisorButton->setFocusPolicy(Qt::NoFocus);
    AdvisorButton->hide();
    ConsistencyRatio = new QLabel(ComparisonPanel);
    ConsistencyRatio->setObjectName(QStringLiteral("ConsistencyRatio"));
    ConsistencyRatio->setContentsMargins(4, 0, 4, 0);
    ConsistencyRatio->hide();
    if (QBoxLayout *holder = boxHolding(ComparisonPanel->layout(), ConsistencyEdit)) {
        const int index = holder->indexOf(ConsistencyEdit);
        holder->removeWidget(ConsistencyEdit);
        auto *row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(ConsistencyEdit, 1);
        row->addWidget(ConsistencyRatio);
        row->addWidget(AdvisorButton);
        holder->insertLayout(index, row);
    } else if (ComparisonPanel->layout()) {
        ComparisonPanel->layout()->addWidget(ConsistencyRatio);
        ComparisonPanel->layout()->addWidget(AdvisorButton);
    }
    connect(AdvisorButton, &QPushButton::clicked, this, &TBaseForm::MenuAdvisorClick);
    connect(session_, &DocumentSession::currentNodeChanged, this, &TBaseForm::updateAdvisorControls);
}

void TBaseForm::applyAdvisorEnglishTexts()
{
    // Not the caption LocalizeMenu derives from the Japanese one.
    MenuAdvisor->setText(QStringLiteral("Consistency &advisor"));
    MenuComplete->setText(QStringLiteral("Complete from &entered"));
    AdvisorButton->setText(QStringLiteral("Advisor..."));
}

void TBaseForm::updateAdvisorControls()
{
    const ShownMatrix &shown = session_->shownMatrix();
    const bool matrix = selectedNode() && shown.size() >= 2 && shown.size() <= DocumentSession::GridLimit;
    MenuAdvisor->setEnabled(matrix);
    MenuComplete->setEnabled(matrix && session_->hasDashes());
    AdvisorButton->setVisible(matrix && shown.computed && shown.consistencyIndex > 0.1);
}

void TBaseForm::showConsistencyRatio(std::optional<double> ratio, int size)
{
    if (size < 2) {
        ConsistencyRatio->hide();
        return;
    }
    const bool japanese = UiJapanese();
    const RandomIndex ri = RandomIndexFor(size);
    QFont font = ConsistencyRatio->font();
    font.setBold(ratio && *ratio > 0.1);
    ConsistencyRatio->setFont(font);
    if (!ratio || ri.table == RandomIndexTable::None) {
        // Two items are always consistent: RI(2) is 0 and the ratio is not defined.
        ConsistencyRatio->setText(QStringLiteral("CR \u2013"));
        ConsistencyRatio->setToolTip(japanese ? QStringLiteral("整合比 CR は 3 項目以上のマトリックスで定義されます。")
                                              : QStringLiteral("The consistency ratio CR is defined for three or more items."));
    } else {
        ConsistencyRatio->setText(QStringLiteral("CR ") + QString::number(*ratio, 'f', 2));
        const QString ci = FormatFloat(session_->shownMatrix().consistencyIndex);
        const QString riText = QString::number(ri.value, 'g', 4);
        ConsistencyRatio->setToolTip(
            japanese ? QStringLiteral("整合比 CR = CI / RI(%1) = %2 / %3（%4）。CR ≤ 0.1 なら合格（Saaty の基準）。")
                           .arg(size).arg(ci, riText, RandomIndexTableName(ri.table, true))
                     : QStringLiteral("Consistency ratio CR = CI / RI(%1) = %2 / %3 (%4). Acceptable when CR ≤ 0.1 (Saaty's rule).")
                           .arg(size).arg(ci, riText, RandomIndexTableName(ri.table, false)));
    }
    ConsistencyRatio->show();
}

void TBaseForm::MenuAdvisorClick()
{
    try {
        TAdvisorForm dialog(*session_, UiJapanese(), this);
        KeepInWorkAreaWhenShown(&dialog);
        if (advisorDialogRunner)
            advisorDialogRunner(dialog);
        else
            dialog.exec();
    } catch (const std::bad_alloc &) {
        showError(UiJapanese() ? QStringLiteral("メモリが足りません。") : QStringLiteral("Out of memory."));
    }
}

void TBaseForm::MenuCompleteClick()
{
    const bool japanese = UiJapanese();
    try {
        const DocumentSession::CompletionPreview preview = session_->previewCompletion();
        const Completion &completion = preview.completion;
        QString message;
        if (!completion.computed)
            message = AdvisorFailureText(completion.unreadable, completion.tooManyItems, completion.error, japanese);
        else if (completion.groups.size() > 1)
            message = DisconnectedGroupsText(completion.groups, japanese);
        if (!message.isEmpty()) {
            ShowMessageBox(message, QStringLiteral("Warning"), platform::MB_OK | platform::MB_ICONWARNING);
            return;
        }
        if (completion.cells.empty())
            return;
        TCompletionForm dialog(*session_, preview, japanese, this);
        KeepInWorkAreaWhenShown(&dialog);
        const int answer = completionDialogRunner ? completionDialogRunner(dialog) : dialog.exec();
        if (answer == QDialog::Accepted)
            session_->applyCompletion(completion);
    } catch (const std::bad_alloc &) {
        showError(japanese ? QStringLiteral("メモリが足りません。") : QStringLiteral("Out of memory."));
    }
}

} // namespace priomat
