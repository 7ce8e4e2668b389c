// The result window: texts in both languages, the lists, the text file, the clipboard copies,
// the column widths in the settings and the charts page.
#include "AppFixture.h"
#include "app/Appli.h"
#include "app/Frame.h"
#include "ui/windows/ResultForm.h"
#include "app/SettingsStore.h"
#include "TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QValueAxis>

#include <algorithm>
#include <memory>

using namespace priomat;
using namespace priomat::test;

namespace {

ResultLists sampleResults()
{
    ResultLists lists;
    lists.requirements = {{"Cost", 0.6}, {"Comfort", 0.4}};
    lists.alternatives = {{"Car A", 0.55}, {"Car B", 0.45}};
    return lists;
}

QHorizontalBarSeries *barSeries(QChartView *view)
{
    const QList<QAbstractSeries *> series = view->chart()->series();
    return series.size() == 1 ? qobject_cast<QHorizontalBarSeries *>(series.first()) : nullptr;
}

// Bars and category names from the top of the chart down: categories count upwards.
QList<qreal> barValues(QChartView *view)
{
    QList<qreal> values;
    if (QHorizontalBarSeries *series = barSeries(view)) {
        const QBarSet *set = series->barSets().value(0);
        for (int i = 0; set && i < set->count(); ++i)
            values.prepend(set->at(i));
    }
    return values;
}

QString cell(QTreeView *list, int row, int column)
{
    return list->model()->index(row, column).data().toString();
}

QString heading(QTreeView *list, int column)
{
    return list->model()->headerData(column, Qt::Horizontal).toString();
}

// The font a list draws a cell in.
QFont cellFont(QTreeView *list, int row, int column)
{
    return list->model()->index(row, column).data(Qt::FontRole).value<QFont>().resolve(list->font());
}

QStringList categories(QChartView *view)
{
    const QList<QAbstractAxis *> axes = view->chart()->axes(Qt::Vertical);
    auto *axis = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis *>(axes.first());
    QStringList names = axis ? axis->categories() : QStringList();
    std::reverse(names.begin(), names.end());
    return names;
}

} // namespace

class TestResultForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void japaneseControlsAndTexts();
    void englishTexts();
    void setResultsReplacesRowsAsGiven();
    void savingOnAlternativesPageWritesRequirementsFirst();
    void savingWithoutAlternativesEndsWithHeader();
    void savingTwiceReplacesAndStartsFromLastFile();
    void cancelledSaveWritesNothing();
    void saveDialogOptions();
    void writeErrorShowsErrorBox();
    void copyAllCopiesOnlyActivePage();
    void copyTakesSelectedRowWithoutLineEnd();
    void menuCopyFollowsSelectionAndPage();
    void ctrlCCopiesWholeRowOnly();
    void columnWidthsDefaultAndSurviveNewWindow();
    void valueColumnsFitTheirNumbersUnlessGivenAWidth();
    void highestPointsInBoldInListOrder();
    void closeHidesAndStoresPlacement();
    void chartsFollowResults();
    void chartsKeepRepeatedNames();
    void chartsShowFirstRowAtTop();

private:
    std::unique_ptr<TResultForm> makeForm(bool japanese);

    std::unique_ptr<AppFixture> app_;
};

