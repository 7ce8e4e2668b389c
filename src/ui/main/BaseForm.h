// The main window, owner of the open document; its tree and comparison panels render the session.
#pragma once

#include "document/DocumentSession.h"
#include "document/Report.h"
#include "ui/main/ComparisonPanel.h"
#include "ui/main/DialogRunner.h"
#include "ui/main/DocumentPrompts.h"
#include "ui/main/MatrixGrid.h"
#include "ui/main/TreePanel.h"

#include <optional>

#include <QMainWindow>
#include <QSet>
#include <QStringList>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;

class QTreeView;

namespace priomat {

class DocumentRecovery;
class RequirementTreeModel;
class TAlternativesForm;
class TResultForm;
class TSplashForm;

class TBaseForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TBaseForm(QWidget *parent = nullptr);
    ~TBaseForm() override;

    // The open document, its results and its history; the window renders it.
    DocumentSession &session() const { return *session_; }

    // The alternatives and result windows, created after this one.
    void setAuxiliaryWindows(TAlternativesForm *alternatives, TResultForm *result);
    // The modal dialogs are run by `runner` from now on; none: the real dialogs. The runner
    // stays the caller's and must outlive its use.
    void setDialogRunner(DialogRunner *runner);

    // The three option flags from the settings, shown by their check marks.
    void LoadOptionFlags();
    void RefreshComparisonPanel();
    void ShowWeightsAndConsistency();

    void NewDocument();
    void LoadDocument(const QString &path);
    bool SaveDocument(const QString &path);
    bool QuerySaveModified();
    // The program is about to end (a signal, a lost display): the unsaved document's recovery
    // copy is written now and left for the next start.
    void KeepRecoveryCopy();

    RequirementNode *selectedNode() const;
    bool colorOption() const;
    bool inverseOption() const;
    bool calculateAutomatically() const;

    // The Group window, created on first use.
    class TGroupForm *groupWindow() const { return groupWindow_; }
    // The window listing the undo steps, created on first use.
    QWidget *historyWindow() const { return historyWindow_; }

    RequirementTreeModel *treeModel() const;
    // Width of the tree panel, kept as "TreeWidth".
    int treeWidth() const;
    void setTreeWidth(int width);

    // The deepest tree the window shows; deeper documents are refused with a message.
    static constexpr int MaxTreeDepth = 2000;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    // The start-up document: the first argument when it names a file, else Default.ahp in the
    // program folder, else a new document.
    void FormShow();
    // Offers each recovery copy that an ended run left: open, keep for later or discard.
    void OfferRecoveryCopies();

    // Matrix entry.
    void MatrixGridMouseDown(int column, int row);
    void MatrixGridMouseUp(int column, int row);
    void MatrixGridKeyPress(QChar character);
    void MenuChangeShown1Click();

    // Tree editing.
    void TreeButtonAddClick();
    void TreeButtonInsertClick();
    void TreeButtonUpClick();
    void TreeButtonDownClick();
    void TreeButtonDeleteClick();
    void CaptionEditChange(const QString &text);
    void AlternativesMemoChange();

    // Menu handlers.
    void MenuFileClick();
    void MenuEditClick();
    void MenuOptionClick() {}
    void MenuToolClick();
    void MenuWindowClick();
    void MenuHelpClick();
    void MenuUndoClick();
    void MenuRedoClick();
    void MenuHistoryClick();
    void MenuColorClick();
    void MenuInverseClick();
    void MenuCalculateAutomaticallyClick();
    void MenuCalculateClick();
    void MenuAlternativesClick();
    void MenuResultClick();
    void MenuNewClick();
    void MenuOpenClick();
    void MenuSaveClick();
    void MenuSaveAsClick();
    void MenuExitClick();
    void MenuSaveCSVClick();
    void MenuEstablishmentClick();
    // The consistency advisor and the completion of the shown matrix (BaseFormAdvisor.cpp).
    void MenuAdvisorClick();
    void MenuCompleteClick();
    // The decision report (BaseFormReport.cpp): saved as PDF or HTML by the file's extension,
    // or printed through the preview dialog.
    void MenuReportClick();
    void MenuPrintClick();
    // Group decisions (BaseFormGroup.cpp): the blank copy for the participants, and every pair
    // not yet entered asked one after the other.
    void MenuBlankCopyClick();
    void MenuPairByPairClick();
    void MenuGroupClick();
    // The shown matrix's pair under the cursor back to not entered (BaseFormJudgements.cpp).
    void MenuClearEntryClick();

private:
    // Controls, named as in the window definition; others reach them by these object names.
    // The two panels build and render their own; these point into them.
    TTreePanel *TreePanel;
    QLabel *TreeLabel;
    QTreeView *TreeTree;
    QWidget *TreeButtonPanel;
    QPushButton *TreeButtonAdd;
    QPushButton *TreeButtonInsert;
    QPushButton *TreeButtonUp;
    QPushButton *TreeButtonDown;
    QPushButton *TreeButtonDelete;
    QSplitter *Splitter1;
    TComparisonPanel *ComparisonPanel;
    QLabel *CaptionLabel;
    QLineEdit *CaptionEdit;
    QLabel *MatrixLabel;
    TMatrixGrid *MatrixGrid;
    QLabel *ConsistencyLabel;
    QLabel *ConsistencyLabel2;
    QLabel *ConsistencyLabel3;
    QLineEdit *ConsistencyEdit;
    QPushButton *AdvisorButton;

