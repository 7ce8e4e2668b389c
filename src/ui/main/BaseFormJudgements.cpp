// The main window's part of clearing judgements: Delete, Backspace and the grid's context menu.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "document/DocumentSession.h"
#include "ui/main/MatrixGrid.h"

#include <QLineEdit>
#include <QMenu>

namespace priomat {

void TBaseForm::buildJudgementControls()
{
    MatrixPopup = new QMenu(MatrixGrid);
    MatrixPopup->setObjectName(QStringLiteral("MatrixPopup"));
    MenuClearEntry = MatrixPopup->addAction(QStringLiteral("未入力に戻す (&Clear)"));
    MenuClearEntry->setObjectName(QStringLiteral("MenuClearEntry"));
    if (!UiJapanese())
        LocalizeMenu(MatrixPopup);
    connect(MenuClearEntry, &QAction::triggered, this, &TBaseForm::MenuClearEntryClick);

    MatrixGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MatrixGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        const QModelIndex index = MatrixGrid->indexAt(position);
        if (!index.isValid() || !isMatrixCell(index.column(), index.row()))
            return;
        MatrixGrid->setCurrentCell(index.row(), index.column());
        const bool entered = session_->cellText(index.row() - 1, index.column() - 1) != QStringLiteral("-")
                             || (inverseOption() && session_->cellText(index.column() - 1, index.row() - 1) != QStringLiteral("-"));
        MenuClearEntry->setEnabled(entered);
        MatrixPopup->popup(MatrixGrid->viewport()->mapToGlobal(position));
    });
    connect(MatrixGrid, &TMatrixGrid::clearRequested, this, [this](int column, int row) {
        if (isMatrixCell(column, row))
            session_->clearEntry(column, row);
    });
    // Enter in the caption field ends the rename, as leaving the field does.
    connect(CaptionEdit, &QLineEdit::returnPressed, this, [this] { session_->endTyping(); });
}

void TBaseForm::MenuClearEntryClick()
{
    const int column = MatrixGrid->currentColumn();
    const int row = MatrixGrid->currentRow();
    if (isMatrixCell(column, row))
        session_->clearEntry(column, row);
}

} // namespace priomat