void TestResultForm::init()
{
    app_ = std::make_unique<AppFixture>();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

void TestResultForm::cleanup()
{
    app_.reset();
}

std::unique_ptr<TResultForm> TestResultForm::makeForm(bool japanese)
{
    app_->platform.system.japanese = japanese;
    FrameStartup();
    return std::make_unique<TResultForm>();
}

void TestResultForm::japaneseControlsAndTexts()
{
    auto form = makeForm(true);
    for (const char *name : {"PageControl1", "RequirementsPage", "AlternativesPage", "AlternativesList",
                             "RequirementsList", "ChartsPage", "AlternativesChart", "RequirementsChart"})
        QVERIFY2(form->findChild<QWidget *>(QString::fromLatin1(name)), name);
    QCOMPARE(form->windowTitle(), QString::fromUtf8("結果 / Priomat"));
    // The design's place; at first start grown to show every page (kept on screen when shown).
    QCOMPARE(form->geometry().left(), 18);
    QVERIFY(form->width() >= 272 && form->height() >= 169);
    QCOMPARE(form->PageControl1->currentWidget(), form->RequirementsPage);
    QCOMPARE(form->PageControl1->count(), 5);
    QCOMPARE(form->PageControl1->tabText(0), QString::fromUtf8("要求"));
    QCOMPARE(form->PageControl1->tabText(1), QString::fromUtf8("代替案"));
    QCOMPARE(form->PageControl1->tabText(2), QString::fromUtf8("グラフ"));
    QCOMPARE(form->PageControl1->tabText(3), QString::fromUtf8("感度分析"));
    QCOMPARE(form->PageControl1->tabText(4), QString::fromUtf8("確からしさ"));
    QCOMPARE(heading(form->RequirementsList, 0), QString::fromUtf8("要求"));
    QCOMPARE(heading(form->RequirementsList, 1), QString::fromUtf8("重要度"));
    QCOMPARE(heading(form->AlternativesList, 0), QString::fromUtf8("代替案"));
    QCOMPARE(heading(form->AlternativesList, 1), QString::fromUtf8("評価"));

    const QList<QAction *> menus = form->MainMenu1->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->menu(), form->MenuFile);
    QCOMPARE(menus[1]->menu(), form->MenuEdit);
    QCOMPARE(form->MenuFile->title(), QString::fromUtf8("ファイル(&F)"));
    QCOMPARE(form->MenuFile->actions(), QList<QAction *>{form->MenuSaveAs});
    QCOMPARE(form->MenuSaveAs->text(), QString::fromUtf8("名前を付けて保存 (Save &As) ..."));
    QCOMPARE(form->MenuEdit->title(), QString::fromUtf8("編集(&E)"));
    QCOMPARE(form->MenuEdit->actions(), (QList<QAction *>{form->MenuCopy, form->MenuCopyAll}));
    QCOMPARE(form->MenuCopy->text(), QString::fromUtf8("コピー (&Copy)"));
    QCOMPARE(form->MenuCopy->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    QCOMPARE(form->MenuCopyAll->text(), QString::fromUtf8("全体をコピー (Copy &All)"));

    for (QTreeView *list : {form->RequirementsList, form->AlternativesList}) {
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!list->rootIsDecorated());
    }
    QVERIFY(form->isHidden());
}

void TestResultForm::englishTexts()
{
    auto form = makeForm(false);
    QCOMPARE(form->windowTitle(), QStringLiteral("Result / Priomat"));
    QCOMPARE(form->MenuFile->title(), QStringLiteral("&File"));
    QCOMPARE(form->MenuSaveAs->text(), QStringLiteral("Save &As ..."));
    QCOMPARE(form->MenuEdit->title(), QStringLiteral("&Edit"));
    QCOMPARE(form->MenuCopy->text(), QStringLiteral("&Copy"));
    QCOMPARE(form->MenuCopyAll->text(), QStringLiteral("Copy &All"));
    QCOMPARE(form->PageControl1->tabText(0), QStringLiteral("Requirements"));
    QCOMPARE(form->PageControl1->tabText(1), QStringLiteral("Alternatives"));
    QCOMPARE(form->PageControl1->tabText(2), QStringLiteral("Charts"));
    QCOMPARE(form->PageControl1->tabText(3), QStringLiteral("Sensitivity"));
    QCOMPARE(form->PageControl1->tabText(4), QStringLiteral("Certainty"));
    QCOMPARE(heading(form->RequirementsList, 0), QStringLiteral("Requirement"));
    QCOMPARE(heading(form->RequirementsList, 1), QStringLiteral("Importance"));
    QCOMPARE(heading(form->AlternativesList, 0), QStringLiteral("Alternative"));
    QCOMPARE(heading(form->AlternativesList, 1), QStringLiteral("Point"));
    QVERIFY(form->AlternativesChart->chart()->title().contains(QStringLiteral("no results")));
}

void TestResultForm::setResultsReplacesRowsAsGiven()
{
    auto form = makeForm(true);
    form->setResults(sampleResults());
    ResultLists second;
    second.requirements = {{QStringLiteral(" Noise level "), 0.123456789012345}};
    form->setResults(second);
    QCOMPARE(form->RequirementsList->model()->rowCount(), 1);
    QCOMPARE(cell(form->RequirementsList, 0, 0), QStringLiteral(" Noise level "));
    QCOMPARE(cell(form->RequirementsList, 0, 1), QStringLiteral("0.123456789012345"));
    QCOMPARE(form->AlternativesList->model()->rowCount(), 0);
    QCOMPARE(form->results(), second);
}