    QMenu *MenuFile;
    QAction *MenuNew;
    QAction *MenuOpen;
    QAction *MenuSave;
    QAction *MenuSaveAs;
    QAction *MenuSaveCSV;
    QAction *MenuExit;
    QMenu *MenuEdit;
    QAction *MenuUndo;
    QAction *MenuRedo;
    QMenu *MenuOption;
    QAction *MenuColor;
    QAction *MenuInverse;
    QAction *MenuCalculateAutomatically;
    QMenu *MenuTool;
    QAction *MenuCalculate;
    QAction *MenuChangeShown1;
    QAction *MenuAdvisor = nullptr;
    QAction *MenuReport = nullptr;
    QAction *MenuPrint = nullptr;
    FileDialogSettings ReportDialog;
    QAction *MenuComplete = nullptr;
    QAction *MenuBlankCopy = nullptr;
    QAction *MenuPairByPair = nullptr;
    QAction *MenuGroup = nullptr;
    class TGroupForm *groupWindow_ = nullptr;
    FileDialogSettings BlankCopyDialog;
    QMenu *MenuWindow;
    QAction *MenuAlternatives;
    QAction *MenuResult;
    QAction *MenuHistory;
    QAction *MenuEstablishmentSeparator;
    QAction *MenuEstablishment;
    QMenu *MenuHelp;
    QAction *MenuContents;
    QAction *MenuCopyright;
    QAction *MenuVersion;
    // The grid's context menu.
    QMenu *MatrixPopup = nullptr;
    QAction *MenuClearEntry = nullptr;

    FileDialogSettings OpenDialog1;
    FileDialogSettings SaveDialog1;
    FileDialogSettings SaveDialog2;

    // Writes the CSV export of the document and its results; the document stays as it is.
    bool ExportCsv(const QString &path);
    bool SaveReport(const QString &path);
    bool isMatrixCell(int column, int row) const;

    // The questions and messages about the document; the session's host.
    DocumentPrompts prompts_{this};
    void showError(const QString &message) { prompts_.showError(message); }
    DialogRunner *dialogs_;
    // An outside change of the document's file, said once while this window is active.
    void announceChangeOnDisk();
    bool changeToAnnounce_ = false;
    DocumentRecovery *recovery_ = nullptr;

    void buildControls();
    void buildMenus();
    void bindOptionActions();
    void showOptionFlags();
    void applyEnglishTexts();
    void buildAdvisorControls();
    void buildReportMenu();
    // The report of the open document; empty after an error was shown.
    std::optional<Report> buildReport();
    void updateAdvisorControls();
    void buildJudgementControls();
    void buildGroupControls();
    void FormClose();
    void updateCaption();
    void updateUndoTexts();
    // Keeps the enabled state of the actions and their shortcuts true to the document.
    void followDocumentState();
    void updateActionStates();
    int mouseDownColumn_ = -1;
    int mouseDownRow_ = -1;

    DocumentSession *session_ = nullptr;
    TAlternativesForm *alternativesWindow_ = nullptr;
    // The alternatives text shown in the alternatives window, from the document.
    void showAlternativesText();
    bool updatingMemo_ = false;
    QString runFileDialog(FileDialogSettings &settings, bool save, const QString &start);
    TResultForm *resultWindow_ = nullptr;
    QWidget *historyWindow_ = nullptr;
    // A Window menu item chosen: shows, raises (when it is behind this window) or hides.
    void toggleAuxiliaryWindow(QAction *item, QWidget *window, const QString &section, int cascade);
    QSet<const QWidget *> placedBeside_;
    bool shownOnce_ = false;
    // No placement was stored: the window grows to show the first document once it is open.
    bool firstStart_ = false;
    void fitFirstStart();
    int treeWidth_ = 137;
    bool closing_ = false;
};

extern TBaseForm *BaseForm;

} // namespace priomat
