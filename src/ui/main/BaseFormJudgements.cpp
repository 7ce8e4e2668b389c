// The main window's part of clearing judgements (Delete, Backspace and the grid's context menu)
// and the panel's notice of repeated names and of judgements shared after a rename.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "document/DocumentSession.h"
#include "ui/main/MatrixGrid.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace priomat {

void TBaseForm::buildJudgementControls()
{
    MatrixNotice = new QLabel(ComparisonPanel);
    MatrixNotice->setObjectName(QStringLiteral("MatrixNotice"));
    MatrixNotice->setWordWrap(true);
    MatrixNotice->setTextFormat(Qt::PlainText);
    MatrixNotice->setMargin(3);
    // Dark text on a pale yellow, readable whatever the panel's colours.
    MatrixNotice->setStyleSheet(QStringLiteral("QLabel { background: #FFF3B0; color: #202020; border: 1px solid #C8A800; }"));
    MatrixNotice->hide();
    if (auto *layout = qobject_cast<QBoxLayout *>(ComparisonPanel->layout()))
        layout->insertWidget(layout->indexOf(MatrixGrid), MatrixNotice);

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

void TBaseForm::showMatrixNotice()
{
    const bool ja = UiJapanese();
    QStringList lines;
    const ShownMatrix &shown = session_->shownMatrix();
    if (!shown.repeatedNames.isEmpty() && shown.node == session_->currentNode()) {
        // Each name with the letters of its rows, as the grid labels them.
        QStringList named;
        for (const QString &name : shown.repeatedNames) {
            QStringList letters;
            for (qsizetype i = 0; i < shown.items.names.size(); ++i) {
                if (shown.items.names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                    letters.append(QString(QChar(char16_t(65 + i))));
            }
            const QString rows = u'(' + letters.join(QStringLiteral(", ")) + u')';
            named.append(ja ? u'「' + name + QStringLiteral("」") + rows : u'"' + name + QStringLiteral("\" ") + rows);
        }
        const QString names = named.join(ja ? QStringLiteral("、") : QStringLiteral(", "));
        lines.append(ja ? QStringLiteral("同じ名前が複数あります: %1。これらの行と列は同じ一対比較を読むため区別できません。").arg(names)
                        : QStringLiteral("Repeated names in this matrix: %1. Their rows and columns read the same judgements and cannot be told apart.").arg(names));
    }
    const QString notice = session_->renameNotice();
    if (!notice.isEmpty())
        lines.append(notice);
    MatrixNotice->setText(lines.join(u'\n'));
    MatrixNotice->setVisible(!lines.isEmpty());
}

} // namespace priomat