void TestResultForm::savingOnAlternativesPageWritesRequirementsFirst()
{
    auto form = makeForm(false);
    form->setResults(sampleResults());
    form->PageControl1->setCurrentWidget(form->AlternativesPage);
    const QString path = app_->environment.path("result.txt");
    form->saveDialogRunner = [&](const QString &) { return path; };
    form->MenuSaveAs->trigger();
    QCOMPARE(readBytes(path), QByteArray("[Requirements]\r\nCost\t0.6\r\nComfort\t0.4\r\n\r\n"
                                         "[Alternatives]\r\nCar A\t0.55\r\nCar B\t0.45\r\n"));
    QVERIFY(app_->platform.messageBox.shown.isEmpty());
}

void TestResultForm::savingWithoutAlternativesEndsWithHeader()
{
    auto form = makeForm(true);
    ResultLists lists;
    lists.requirements = {{QString::fromUtf8("根幹の要求"), 1.0}};
    form->setResults(lists);
    const QString path = app_->environment.path("only.txt");
    form->saveDialogRunner = [&](const QString &) { return path; };
    form->MenuSaveAsClick();
    QCOMPARE(readBytes(path), QString::fromUtf8("[Requirements]\r\n根幹の要求\t1\r\n\r\n[Alternatives]\r\n").toUtf8());
}

void TestResultForm::savingTwiceReplacesAndStartsFromLastFile()
{
    auto form = makeForm(true);
    const QString path = app_->environment.path("twice.txt");
    QStringList starts;
    form->saveDialogRunner = [&](const QString &start) {
        starts.append(start);
        return path;
    };
    form->setResults(sampleResults());
    form->MenuSaveAsClick();
    form->setResults({});
    form->MenuSaveAsClick();
    QCOMPARE(starts, (QStringList{app_->environment.home() + '/', path}));
    QCOMPARE(readBytes(path), QByteArray("[Requirements]\r\n\r\n[Alternatives]\r\n"));
    QVERIFY(app_->platform.messageBox.shown.isEmpty());
}

void TestResultForm::cancelledSaveWritesNothing()
{
    auto form = makeForm(true);
    form->setResults(sampleResults());
    QStringList starts;
    form->saveDialogRunner = [&](const QString &start) {
        starts.append(start);
        return QString();
    };
    form->MenuSaveAsClick();
    form->MenuSaveAsClick();
    // A cancel chooses no file, so the next use starts where the first did; never beside the
    // program, and in the open document's folder when there is one.
    QCOMPARE(starts, (QStringList{app_->environment.home() + '/', app_->environment.home() + '/'}));
    form->documentPath = [&] { return app_->environment.path("plan.ahp"); };
    form->MenuSaveAsClick();
    QCOMPARE(starts.last(), app_->environment.path(""));
    QCOMPARE(QDir(app_->environment.path("")).entryList(QDir::Files), QStringList{"priomat"});
}

void TestResultForm::saveDialogOptions()
{
    auto form = makeForm(false);
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("txt"));
        QCOMPARE(dialog->nameFilters(), (QStringList{"Text files (*.txt)", "All files (*)"}));
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(app_->environment.home()).canonicalPath());
        checked = true;
        dialog->reject();
    });
    form->MenuSaveAsClick();
    QVERIFY(checked);
    QVERIFY(form->SaveDialog1.fileName.isEmpty());
}

