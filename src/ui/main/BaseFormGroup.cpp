// The main window's part of group decisions: the blank copy handed out to the participants, and
// the pair-by-pair walk through every pair a participant has not answered yet.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/DialogFolder.h"
#include "platform/MessageBox.h"
#include "model/ComparisonMatrix.h"
#include "model/ComputationError.h"
#include "ui/main/CompareForm.h"
#include "ui/main/MatrixGrid.h"
#include "ui/windows/GroupForm.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <new>
#include <vector>

namespace priomat {

namespace {

// One pair not yet entered: neither of its two cells holds a value.
struct OpenPair
{
    RequirementNode *node;
    int row; // 0-based, row < column
    int column;
};

// Requirement matrices in tree order, then every leaf's alternatives.
std::vector<OpenPair> openPairs(const Document &document)
{
    std::vector<OpenPair> pairs;
    for (const bool leaves : {false, true}) {
        document.tree.forEachPreOrder([&](RequirementNode *node, int) {
            if (node->hasChildren() == leaves)
                return;
            const MatrixItems items = ItemsUnder(document, node);
            const int n = int(items.names.size());
            if (n < 2 || n > DocumentSession::GridLimit)
                return;
            const ComparisonMatrix matrix = ComparisonMatrix::of(document, items);
            std::vector<const QString *> upper;
            for (int i = 0; i < n; ++i) {
                matrix.rowEntries(i, upper);
                for (int j = i + 1; j < n; ++j) {
                    if (!upper[size_t(j)] && !matrix.entry(j, i))
                        pairs.push_back({node, i, j});
                }
            }
        });
    }
    return pairs;
}

} // namespace

void TBaseForm::buildGroupControls()
{
    MenuBlankCopy = new QAction(QStringLiteral("参加者用の白紙コピー (&Blank copy for participants) ..."), MenuFile);
    MenuBlankCopy->setObjectName(QStringLiteral("MenuBlankCopy"));
    MenuFile->insertAction(MenuExit, MenuBlankCopy);
    MenuFile->insertSeparator(MenuExit);
    BlankCopyDialog = {QStringLiteral("AHP files (*.AHP *.ahp);;All files (*)"), QStringLiteral("ahp"), true, false,
                       QString()};
    connect(MenuBlankCopy, &QAction::triggered, this, &TBaseForm::MenuBlankCopyClick);

    MenuPairByPair = MenuTool->addAction(QStringLiteral("一対ずつ比較 (&Pair by pair)"));
    MenuPairByPair->setObjectName(QStringLiteral("MenuPairByPair"));
    connect(MenuPairByPair, &QAction::triggered, this, &TBaseForm::MenuPairByPairClick);

    MenuGroup = new QAction(QStringLiteral("グループ (&Group)"), MenuWindow);
    MenuGroup->setObjectName(QStringLiteral("MenuGroup"));
    MenuWindow->insertAction(MenuEstablishmentSeparator, MenuGroup);
    connect(MenuGroup, &QAction::triggered, this, &TBaseForm::MenuGroupClick);
}

void TBaseForm::MenuGroupClick()
{
    if (!groupWindow_) {
        groupWindow_ = new TGroupForm(UiJapanese(), this);
        groupWindow_->openCombined = [this](Document &combined) {
            if (!QuerySaveModified())
                return;
            TreePanel->rememberSelection();
            session_->adoptDocument(std::move(combined));
            raise();
            activateWindow();
        };
    }
    groupWindow_->show();
    groupWindow_->raise();
    groupWindow_->activateWindow();
}

void TBaseForm::MenuBlankCopyClick()
{
    QString start = DialogStartFolder(QString());
    const QString &name = session_->fileName();
    if (!name.isEmpty()) {
        const QFileInfo info(name);
        start = info.dir().filePath(info.completeBaseName() + QStringLiteral("-blank.ahp"));
    }
    const QString path = runFileDialog(BlankCopyDialog, true, start);
    if (!path.isEmpty())
        session_->saveBlankCopy(path);
}

void TBaseForm::MenuPairByPairClick()
{
    std::vector<OpenPair> pairs;
    try {
        pairs = openPairs(session_->document());
    } catch (const ComputationError &error) {
        showError(error.message());
        return;
    } catch (const std::bad_alloc &) {
        showError(QStringLiteral("Out of memory."));
        return;
    }
    if (pairs.empty()) {
        ShowMessageBox(UiText(QStringLiteral("未入力の組はありません。"), QStringLiteral("Every pair is entered.")),
                       QString(),
                       platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    const int total = int(pairs.size());
    for (int k = 0; k < total; ++k) {
        const OpenPair &pair = pairs[size_t(k)];
        if (session_->currentNode() != pair.node)
            session_->setCurrentNode(pair.node);
        const ShownMatrix &shown = session_->shownMatrix();
        if (shown.node != pair.node || pair.column >= shown.size())
            return;
        TCompareForm dialog(this);
        try {
            // The owner named in the question: the leaf for alternatives, the parent otherwise.
            dialog.Prepare(shown.items.leafShown ? shown.items.leafName : pair.node->caption(),
                           shown.items.names.at(pair.row), shown.items.names.at(pair.column), QString());
        } catch (const ComputationError &error) {
            showError(error.message());
            return;
        }
        dialog.showProgress(UiText(QStringLiteral("%1 / %2 組目"), QStringLiteral("Pair %1 of %2")).arg(k + 1).arg(total));
        if (!MatrixGrid->isHidden())
            dialog.placeBeside(MatrixGrid->cellRectOnScreen(pair.column + 1, pair.row + 1));
        const int result = dialogs_->runCompare(dialog);
        if (result != QDialog::Accepted)
            return; // Escape or Cancel ends the walk; the answers so far stay, each undoable
        session_->enterValue({pair.column + 1, pair.row + 1, dialog.ValueText, dialog.ReciprocalText});
    }
}

} // namespace priomat
