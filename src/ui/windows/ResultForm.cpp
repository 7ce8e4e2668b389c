#include "ui/windows/ResultForm.h"
#include "ui/UiLanguage.h"
#include "ui/windows/ReportList.h"
#include "ui/windows/ResultModels.h"

#include "app/Appli.h"
#include "app/DialogFolder.h"
#include "platform/MessageBox.h"
#include "app/Placement.h"
#include "document/DocumentSession.h"
#include "document/ResultText.h"
#include "app/SettingsStore.h"
#include "document/TextFile.h"
#include "ui/windows/SensitivityPage.h"
#include "ui/windows/CertaintyPage.h"
#include "ui/main/TextFit.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QTreeWidget>
#include <QLabel>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <limits>
#include <vector>
#include <cmath>

namespace priomat {

TResultForm *ResultForm = nullptr;

namespace {

const QString Section = QStringLiteral("ResultForm");
const QString RequirementsSection = QStringLiteral("ResultForm\\Requirements");
const QString AlternativesSection = QStringLiteral("ResultForm\\Alternatives");
constexpr int DefaultColumnWidth = 100;

QString widthName(int column)
{
    return QStringLiteral("Width") + QString::number(column);
}

QTreeView *makeList(QWidget *page, const QString &name, ResultTableModel *model)
{
    QTreeView *list = MakeReportView(page, name, model);
    for (int column = 0; column < 2; ++column)
        list->setColumnWidth(column, DefaultColumnWidth);
    // The lists take the window's colour rather than the white of an edit field.
    QPalette palette = list->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    list->setPalette(palette);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list);
    return list;
}

QString rowText(const ResultRow &row)
{
    return row.name + u'\t' + row.text();
}

// Sets the stored widths; true for each column that has one.
std::array<bool, 2> readColumnWidths(QTreeView *list, const QString &section)
{
    std::array<bool, 2> stored{};
    for (int column = 0; column < 2; ++column) {
        const QVariant value = ReadSetting(section, widthName(column), QVariant());
        const int width = value.isValid() ? value.toInt() : list->columnWidth(column);
        stored[size_t(column)] = value.isValid();
        if (width >= 0)
            list->setColumnWidth(column, width);
    }
    return stored;
}

// A value column that still follows its text keeps no width, so it goes on following it.
void writeColumnWidths(const QTreeView *list, const QString &section, bool valueColumnFitted)
{
    for (int column = 0; column < 2; ++column) {
        if (column == 1 && valueColumnFitted)
            continue;
        WriteSetting(section, widthName(column), list->columnWidth(column));
    }
}

QChartView *makeChartView(QWidget *parent, const QString &name)
{
    auto *chart = new QChart();
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 12, 4));
    auto *view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