void TestResultForm::writeErrorShowsErrorBox()
{
    auto form = makeForm(true);
    form->setResults(sampleResults());
    const QString path = app_->environment.path("missing-folder/result.txt");
    form->saveDialogRunner = [&](const QString &) { return path; };
    form->MenuSaveAsClick();
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QCOMPARE(app_->platform.messageBox.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(app_->platform.messageBox.shown[0].flags, 0x10u);
    QVERIFY(!app_->platform.messageBox.shown[0].text.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestResultForm::copyAllCopiesOnlyActivePage()
{
    auto form = makeForm(true);
    form->setResults(sampleResults());
    QClipboard *clipboard = QGuiApplication::clipboard();
    form->PageControl1->setCurrentWidget(form->AlternativesPage);
    form->MenuCopyAll->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("Car A\t0.55\r\nCar B\t0.45\r\n"));
    form->PageControl1->setCurrentWidget(form->RequirementsPage);
    form->MenuCopyAll->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("Cost\t0.6\r\nComfort\t0.4\r\n"));

    // The charts page has no list to copy.
    form->PageControl1->setCurrentWidget(form->ChartsPage);
    form->MenuCopyAll->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("Cost\t0.6\r\nComfort\t0.4\r\n"));

    // An empty list still replaces the clipboard, with nothing.
    form->setResults({});
    form->PageControl1->setCurrentWidget(form->AlternativesPage);
    form->MenuCopyAllClick();
    QCOMPARE(clipboard->text(), QString());
}

void TestResultForm::copyTakesSelectedRowWithoutLineEnd()
{
    auto form = makeForm(true);
    form->setResults(sampleResults());
    QClipboard *clipboard = QGuiApplication::clipboard();
    form->MenuCopyClick();
    QCOMPARE(clipboard->text(), QStringLiteral("before"));

    form->RequirementsList->selectionModel()->select(form->RequirementsList->model()->index(1, 0),
                                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form->MenuCopyClick();
    QCOMPARE(clipboard->text(), QStringLiteral("Comfort\t0.4"));

    // The selection on the page not shown does not count.
    clipboard->setText(QStringLiteral("before"));
    form->PageControl1->setCurrentWidget(form->AlternativesPage);
    form->MenuCopyClick();
    QCOMPARE(clipboard->text(), QStringLiteral("before"));
}

void TestResultForm::menuCopyFollowsSelectionAndPage()
{
    auto form = makeForm(true);
    form->setResults(sampleResults());
    emit form->MenuEdit->aboutToShow();
    QVERIFY(!form->MenuCopy->isEnabled());
    QVERIFY(form->MenuCopyAll->isEnabled());

    form->RequirementsList->setCurrentIndex(form->RequirementsList->model()->index(0, 0));
    emit form->MenuEdit->aboutToShow();
    QVERIFY(form->MenuCopy->isEnabled());

    form->PageControl1->setCurrentWidget(form->AlternativesPage);
    emit form->MenuEdit->aboutToShow();
    QVERIFY(!form->MenuCopy->isEnabled());
    form->PageControl1->setCurrentWidget(form->ChartsPage);
    emit form->MenuEdit->aboutToShow();
    QVERIFY(!form->MenuCopy->isEnabled());
    QVERIFY(form->MenuCopyAll->isEnabled());

    // New results drop the selection.
    form->PageControl1->setCurrentWidget(form->RequirementsPage);
    emit form->MenuEdit->aboutToShow();
    QVERIFY(form->MenuCopy->isEnabled());
    form->setResults(sampleResults());
    emit form->MenuEdit->aboutToShow();
    QVERIFY(!form->MenuCopy->isEnabled());
}

void TestResultForm::ctrlCCopiesWholeRowOnly()
{
    auto form = makeForm(false);
    form->setResults(sampleResults());
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTreeView *list = form->RequirementsList;
    list->setFocus();
    QClipboard *clipboard = QGuiApplication::clipboard();

    // A current row that is not selected: the view must not copy its cell on its own.
    list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::NoUpdate);
    QVERIFY(!list->selectionModel()->hasSelection());
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("before"));

    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("Comfort\t0.4"));
}

void TestResultForm::columnWidthsDefaultAndSurviveNewWindow()
{
    auto form = makeForm(true);
    for (QTreeView *list : {form->RequirementsList, form->AlternativesList})
        for (int column = 0; column < 2; ++column)
            QCOMPARE(list->columnWidth(column), 100);
    form->RequirementsList->setColumnWidth(0, 150);
    form->RequirementsList->setColumnWidth(1, 61);
    form->AlternativesList->setColumnWidth(0, 83);
    form->AlternativesList->setColumnWidth(1, 120);
    form->show();
    form->close();
    QCOMPARE(ReadSetting("ResultForm\\Requirements", "Width0", 0), QVariant(150));
    QCOMPARE(ReadSetting("ResultForm\\Requirements", "Width1", 0), QVariant(61));
    QCOMPARE(ReadSetting("ResultForm\\Alternatives", "Width0", 0), QVariant(83));
    QCOMPARE(ReadSetting("ResultForm\\Alternatives", "Width1", 0), QVariant(120));

    form.reset();
    TResultForm again;
    QCOMPARE(again.RequirementsList->columnWidth(0), 150);
    QCOMPARE(again.RequirementsList->columnWidth(1), 61);
    QCOMPARE(again.AlternativesList->columnWidth(0), 83);
    QCOMPARE(again.AlternativesList->columnWidth(1), 120);
}

