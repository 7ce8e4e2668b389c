// The main window's part of the decision report: File → Report saves it as PDF or HTML, File →
// Print prints it through the preview and print dialogs. The report's content comes from the
// document layer, its pages from src/report.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/DialogFolder.h"
#include "document/Report.h"
#include "model/ComputationError.h"
#include "report/ReportPdf.h"

#include <QApplication>
#include <QDate>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <new>
#include <optional>

namespace priomat {

namespace {

QString outOfMemoryText()
{
    return UiText(QStringLiteral("メモリが足りません。"), QStringLiteral("Out of memory."));
}

// The wait cursor while a report is built and written.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

void TBaseForm::buildReportMenu()
{
    // Below the CSV export, above the separator before Exit.
    const QList<QAction *> items = MenuFile->actions();
    const qsizetype exit = items.indexOf(MenuExit);
    QAction *before = exit > 0 ? items.at(exit - 1) : MenuExit;
    MenuReport = new QAction(QStringLiteral("レポート (&Report) ..."), MenuFile);
    MenuReport->setObjectName(QStringLiteral("MenuReport"));
    MenuPrint = new QAction(QStringLiteral("印刷 (&Print) ..."), MenuFile);
    MenuPrint->setObjectName(QStringLiteral("MenuPrint"));
    MenuPrint->setShortcut(QKeySequence::Print);
    MenuFile->insertAction(before, MenuReport);
    MenuFile->insertAction(before, MenuPrint);
    ReportDialog = {QStringLiteral("PDF files (*.pdf *.PDF);;HTML files (*.html *.htm);;All files (*)"),
                    QStringLiteral("pdf"), true, false, QString()};
    connect(MenuReport, &QAction::triggered, this, &TBaseForm::MenuReportClick);
    connect(MenuPrint, &QAction::triggered, this, &TBaseForm::MenuPrintClick);
}

std::optional<Report> TBaseForm::buildReport()
{
    try {
        BusyCursor busy;
        return BuildReport(session_->document(), {.japanese = UiJapanese(),
                                                  .fileName = session_->fileName(),
                                                  .date = QDate::currentDate(),
                                                  .inverse = inverseOption()});
    } catch (const ComputationError &error) {
        showError(error.message(UiJapanese()));
    } catch (const std::bad_alloc &) {
        showError(outOfMemoryText());
    }
    return std::nullopt;
}

bool TBaseForm::SaveReport(const QString &path)
{
    const std::optional<Report> report = buildReport();
    if (!report)
        return false;
    try {
        BusyCursor busy;
        WriteReportFile(*report, path);
        return true;
    } catch (const FileError &error) {
        showError(error.message());
    } catch (const std::bad_alloc &) {
        showError(outOfMemoryText());
    }
    return false;
}

void TBaseForm::MenuReportClick()
{
    QString start = DialogStartFolder(QString());
    const QString &name = session_->fileName();
    if (!name.isEmpty()) {
        // The document's name with .pdf for its extension, as the CSV export proposes .csv.
        const qsizetype slash = name.lastIndexOf(u'/');
        const qsizetype dot = name.lastIndexOf(u'.');
        start = (dot > slash ? name.left(dot) : name) + QStringLiteral(".pdf");
    }
    const QString path = runFileDialog(ReportDialog, true, start);
    if (!path.isEmpty())
        SaveReport(path);
}

void TBaseForm::MenuPrintClick()
{
    const std::optional<Report> report = buildReport();
    if (!report)
        return;
    try {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(DefaultReportPageSize());
        printer.setDocName(report->title);
        QPrintPreviewDialog preview(&printer, this);
        preview.setWindowTitle(UiText(QStringLiteral("印刷プレビュー"), QStringLiteral("Print Preview")));
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this, &report](QPrinter *target) {
            try {
                BusyCursor busy;
                PaintReport(*report, *target);
            } catch (const FileError &error) {
                showError(error.message());
            } catch (const std::bad_alloc &) {
                showError(outOfMemoryText());
            }
        });
        dialogs_->runPrintPreview(preview);
    } catch (const std::bad_alloc &) {
        showError(outOfMemoryText());
    }
}

} // namespace priomat
