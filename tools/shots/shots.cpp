// Drives the real main window under a display as a user would (open a document, select a
// requirement, type entries, enter one through the dialog, turn on the colours) and saves
// screenshots of the screen. Run by tools/grid-screenshots.sh.
#include "app/Appli.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/main/CompareForm.h"
#include "app/Frame.h"
#include "ScreenSession.h"
#include "app/Placement.h"
#include "document/RequirementTreeModel.h"

#include <QUndoStack>
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTreeView>

#include <cstdio>

using namespace priomat;
using priomat::tools::shoot;

namespace {

RequirementNode *find(const Document &document, const QString &caption)
{
    RequirementNode *found = nullptr;
    document.tree.forEachPreOrder([&](RequirementNode *node, int) {
        if (!found && node->caption() == caption)
            found = node;
    });
    return found;
}

// The comparison dialog photographed, then answered with 7.
struct ShootingDialogs : DialogRunner
{
    QString prefix;
    int runCompare(TCompareForm &dialog) override
    {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog))
            return int(QDialog::Rejected);
        shoot(prefix + QStringLiteral("-dialog.png"));
        QTest::mouseClick(dialog.Labels[14], Qt::LeftButton); // " 7"
        return int(dialog.result());
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 4) {
        std::fputs("usage: priomat-shots DOCUMENT OUTPUT-PREFIX /ENGLISH|/JAPANESE\n", stderr);
        return 2;
    }
    const QString document = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    tools::ScreenSession session(application);

    {
        ShootingDialogs dialogs;
        dialogs.prefix = prefix;
        TBaseForm form;
        form.setDialogRunner(&dialogs);
        form.resize(620, 420);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            return 1;
        form.LoadDocument(document);
        form.setTreeWidth(170);
        named<QTreeView>(form, "TreeTree")->setCurrentIndex(form.treeModel()->indexOf(find(form.session().document(), QStringLiteral("Location"))));

        TMatrixGrid *grid = named<TMatrixGrid>(form, "MatrixGrid");
        grid->setFocus();
        grid->setCurrentCell(1, 4); // row A, column D
        QTest::keyClicks(grid, QStringLiteral("9"));
        grid->setCurrentCell(2, 3); // row B, column C
        QTest::keyClicks(grid, QStringLiteral("05"));

        const QRect cell = grid->visualRect(grid->model()->index(4, 3)); // row D, column C
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        shoot(prefix + QStringLiteral("-grid.png"));
        named<QAction>(form, "MenuColor")->trigger();
        shoot(prefix + QStringLiteral("-grid-colour.png"));
        form.session().undoStack()->setClean();
    }
    return 0;
}
