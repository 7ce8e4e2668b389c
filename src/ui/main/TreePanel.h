// The left panel of the main window: the requirement tree, its label and its five buttons. It
// shows the session's tree and selection; the buttons' clicks are the main window's handlers.
#pragma once

#include <QHash>
#include <QList>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeView;

namespace priomat {

class DocumentSession;
class RequirementNode;

class TTreePanel : public QWidget
{
    Q_OBJECT

public:
    TTreePanel(DocumentSession &session, QWidget *parent);

    QLabel *TreeLabel;
    QTreeView *TreeTree;
    QWidget *TreeButtonPanel;
    QPushButton *TreeButtonAdd;
    QPushButton *TreeButtonInsert;
    QPushButton *TreeButtonUp;
    QPushButton *TreeButtonDown;
    QPushButton *TreeButtonDelete;

    void applyEnglishTexts();
    // Enables the buttons by what the selected node allows: no sibling and no deletion for a
    // top-level node, moves only where a sibling is.
    void applyButtonRule(const RequirementNode *node);
    void selectNode(const RequirementNode *node);

    // The selected node of each file left in this run, given back when the file opens again.
    void rememberSelection();
    void restoreSelection();

private:
    void followSession(RequirementNode *node);

    DocumentSession &session_;
    bool followingSession_ = false;
    // Row numbers from the top level down, by file.
    QHash<QString, QList<int>> lastSelection_;
};

} // namespace priomat
