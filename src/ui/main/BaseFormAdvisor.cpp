// The main window's part of the consistency advisor: the Tool menu commands, the button beside
// the index (built by the comparison panel), and the completion of missing judgements.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/Placement.h"
#include "platform/MessageBox.h"
#include "ui/windows/AdvisorForm.h"
#include "ui/windows/CompletionForm.h"

#include <QMenu>
#include <QPushButton>

#include <new>

namespace priomat {

void TBaseForm::buildAdvisorControls()
{
    MenuAdvisor = MenuTool->addAction(QStringLiteral("整合性アドバイザ (&Advisor)"));
    MenuAdvisor->setObjectName(QStringLiteral("MenuAdvisor"));
    MenuComplete = MenuTool->addAction(QStringLiteral("入力済みの値から補完 (Complete from &entered)"));
    MenuComplete->setObjectName(QStringLiteral("MenuComplete"));
    connect(MenuAdvisor, &QAction::triggered, this, &TBaseForm::MenuAdvisorClick);
    connect(MenuComplete, &QAction::triggered, this, &TBaseForm::MenuCompleteClick);

    connect(AdvisorButton, &QPushButton::clicked, this, &TBaseForm::MenuAdvisorClick);
    connect(session_, &DocumentSession::currentNodeChanged, this, &TBaseForm::updateAdvisorControls);
}

void TBaseForm::updateAdvisorControls()
{
    const ShownMatrix &shown = session_->shownMatrix();
    const bool matrix = selectedNode() && shown.size() >= 2 && shown.size() <= DocumentSession::GridLimit;
    MenuAdvisor->setEnabled(matrix);
    MenuComplete->setEnabled(matrix && session_->hasDashes());
    AdvisorButton->setVisible(matrix && shown.computed && shown.consistencyIndex > 0.1);
}

void TBaseForm::MenuAdvisorClick()
{
    try {
        TAdvisorForm dialog(*session_, UiJapanese(), this);
        KeepInWorkAreaWhenShown(&dialog);
        dialogs_->runAdvisor(dialog);
    } catch (const std::bad_alloc &) {
        showError(UiText(QStringLiteral("メモリが足りません。"), QStringLiteral("Out of memory.")));
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
        const int answer = dialogs_->runCompletion(dialog);
        if (answer == QDialog::Accepted)
            session_->applyCompletion(completion);
    } catch (const std::bad_alloc &) {
        showError(UiText(QStringLiteral("メモリが足りません。"), QStringLiteral("Out of memory.")));
    }
}

} // namespace priomat