void TestResultForm::valueColumnsFitTheirNumbersUnlessGivenAWidth()
{
    auto form = makeForm(false);
    ResultLists lists;
    lists.requirements = {{"Cost", 0.123456789012345}, {"Comfort", 1.23456789012345E-5}};
    lists.alternatives = {{"Car A", 0.270833333333333}, {"Car B", 0.729166666666667}};
    form->setResults(lists);
    WriteSetting("ResultForm\\Alternatives", "Width1", 61);
    TResultForm stored;
    stored.setResults(lists);
    QVERIFY(form->AlternativesList->columnWidth(1) > 100);
    QCOMPARE(stored.AlternativesList->columnWidth(1), 61);
    // Without a stored width the numbers fit, bold ones too; a stored width rules.
    QTreeView *list = form->RequirementsList;
    for (int i = 0; i < list->model()->rowCount(); ++i) {
        const int text = QFontMetrics(cellFont(list, i, 1)).horizontalAdvance(cell(list, i, 1));
        QVERIFY2(list->columnWidth(1) > text, qPrintable(QString::number(list->columnWidth(1))));
    }
    QCOMPARE(list->columnWidth(0), 100);
    // The user's width stays through the next results, and only that width is stored.
    form->show();
    form->close();
    QVERIFY(!ReadSetting("ResultForm\\Requirements", "Width1", QVariant()).isValid());
    list->setColumnWidth(1, 70);
    form->setResults(lists);
    QCOMPARE(list->columnWidth(1), 70);
    form->show();
    form->close();
    QCOMPARE(ReadSetting("ResultForm\\Requirements", "Width1", 0), QVariant(70));
}

void TestResultForm::highestPointsInBoldInListOrder()
{
    auto form = makeForm(true);
    auto bold = [&] {
        QStringList names;
        for (int i = 0; i < form->AlternativesList->model()->rowCount(); ++i) {
            QTreeView *list = form->AlternativesList;
            if (cellFont(list, i, 0).bold() || cellFont(list, i, 1).bold())
                names.append(cell(list, i, 0) + (cellFont(list, i, 0).bold() == cellFont(list, i, 1).bold() ? "" : " (half)"));
        }
        return names;
    };
    ResultLists lists;
    lists.alternatives = {{"A", 0.25}, {"B", 0.5}, {"C", 0.0625}, {"D", 0.1875}};
    form->setResults(lists);
    QCOMPARE(bold(), QStringList{"B"});
    QCOMPARE(form->results(), lists); // order and texts as given
    QVERIFY(!form->RequirementsList->model()->rowCount() || !cellFont(form->RequirementsList, 0, 1).bold());
    // Ties for the highest are all marked; when every alternative has it, none stands out.
    lists.alternatives = {{"A", 0.4}, {"B", 0.2}, {"C", 0.4}};
    form->setResults(lists);
    QCOMPARE(bold(), (QStringList{"A", "C"}));
    lists.alternatives = {{"A", 0.5}, {"B", 0.5}};
    form->setResults(lists);
    QCOMPARE(bold(), QStringList());
    lists.alternatives = {{"A", 1E-5}, {"B", 2E-5}, {"C", qQNaN()}};
    form->setResults(lists);
    QCOMPARE(bold(), QStringList{"B"});
}

void TestResultForm::closeHidesAndStoresPlacement()
{
    auto form = makeForm(true);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->setGeometry(100, 120, 400, 300);
    form->PageControl1->setCurrentWidget(form->ChartsPage);
    QVERIFY(form->close());
    QVERIFY(form->isHidden());
    QCOMPARE(ReadSetting("ResultForm", "Width", 0), QVariant(400));
    QCOMPARE(ReadSetting("ResultForm", "Height", 0), QVariant(300));

    form.reset();
    TResultForm again;
    QCOMPARE(again.size(), QSize(400, 300));
    QCOMPARE(again.PageControl1->currentWidget(), again.RequirementsPage);
}