// Draws one list as horizontal bars, first row at the top, each bar labelled with its number.
void drawBars(QChartView *view, const QList<ResultRow> &rows, const QString &title,
              const QString &emptyTitle, const QFont &font, const QColor &textColor)
{
    QChart *chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    QFont titleFont = font;
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(textColor);
    // For assistive technology, the chart in words: its title and the numbers it draws.
    view->setAccessibleName(rows.isEmpty() ? emptyTitle : title);
    QStringList spoken;
    for (const ResultRow &row : rows)
        spoken.append(row.name + QStringLiteral(": ") + row.text());
    view->setAccessibleDescription(spoken.join(QStringLiteral("; ")));
    if (rows.isEmpty()) {
        chart->setTitle(emptyTitle);
        return;
    }
    chart->setTitle(title);

    // The category axis drops repeated names; a zero-width space keeps each row its own bar.
    QStringList categories;
    QList<qreal> values;
    QSet<QString> used;
    double maximum = 0.0;
    double minimum = 0.0;
    for (const ResultRow &row : rows) {
        QString category = QStringLiteral("") + row.name;
        while (used.contains(category))
            category += QChar(0x200B);
        used.insert(category);
        categories.append(category);
        const double value = std::isfinite(row.value) ? row.value : 0.0;
        values.append(value);
        maximum = std::max(maximum, value);
        minimum = std::min(minimum, value);
    }
    // Categories count upwards from the axis; reversed, the first row is on top as in the lists.
    // (The axis's own reverse flag leaves bar charts unchanged.)
    std::reverse(categories.begin(), categories.end());
    std::reverse(values.begin(), values.end());
    auto *set = new QBarSet(title);
    set->append(values);
    set->setLabelColor(textColor);
    set->setLabelFont(font);

    auto *series = new QHorizontalBarSeries();
    series->append(set);
    series->setBarWidth(0.7);
    series->setLabelsVisible(true);
    series->setLabelsFormat(QStringLiteral("@value"));
    series->setLabelsPrecision(4);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    chart->addSeries(series);

    auto *names = new QBarCategoryAxis();
    names->append(categories);
    // Long names stay whole; the chart gives them the room they need.
    names->setTruncateLabels(false);
    names->setLabelsFont(font);
    names->setLabelsBrush(textColor);
    names->setGridLineVisible(false);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);

    auto *numbers = new QValueAxis();
    // Room right of the longest bar for its number.
    numbers->setRange(minimum * 1.25, maximum > 0.0 ? maximum * 1.25 : 1.0);
    numbers->applyNiceNumbers();
    numbers->setLabelFormat(QStringLiteral("%.2g"));
    numbers->setLabelsFont(font);
    numbers->setLabelsBrush(textColor);
    chart->addAxis(numbers, Qt::AlignBottom);
    series->attachAxis(numbers);
}

} // namespace

