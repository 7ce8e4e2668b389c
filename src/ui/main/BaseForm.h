// The main window: requirement tree, comparison panel and menus; owner of the open document.
#pragma once

#include "document/DocumentSession.h"
#include "document/Report.h"
#include "ui/main/MatrixGrid.h"

#include <functional>
#include <optional>

#include <QHash>
#include <QSet>
#include <QList>
#include <QMainWindow>
#include <QStringList>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPrintPreviewDialog;
class QPushButton;
class QSplitter;

class QTreeView;

namespace priomat {

class DocumentRecovery;
class RequirementTreeModel;
class TAlternativesForm;
class TResultForm;
class TSplashForm;

// A file dialog's settings: its filter in Qt's form, default extension and checks.
struct FileDialogSettings
{
    QString filter;
    QString defaultSuffix;
    bool confirmOverwrite = false;
    bool fileMustExist = false;
    QString fileName; // the last file chosen, or the one to propose
};

class TBaseForm : public QMainWindow, private SessionHost
{
    Q_OBJECT

public:
    explicit TBaseForm(QWidget *parent = nullptr);
    ~TBaseForm() override;

    // The open document, its results and its history; the window renders it.
    DocumentSession &session() const { return *session_; }

    // The alternatives and result windows, created after this one.
    void setAuxiliaryWindows(TAlternativesForm *alternatives, TResultForm *result);

    // The three option flags from the settings, shown by their check marks.
    void LoadOptionFlags();
    void RefreshComparisonPanel();
    void ShowWeightsAndConsistency();

    // The start-up document: the first argument when it names a file, else Default.ahp in the
    // program folder, else a new document.
    void FormShow();
    void NewDocument();
    void LoadDocument(const QString &path);
    bool SaveDocument(const QString &path);
    bool QuerySaveModified();
    // The program is about to end (a signal, a lost display): the unsaved document's recovery
    // copy is written now and left for the next start.
    void KeepRecoveryCopy();
    // Offers each recovery copy that an ended run left: open, keep for later or discard.
    void OfferRecoveryCopies();
    // Writes the CSV export of the document and its results; the document stays as it is.
    bool ExportCsv(const QString &path);

    RequirementNode *selectedNode() const;
    bool colorOption() const;
    bool inverseOption() const;
    bool calculateAutomatically() const;

    // Matrix entry.
    void MatrixGridMouseDown(int column, int row);
    void MatrixGridMouseUp(int column, int row);
    void MatrixGridKeyPress(QChar character);
    void MenuChangeShown1Click();
    bool isMatrixCell(int column, int row) const;
    // Runs the comparison dialog; tests answer it instead of a modal loop.
    std::function<int(class TCompareForm &)> compareDialogRunner;

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
    // Runs the advisor dialog; tests answer it instead of a modal loop.
    std::function<int(class TAdvisorForm &)> advisorDialogRunner;
    // The decision report (BaseFormReport.cpp): saved as PDF or HTML by the file's extension,
    // or printed through the preview dialog.
    void MenuReportClick();
    void MenuPrintClick();
    bool SaveReport(const QString &path);
    // Runs the print preview; tests answer it instead of a modal loop.
    std::function<void(QPrintPreviewDialog &)> printPreviewRunner;
    // Runs the completion's preview; tests answer it instead of a modal loop.
    std::function<int(class TCompletionForm &)> completionDialogRunner;

    // Group decisions (BaseFormGroup.cpp): the blank copy for the participants, and every pair
    // not yet entered asked one after the other.
    void MenuBlankCopyClick();
    void MenuPairByPairClick();
    void MenuGroupClick();
    // The Group window, created on first use.
    class TGroupForm *groupWindow() const { return groupWindow_; }

    // Runs a file dialog and gives the chosen path, empty when cancelled; tests answer it
    // instead. `start` is the file name to propose or the folder to start in.
    std::function<QString(const FileDialogSettings &settings, bool save, const QString &start)> fileDialogRunner;
    // Runs the options dialog; tests answer it instead of a modal loop.
    std::function<int(QDialog &)> optionDialogRunner;

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

private:
    // Controls, named as in the window definition; others reach them by these object names.
    QWidget *TreePanel;
    QLabel *TreeLabel;
    QTreeView *TreeTree;
    QWidget *TreeButtonPanel;
    QPushButton *TreeButtonAdd;
    QPushButton *TreeButtonInsert;
    QPushButton *TreeButtonUp;
    QPushButton *TreeButtonDown;
    QPushButton *TreeButtonDelete;
    QSplitter *Splitter1;
    QWidget *ComparisonPanel;
    QLabel *CaptionLabel;
    QLineEdit *CaptionEdit;
    QLabel *MatrixLabel;
    TMatrixGrid *MatrixGrid;
    // Instead of the grid when a matrix is too large to show.
    QLabel *MatrixMessage;
    QLabel *ConsistencyLabel;
    QLabel *ConsistencyLabel2;
    QLabel *ConsistencyLabel3;
    QLineEdit *ConsistencyEdit;

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
    // Beside the index while it is above 0.1: opens the advisor.
    QPushButton *AdvisorButton = nullptr;
    // CI / RI(n) beside the index, with the rule in its tooltip.
    QLabel *ConsistencyRatio = nullptr;
    void showConsistencyRatio(std::optional<double> ratio, int size);
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

    FileDialogSettings OpenDialog1;
    FileDialogSettings SaveDialog1;
    FileDialogSettings SaveDialog2;

    // SessionHost
    OverwriteChoice confirmOverwrite(OverwriteReason reason, const QString &path) override;
    bool askRecovery() override;
    void showError(const QString &message) override;
    void showNotADataFile(const QString &message) override;
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
    void applyAdvisorEnglishTexts();
    void updateAdvisorControls();
    // Clearing a judgement from the grid, and the panel's notice of repeated names and shared
    // judgements (BaseFormJudgements.cpp).
    void buildJudgementControls();
    void showMatrixNotice();
    void MenuClearEntryClick();
    QLabel *MatrixNotice = nullptr;
    QMenu *MatrixPopup = nullptr;
    QAction *MenuClearEntry = nullptr;
    void buildGroupControls();
    void FormClose();
    void updateCaption();
    void updateUndoTexts();
    // Keeps the enabled state of the actions and their shortcuts true to the document.
    void followDocumentState();
    void updateActionStates();
    // A warning sign in the consistency field, for an index drawn in yellow or red.
    enum class ConsistencyCue { None, Doubtful, Poor, Failed };
    void showConsistencyCue(ConsistencyCue cue);
    QAction *consistencyCue_ = nullptr;
    void applyButtonRule(const RequirementNode *node);
    void selectNode(const RequirementNode *node);
    void followSession(RequirementNode *node);
    // The selected node of each file left in this run, as row numbers from the top level down.
    QHash<QString, QList<int>> lastSelection_;
    void rememberSelection();
    void restoreSelection();
    int mouseDownColumn_ = -1;
    int mouseDownRow_ = -1;

    DocumentSession *session_ = nullptr;
    TAlternativesForm *alternativesWindow_ = nullptr;
    // The alternatives text shown in the alternatives window, from the document.
    void showAlternativesText();
    bool updatingMemo_ = false;
    bool followingSession_ = false;
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