void TestResultForm::chartsFollowResults()
{
    auto form = makeForm(false);
    QVERIFY(form->RequirementsChart->chart()->series().isEmpty());
    QVERIFY(form->RequirementsChart->chart()->title().contains(QStringLiteral("no results")));

    ResultLists lists;
    lists.requirements = {{"A1", 0.45}, {"A2", 0.3}, {"B", 0.25}};
    lists.alternatives = {{"X", 0.7}, {"Y", 0.3}};
    form->setResults(lists);
    QCOMPARE(barValues(form->RequirementsChart), (QList<qreal>{0.45, 0.3, 0.25}));
    QCOMPARE(categories(form->RequirementsChart), (QStringList{"A1", "A2", "B"}));
    QCOMPARE(barValues(form->AlternativesChart), (QList<qreal>{0.7, 0.3}));
    QCOMPARE(categories(form->AlternativesChart), (QStringList{"X", "Y"}));
    QHorizontalBarSeries *series = barSeries(form->AlternativesChart);
    QVERIFY(series->isLabelsVisible());
    QVERIFY(!form->AlternativesChart->chart()->title().contains(QStringLiteral("no results")));
    // The longest bar leaves room for its number.
    auto *axis = qobject_cast<QValueAxis *>(form->AlternativesChart->chart()->axes(Qt::Horizontal).value(0));
    QVERIFY(axis);
    QVERIFY(axis->max() > 0.7);

    lists.alternatives.clear();
    lists.requirements = {{"Root", 1.0}};
    form->setResults(lists);
    QCOMPARE(barValues(form->RequirementsChart), QList<qreal>{1.0});
    QVERIFY(form->AlternativesChart->chart()->series().isEmpty());
    QVERIFY(form->AlternativesChart->chart()->axes().isEmpty());
    QVERIFY(form->AlternativesChart->chart()->title().contains(QStringLiteral("no results")));
}

void TestResultForm::chartsKeepRepeatedNames()
{
    auto form = makeForm(true);
    ResultLists lists;
    lists.requirements = {{"Cost", 0.5}, {"Cost", 0.25}, {"", 0.125}, {"", 0.125}};
    form->setResults(lists);
    QCOMPARE(barValues(form->RequirementsChart), (QList<qreal>{0.5, 0.25, 0.125, 0.125}));
    QStringList names = categories(form->RequirementsChart);
    QCOMPARE(names.size(), 4);
    QCOMPARE(names[0], QStringLiteral("Cost"));
    QCOMPARE(names[1].remove(QChar(0x200B)), QStringLiteral("Cost"));
    QCOMPARE(names[3].remove(QChar(0x200B)), QString());
}

void TestResultForm::chartsShowFirstRowAtTop()
{
    auto form = makeForm(false);
    ResultLists lists;
    lists.alternatives = {{"First", 0.5}, {"Second", 0.3}, {"Third", 0.2}};
    form->setResults(lists);
    form->PageControl1->setCurrentWidget(form->ChartsPage);
    form->resize(500, 400);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QChart *chart = form->AlternativesChart->chart();
    QHorizontalBarSeries *series = barSeries(form->AlternativesChart);
    QVERIFY(series);
    auto *axis = qobject_cast<QBarCategoryAxis *>(chart->axes(Qt::Vertical).value(0));
    QVERIFY(axis);
    // On screen, whatever order the chart keeps its categories in.
    auto rowY = [&](const QString &name) {
        const qsizetype index = axis->categories().indexOf(name);
        return index < 0 ? -1.0 : chart->mapToPosition(QPointF(0.1, qreal(index)), series).y();
    };
    const qreal first = rowY(QStringLiteral("First"));
    const qreal third = rowY(QStringLiteral("Third"));
    QVERIFY(first >= 0 && third >= 0);
    QVERIFY2(first < third, qPrintable(QStringLiteral("first row at %1, third at %2").arg(first).arg(third)));
}

QTEST_MAIN(TestResultForm)
#include "tst_resultform.moc"