TResultForm::TResultForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(Section);
    japanese_ = UiJapanese();
    const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");
    QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
    windowFont.setPixelSize(12);
    setFont(windowFont);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    MenuFile = MainMenu1->addMenu(QStringLiteral("ファイル(&F)"));
    MenuFile->setObjectName(QStringLiteral("MenuFile"));
    MenuSaveAs = MenuFile->addAction(QStringLiteral("名前を付けて保存 (Save &As) ..."));
    MenuSaveAs->setObjectName(QStringLiteral("MenuSaveAs"));
    MenuEdit = MainMenu1->addMenu(QStringLiteral("編集(&E)"));
    MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
    MenuCopy = MenuEdit->addAction(QStringLiteral("コピー (&Copy)"));
    MenuCopy->setObjectName(QStringLiteral("MenuCopy"));
    MenuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    MenuCopyAll = MenuEdit->addAction(QStringLiteral("全体をコピー (Copy &All)"));
    MenuCopyAll->setObjectName(QStringLiteral("MenuCopyAll"));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    KeepTabsWhole(PageControl1);
    RequirementsPage = new QWidget();
    RequirementsPage->setObjectName(QStringLiteral("RequirementsPage"));
    AlternativesPage = new QWidget();
    AlternativesPage->setObjectName(QStringLiteral("AlternativesPage"));
    ChartsPage = new QWidget();
    ChartsPage->setObjectName(QStringLiteral("ChartsPage"));

    QStringList requirementHeadings{QStringLiteral("要求"), QStringLiteral("重要度")};
    QStringList alternativeHeadings{QStringLiteral("代替案"), QStringLiteral("評価")};
    QString requirementsCaption = QStringLiteral("要求");
    QString alternativesCaption = QStringLiteral("代替案");
    QString chartsCaption = QStringLiteral("グラフ");
    if (japanese_) {
        setWindowTitle(QStringLiteral("結果 / ") + product);
    } else {
        LocalizeMenu(MainMenu1);
        setWindowTitle(QStringLiteral("Result / ") + product);
        requirementsCaption = QStringLiteral("Requirements");
        alternativesCaption = QStringLiteral("Alternatives");
        chartsCaption = QStringLiteral("Charts");
        requirementHeadings = {QStringLiteral("Requirement"), QStringLiteral("Importance")};
        alternativeHeadings = {QStringLiteral("Alternative"), QStringLiteral("Point")};
    }
    AlternativesModel = new ResultTableModel(alternativeHeadings, true, this);
    RequirementsModel = new ResultTableModel(requirementHeadings, false, this);
    AlternativesList = makeList(AlternativesPage, QStringLiteral("AlternativesList"), AlternativesModel);
    RequirementsList = makeList(RequirementsPage, QStringLiteral("RequirementsList"), RequirementsModel);

    auto *charts = new QSplitter(Qt::Vertical, ChartsPage);
    charts->setObjectName(QStringLiteral("ChartsSplitter"));
    charts->setChildrenCollapsible(false);
    AlternativesChart = makeChartView(charts, QStringLiteral("AlternativesChart"));
    RequirementsChart = makeChartView(charts, QStringLiteral("RequirementsChart"));
    charts->addWidget(AlternativesChart);
    charts->addWidget(RequirementsChart);
    // The leaves usually outnumber the alternatives.
    charts->setStretchFactor(0, 1);
    charts->setStretchFactor(1, 2);
    auto *chartsLayout = new QVBoxLayout(ChartsPage);
    chartsLayout->setContentsMargins(0, 0, 0, 0);
    chartsLayout->addWidget(charts);

    // Named for assistive technology by their pages (a drawn chart names itself by its title).
    RequirementsList->setAccessibleName(requirementsCaption);
    AlternativesList->setAccessibleName(alternativesCaption);
    RequirementsChart->setAccessibleName(requirementsCaption);
    AlternativesChart->setAccessibleName(alternativesCaption);
    PageControl1->setAccessibleName(japanese_ ? QStringLiteral("結果") : QStringLiteral("Results"));

    PageControl1->addTab(RequirementsPage, requirementsCaption);
    PageControl1->addTab(AlternativesPage, alternativesCaption);
    PageControl1->addTab(ChartsPage, chartsCaption);
    Sensitivity = new SensitivityPage(japanese_);
    PageControl1->addTab(Sensitivity, japanese_ ? QStringLiteral("感度分析") : QStringLiteral("Sensitivity"));
    Certainty = new CertaintyPage();
    PageControl1->addTab(Certainty, japanese_ ? QStringLiteral("確からしさ") : QStringLiteral("Certainty"));
    connect(Certainty, &CertaintyPage::selectionChanged, this, &TResultForm::MenuEditClick);
    for (QTreeWidget *list : Certainty->findChildren<QTreeWidget *>())
        list->installEventFilter(this);
    PageControl1->setCurrentWidget(RequirementsPage);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    ErrorLabel = new QLabel(this);
    ErrorLabel->setObjectName(QStringLiteral("ErrorLabel"));
    ErrorLabel->setWordWrap(true);
    ErrorLabel->setContentsMargins(6, 6, 6, 6);
    ErrorLabel->setStyleSheet(QStringLiteral("color: #c00000;"));
    ErrorLabel->hide();
    layout->addWidget(ErrorLabel);
    layout->addWidget(PageControl1);

    SaveDialog1 = {QStringLiteral("Text files (*.txt);;All files (*)"), QStringLiteral("txt"), QString()};

    connect(MenuSaveAs, &QAction::triggered, this, &TResultForm::MenuSaveAsClick);
    connect(MenuEdit, &QMenu::aboutToShow, this, &TResultForm::MenuEditClick);
    connect(MenuCopy, &QAction::triggered, this, &TResultForm::MenuCopyClick);
    connect(MenuCopyAll, &QAction::triggered, this, &TResultForm::MenuCopyAllClick);
    // Kept current also between openings of the menu, so Ctrl+C follows the selection.
    connect(PageControl1, &QTabWidget::currentChanged, this, &TResultForm::MenuEditClick);
    for (QTreeView *list : {RequirementsList, AlternativesList}) {
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TResultForm::MenuEditClick);
        list->installEventFilter(this);
    }
    connect(Sensitivity, &SensitivityPage::selectionChanged, this, &TResultForm::MenuEditClick);
    for (QTreeWidget *list : Sensitivity->findChildren<QTreeWidget *>())
        list->installEventFilter(this);

    setGeometry(18, 562, 272, 169);
    if (!HasStoredPlacement(Section)) {
        // Every tab, and the sensitivity page without scrolling, its first sentence included.
        const QSize page = Sensitivity->contentSize() + QSize(0, fontMetrics().lineSpacing() * 4);
        resize(std::max({width(), PageControl1->tabBar()->sizeHint().width() + 24, page.width() + 24}),
               std::max(height(), MainMenu1->sizeHint().height() + PageControl1->tabBar()->sizeHint().height()
                                      + page.height() + 12));
    }
    RestoreWindowPlacement(this, Section);
    KeepInWorkAreaWhenShown(this);
    fitValueColumn_[0] = !readColumnWidths(RequirementsList, RequirementsSection)[1];
    fitValueColumn_[1] = !readColumnWidths(AlternativesList, AlternativesSection)[1];
    // Once the user sets a value column's width, it stays as set.
    for (int i = 0; i < 2; ++i) {
        connect((i == 0 ? RequirementsList : AlternativesList)->header(), &QHeaderView::sectionResized, this,
                [this, i](int column) {
                    if (column == 1 && !fittingColumns_)
                        fitValueColumn_[size_t(i)] = false;
                });
    }

    redrawCharts();
    MenuEditClick();
}

