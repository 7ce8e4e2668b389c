// The main window's part of the other windows: the alternatives text it keeps in step with the
// document, and the Window menu that shows, raises and hides the alternatives, result and
// history windows.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/Placement.h"
#include "model/TextRules.h"
#include "ui/windows/AlternativesForm.h"
#include "ui/windows/ResultForm.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QUndoView>
#include <QVBoxLayout>

namespace priomat {

void TBaseForm::showAlternativesText()
{
    if (!alternativesWindow_)
        return;
    const QString text = session_->document().alternativesLines.join(u'\n');
    QPlainTextEdit *memo = alternativesWindow_->AlternativesMemo;
    if (splitTextLines(memo->toPlainText()) == session_->document().alternativesLines)
        return; // the user's own typing: the text and its cursor stay
    updatingMemo_ = true;
    memo->setPlainText(text);
    updatingMemo_ = false;
}

void TBaseForm::AlternativesMemoChange()
{
    if (updatingMemo_ || !alternativesWindow_)
        return;
    session_->setAlternativesText(alternativesWindow_->AlternativesMemo->toPlainText());
}

void TBaseForm::MenuWindowClick()
{
    MenuAlternatives->setChecked(alternativesWindow_ && alternativesWindow_->isVisible());
    MenuResult->setChecked(resultWindow_ && resultWindow_->isVisible());
    MenuHistory->setChecked(historyWindow_ && historyWindow_->isVisible());
}

void TBaseForm::MenuAlternativesClick()
{
    toggleAuxiliaryWindow(MenuAlternatives, alternativesWindow_, QStringLiteral("AlternativesForm"), 0);
}

void TBaseForm::MenuResultClick()
{
    toggleAuxiliaryWindow(MenuResult, resultWindow_, QStringLiteral("ResultForm"), 1);
}

void TBaseForm::toggleAuxiliaryWindow(QAction *item, QWidget *window, const QString &section, int cascade)
{
    if (!window)
        return;
    // A window of this one's own is kept above it by the desktop: it is never behind.
    const bool ownWindow = window->parentWidget() == this;
    if (!item->isChecked() && !ownWindow && ActivationOrder::instance().isBehind(window, this)) {
        // Shown but out of sight behind this window: brought forward, not hidden.
        item->setChecked(true);
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
        return;
    }
    if (!item->isChecked()) {
        window->hide();
        return;
    }
    if (!window->isVisible() && !section.isEmpty() && !HasStoredPlacement(section) && !placedBeside_.contains(window)) {
        // The first opening without a stored place: beside this window, cascaded; the work
        // area keeps it in sight.
        placedBeside_.insert(window);
        const QRect outer = frameGeometry();
        window->move(outer.right() + 8, geometry().top() + cascade * 32);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void TBaseForm::MenuHistoryClick()
{
    if (!historyWindow_) {
        historyWindow_ = new QWidget(this, Qt::Window);
        historyWindow_->setObjectName(QStringLiteral("HistoryForm"));
        historyWindow_->setWindowTitle(UiText(QStringLiteral("履歴"), QStringLiteral("History")) + QStringLiteral(" / ")
                                       + (Appli ? Appli->ProductName : QStringLiteral("Priomat")));
        auto *layout = new QVBoxLayout(historyWindow_);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *view = new QUndoView(session_->undoStack(), historyWindow_);
        view->setObjectName(QStringLiteral("HistoryView"));
        view->setEmptyLabel(UiText(QStringLiteral("<開いた状態>"), QStringLiteral("<as opened>")));
        layout->addWidget(view);
        historyWindow_->setGeometry(QRect(frameGeometry().topRight() + QPoint(8, 64), QSize(260, 300)));
        KeepInWorkAreaWhenShown(historyWindow_);
    }
    toggleAuxiliaryWindow(MenuHistory, historyWindow_, QString(), 2);
}

} // namespace priomat