void TResultForm::setResults(const ResultLists &lists)
{
    RequirementsModel->setRows(lists.requirements);
    AlternativesModel->setRows(lists.alternatives);
    fitValueColumns();
    redrawCharts();
    MenuEditClick();
}

void TResultForm::setResults(const ResultLists &lists, const QString &error)
{
    if (error.isEmpty()) {
        ErrorLabel->hide();
    } else {
        ErrorLabel->setText((japanese_ ? QStringLiteral("評価できません。次の値で計算が止まります:\n")
                                       : QStringLiteral("No evaluation. This value stops the computation:\n"))
                            + error);
        ErrorLabel->show();
    }
    setResults(error.isEmpty() ? lists : ResultLists());
}

ResultLists TResultForm::results() const
{
    return {RequirementsModel->rows(), AlternativesModel->rows()};
}

void TResultForm::redrawCharts()
{
    const QColor text = palette().color(QPalette::WindowText);
    const QFont labels = font();
    const ResultLists rows = results();
    if (japanese_) {
        drawBars(AlternativesChart, rows.alternatives, QStringLiteral("代替案の評価"),
                 QStringLiteral("代替案の評価: 結果なし"), labels, text);
        drawBars(RequirementsChart, rows.requirements, QStringLiteral("要求の重要度"),
                 QStringLiteral("要求の重要度: 結果なし"), labels, text);
    } else {
        drawBars(AlternativesChart, rows.alternatives, QStringLiteral("Points of the alternatives"),
                 QStringLiteral("Points: no results"), labels, text);
        drawBars(RequirementsChart, rows.requirements, QStringLiteral("Importance of the requirements"),
                 QStringLiteral("Importance: no results"), labels, text);
    }
}

void TResultForm::fitValueColumns()
{
    // Without a stored width, a value column opens wide enough for its numbers and heading.
    fittingColumns_ = true;
    for (int i = 0; i < 2; ++i) {
        QTreeView *list = i == 0 ? RequirementsList : AlternativesList;
        if (!fitValueColumn_[size_t(i)])
            continue;
        // (QTreeView hides the view's public hint; the view's interface reaches it.)
        const int needed = std::max(static_cast<const QAbstractItemView *>(list)->sizeHintForColumn(1),
                                    list->header()->sectionSizeHint(1));
        list->setColumnWidth(1, std::max(DefaultColumnWidth, needed));
    }
    fittingColumns_ = false;
}

void TResultForm::attachSession(DocumentSession *session)
{
    if (session_)
        disconnect(session_, nullptr, this, nullptr);
    session_ = session;
    Sensitivity->attachSession(session);
    Certainty->attachSession(session);
    if (session_) {
        connect(session_, &DocumentSession::resultsChanged, this, &TResultForm::showSession);
        showSession();
    }
}

void TResultForm::showSession()
{
    setResults(session_->results(), session_->evaluationError());
}

QTreeView *TResultForm::activeList() const
{
    if (PageControl1->currentWidget() == RequirementsPage)
        return RequirementsList;
    if (PageControl1->currentWidget() == AlternativesPage)
        return AlternativesList;
    return nullptr; // the charts page has no rows
}

void TResultForm::MenuSaveAsClick()
{
    if (PageControl1->currentWidget() == Sensitivity) {
        Sensitivity->saveAs(this); // the page saves its chart
        return;
    }
    if (PageControl1->currentWidget() == Certainty) {
        Certainty->saveAs(this); // the page saves its tables or charts
        return;
    }
    const QString start = SaveDialog1.fileName.isEmpty()
                              ? DialogStartFolder(documentPath ? documentPath()
                                                  : session_   ? session_->fileName()
                                                               : QString())
                              : SaveDialog1.fileName;
    QString path;
    if (saveDialogRunner) {
        path = saveDialogRunner(start);
    } else {
        // A file name as the start selects that file in its folder.
        QFileDialog dialog(this, QString(), start, SaveDialog1.filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(SaveDialog1.defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty())
        return;
    SaveDialog1.fileName = path;
    RememberDialogFolder(path);
    try {
        WriteTextLines(path, BuildResultTextLines(results()));
    } catch (const FileError &error) {
        ShowMessageBox(error.message(), QStringLiteral("Error"), platform::MB_ICONHAND);
    }
}

void TResultForm::MenuEditClick()
{
    const QTreeView *list = activeList();
    MenuCopy->setEnabled((list && list->selectionModel()->hasSelection())
                         || (PageControl1->currentWidget() == Sensitivity && !Sensitivity->selectedRowText().isEmpty())
                         || (PageControl1->currentWidget() == Certainty && !Certainty->selectedRowText().isEmpty()));
}

void TResultForm::MenuCopyClick()
{
    if (PageControl1->currentWidget() == Sensitivity) {
        if (const QString row = Sensitivity->selectedRowText(); !row.isEmpty())
            QGuiApplication::clipboard()->setText(row);
        return;
    }
    if (PageControl1->currentWidget() == Certainty) {
        if (const QString row = Certainty->selectedRowText(); !row.isEmpty())
            QGuiApplication::clipboard()->setText(row);
        return;
    }
    const QTreeView *list = activeList();
    if (!list)
        return;
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const auto *model = static_cast<const ResultTableModel *>(list->model());
    QGuiApplication::clipboard()->setText(rowText(model->rows().at(selected.constFirst().row())));
}

void TResultForm::MenuCopyAllClick()
{
    if (PageControl1->currentWidget() == Sensitivity) {
        QGuiApplication::clipboard()->setText(Sensitivity->allText());
        return;
    }
    if (PageControl1->currentWidget() == Certainty) {
        QGuiApplication::clipboard()->setText(Certainty->allText());
        return;
    }
    const QTreeView *list = activeList();
    if (!list)
        return;
    QString text;
    for (const ResultRow &row : static_cast<const ResultTableModel *>(list->model())->rows())
        text += rowText(row) + QStringLiteral("\r\n");
    QGuiApplication::clipboard()->setText(text);
}

void TResultForm::closeEvent(QCloseEvent *event)
{
    writeColumnWidths(RequirementsList, RequirementsSection, fitValueColumn_[0]);
    writeColumnWidths(AlternativesList, AlternativesSection, fitValueColumn_[1]);
    SaveWindowPlacement(this, Section);
    QWidget::closeEvent(event);
}

bool TResultForm::eventFilter(QObject *watched, QEvent *event)
{
    // The views would copy one cell on their own; copying is the Edit menu's alone.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy))
        return true;
    return QWidget::eventFilter(watched, event);
}

} // namespace priomat
