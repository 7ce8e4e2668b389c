#include "ui/windows/CertaintyPage.h"
#include "ui/windows/PageOutput.h"
#include "ui/UiLanguage.h"
#include "ui/windows/ReportList.h"

#include "document/DocumentSession.h"
#include "document/TextFile.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLegendMarker>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScatterSeries>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace priomat {

namespace {

QString share(double value)
{
    return QString::number(value, 'f', 3);
}

QString points(double value)
{
    return QString::number(value, 'f', 4);
}

QString percent(double value)
{
    return QString::number(value * 100.0, 'f', 1) + u'%';
}

// Categories drop repeated names; a zero-width space keeps each alternative its own.
QStringList distinctNames(const std::vector<AlternativeCertainty> &alternatives)
{
    QStringList names;
    for (const AlternativeCertainty &alternative : alternatives) {
        QString name = alternative.name;
        while (names.contains(name))
            name += QChar(0x200B);
        names.append(name);
    }
    return names;
}

void clearChart(QChart *chart)
{
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

QChartView *makeChart(QWidget *parent, const QString &name)
{
    auto *chart = new QChart();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 12, 4));
    auto *view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(180);
    return view;
}

QWidget *titled(QWidget *parent, QLabel *label, QWidget *content)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 4, 0, 0);
    label->setParent(box);
    label->setWordWrap(true);
    content->setParent(box);
    layout->addWidget(label);
    layout->addWidget(content, 1);
    return box;
}

} // namespace

CertaintyPage::CertaintyPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CertaintyPage"));
    run_ = new CertaintyRun(this);
    restart_ = new QTimer(this);
    restart_->setSingleShot(true);
    // Edits come in bursts (typing the alternatives): one run after the last of them.
    restart_->setInterval(200);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("CertaintyScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    inner_ = new QWidget();
    inner_->setMinimumWidth(440);
    scroll->setWidget(inner_);
    auto *layout = new QVBoxLayout(inner_);
    layout->setContentsMargins(4, 4, 4, 4);

    auto *controls = new QHBoxLayout();
    auto *spreadLabel = new QLabel(UiText(QStringLiteral("ずれ幅(&S):"), QStringLiteral("&Spread:")), inner_);
    SpreadCombo = new QComboBox(inner_);
    SpreadCombo->setObjectName(QStringLiteral("SpreadCombo"));
    for (int spread = 1; spread <= CertaintyMaxSpread; ++spread)
        SpreadCombo->addItem(UiText(QStringLiteral("±%1 段"), spread == 1 ? QStringLiteral("±%1 step") : QStringLiteral("±%1 steps"))
                                 .arg(spread),
                             spread);
    SpreadCombo->setCurrentIndex(CertaintyDefaultSpread - 1);
    SpreadCombo->setAccessibleName(UiText(QStringLiteral("ずれ幅"), QStringLiteral("Spread")));
    SpreadCombo->setToolTip(UiText(QStringLiteral("各判断を尺度上でずらす最大の段数"),
                                   QStringLiteral("The most scale steps each judgement is moved by")));
    spreadLabel->setBuddy(SpreadCombo);
    auto *drawsLabel = new QLabel(UiText(QStringLiteral("試行回数(&D):"), QStringLiteral("&Draws:")), inner_);
    DrawsSpin = new QSpinBox(inner_);
    DrawsSpin->setObjectName(QStringLiteral("DrawsSpin"));
    DrawsSpin->setRange(100, CertaintyMaxDraws);
    DrawsSpin->setSingleStep(1000);
    DrawsSpin->setValue(CertaintyDefaultDraws);
    DrawsSpin->setGroupSeparatorShown(true);
    DrawsSpin->setAccessibleName(UiText(QStringLiteral("試行回数"), QStringLiteral("Draws")));
    drawsLabel->setBuddy(DrawsSpin);
    RunButton = new QPushButton(UiText(QStringLiteral("再実行(&R)"), QStringLiteral("&Run again")), inner_);
    RunButton->setObjectName(QStringLiteral("RunButton"));
    CancelButton = new QPushButton(UiText(QStringLiteral("中止(&C)"), QStringLiteral("&Cancel")), inner_);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    Progress = new QProgressBar(inner_);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setAccessibleName(UiText(QStringLiteral("シミュレーションの進行状況"), QStringLiteral("Simulation progress")));
    Progress->setRange(0, CertaintyDefaultDraws);
    Progress->setValue(0);
    controls->addWidget(spreadLabel);
    controls->addWidget(SpreadCombo);
    controls->addSpacing(8);
    controls->addWidget(drawsLabel);
    controls->addWidget(DrawsSpin);
    controls->addSpacing(8);
    controls->addWidget(RunButton);
    controls->addStretch(1);
    layout->addLayout(controls);
    // Seen only while a run goes on.
    running_ = new QWidget(inner_);
    auto *runningLayout = new QHBoxLayout(running_);
    runningLayout->setContentsMargins(0, 0, 0, 0);
    Progress->setParent(running_);
    CancelButton->setParent(running_);
    runningLayout->addWidget(Progress, 1);
    runningLayout->addWidget(CancelButton);
    layout->addWidget(running_);

    NoteLabel = new QLabel(inner_);
    NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
    NoteLabel->setWordWrap(true);
    NoteLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    NoteLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(NoteLabel);

    SummaryLabel = new QLabel(inner_);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    SummaryLabel->setWordWrap(true);
    SummaryLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(SummaryLabel);

    Content = new QWidget(inner_);
    Content->setObjectName(QStringLiteral("CertaintyContent"));
    auto *contentLayout = new QVBoxLayout(Content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Vertical, Content);
    splitter_->setObjectName(QStringLiteral("CertaintySplitter"));
    splitter_->setChildrenCollapsible(false);

    auto *charts = new QSplitter(Qt::Horizontal, splitter_);
    charts->setObjectName(QStringLiteral("CertaintyCharts"));
    charts->setChildrenCollapsible(false);
    charts_ = charts;
    BestChart = makeChart(charts, QStringLiteral("BestChart"));
    BestChart->chart()->legend()->hide();
    PointsChart = makeChart(charts, QStringLiteral("PointsChart"));
    PointsChart->chart()->legend()->hide(); // the title says what is drawn
    charts->addWidget(BestChart);
    charts->addWidget(PointsChart);

    RankList = MakeReportList(nullptr, QStringLiteral("RankList"), {});
    auto *rankLabel = new QLabel(UiText(QStringLiteral("各順位になる確率と評価のパーセンタイル"),
                                        QStringLiteral("Probability of each rank, and percentiles of the points")));
    RankList->setAccessibleName(rankLabel->text());
    JudgementList = MakeReportList(
        nullptr, QStringLiteral("JudgementList"),
        UiJapanese() ? QStringList{QStringLiteral("マトリックス"), QStringLiteral("行"), QStringLiteral("列"),
                                   QStringLiteral("値"), QStringLiteral("動かす向き"), QStringLiteral("動いた回数"),
                                   QStringLiteral("最良が変わった回数"), QStringLiteral("割合")}
                     : QStringList{QStringLiteral("Matrix"), QStringLiteral("Row"), QStringLiteral("Column"),
                                   QStringLiteral("Value"), QStringLiteral("Towards"), QStringLiteral("Moved"),
                                   QStringLiteral("Winner changed"), QStringLiteral("Share")});
    auto *judgementLabel = new QLabel(UiText(
        QStringLiteral("最良の代替案を最も変えやすい判断（選ぶとメイン ウィンドウにそのマトリックスを表示）"),
        QStringLiteral("The judgements that most often go with another winner (choose one to show its matrix "
                       "in the main window)")));
    JudgementList->setAccessibleName(UiText(QStringLiteral("最良の代替案を最も変えやすい判断"),
                                            QStringLiteral("The judgements that matter most")));
    QStringList methodHeadings{UiText(QStringLiteral("代替案"), QStringLiteral("Alternative"))};
    for (int m = 0; m < AhpMethodCount; ++m)
        methodHeadings << AhpMethodName(AhpMethod(m), UiJapanese()) << UiText(QStringLiteral("順位"), QStringLiteral("Rank"));
    methodHeadings << UiText(QStringLiteral("順位の比較"), QStringLiteral("Ranking"));
    MethodList = MakeReportList(nullptr, QStringLiteral("MethodList"), methodHeadings);
    MethodsLabel = new QLabel();
    MethodsLabel->setObjectName(QStringLiteral("MethodsLabel"));
    MethodList->setAccessibleName(UiText(QStringLiteral("ほかの AHP の計算方法での評価"),
                                         QStringLiteral("Points under the other AHP methods")));
    splitter_->addWidget(charts);
    splitter_->addWidget(titled(splitter_, rankLabel, RankList));
    splitter_->addWidget(titled(splitter_, judgementLabel, JudgementList));
    splitter_->addWidget(titled(splitter_, MethodsLabel, MethodList));
    contentLayout->addWidget(splitter_);
    // The scroll area sizes the page by its preferred height, wrapped labels being there; the
    // content prefers no more than its minimum, so the page scrolls only when it must.
    Content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    Content->setMinimumHeight(splitter_->minimumSizeHint().height());
    layout->addWidget(Content, 1);
    // Takes the room the content leaves while it is hidden.
    layout->addStretch(1);
    layout_ = layout;

    connect(run_, &CertaintyRun::progress, this, &CertaintyPage::showRunning);
    connect(run_, &CertaintyRun::finished, this, &CertaintyPage::showReport);
    connect(run_, &CertaintyRun::failed, this, [this](const QString &message) {
        showNote(UiText(QStringLiteral("評価できないため確からしさはありません:\n"),
                        QStringLiteral("No certainty analysis, because the evaluation fails:\n"))
                 + message);
    });
    connect(run_, &CertaintyRun::cancelled, this, [this] {
        showNote(UiText(QStringLiteral("中止しました。「再実行」で始めます。"),
                        QStringLiteral("Cancelled. Choose Run again to start.")));
    });
    connect(restart_, &QTimer::timeout, this, &CertaintyPage::startRun);
    connect(RunButton, &QPushButton::clicked, this, &CertaintyPage::startRun);
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        if (restart_->isActive()) {
            restart_->stop();
            run_->discard();
            stale_ = false; // stays cancelled until a change or Run again
            showNote(UiText(QStringLiteral("中止しました。「再実行」で始めます。"),
                            QStringLiteral("Cancelled. Choose Run again to start.")));
            return;
        }
        stale_ = false;
        run_->cancel();
    });
    connect(SpreadCombo, &QComboBox::currentIndexChanged, this, &CertaintyPage::documentChanged);
    connect(DrawsSpin, &QSpinBox::valueChanged, this, &CertaintyPage::documentChanged);
    connect(JudgementList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        const int row = item ? JudgementList->indexOfTopLevelItem(item) : -1;
        if (row >= 0 && size_t(row) < judgements_.size())
            emit judgementChosen(judgements_[size_t(row)]);
    });
    for (QTreeWidget *list : {RankList, JudgementList, MethodList}) {
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, list] {
            if (!list->selectedItems().isEmpty())
                lastList_ = list;
            emit selectionChanged();
        });
    }
    showNote(UiText(QStringLiteral("結果がありません。"), QStringLiteral("No results to analyse.")));
}

CertaintyPage::~CertaintyPage() = default;

QSize CertaintyPage::contentSize() const
{
    return inner_->minimumSize().expandedTo(inner_->minimumSizeHint());
}

bool CertaintyPage::isRunning() const
{
    return run_->isRunning() || restart_->isActive();
}

void CertaintyPage::attachSession(DocumentSession *session)
{
    session_ = session;
    connect(session_->undoStack(), &QUndoStack::indexChanged, this, &CertaintyPage::documentChanged);
    connect(session_, &DocumentSession::documentReplaced, this, &CertaintyPage::documentChanged);
    connect(session_, &DocumentSession::alternativesTextChanged, this, &CertaintyPage::documentChanged);
    documentChanged();
}

void CertaintyPage::documentChanged()
{
    // Whatever was shown or is being computed is of another document now.
    run_->discard();
    stale_ = true;
    if (isVisible()) {
        showRunning(0, DrawsSpin->value());
        restart_->start();
    } else {
        restart_->stop();
    }
}

void CertaintyPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    placeSplitter();
    if (stale_ && !run_->isRunning() && !restart_->isActive()) {
        showRunning(0, DrawsSpin->value());
        restart_->start();
    }
}

void CertaintyPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Side by side when there is room, else one above the other.
    auto *charts = static_cast<QSplitter *>(charts_);
    const Qt::Orientation wanted = width() >= 760 ? Qt::Horizontal : Qt::Vertical;
    if (charts->orientation() != wanted) {
        charts->setOrientation(wanted);
        Content->setMinimumHeight(splitter_->minimumSizeHint().height());
        placed_ = false;
        placeSplitter();
    }
}

void CertaintyPage::placeSplitter()
{
    // The charts get a third of the height, half of it when one is above the other; the user's
    // own split stays until they change places.
    if (placed_ || splitter_->height() <= 0 || !isVisible())
        return;
    placed_ = true;
    const int h = std::max(splitter_->height(), 500);
    const int charts = static_cast<QSplitter *>(charts_)->orientation() == Qt::Vertical ? 50 : 34;
    const int rest = (100 - charts) / 3;
    splitter_->setSizes({h * charts / 100, h * rest / 100, h * rest / 100, h * rest / 100});
}

void CertaintyPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Only a page that is seen computes; it starts again when shown.
    if (isRunning()) {
        restart_->stop();
        run_->discard();
        stale_ = true;
    }
}

void CertaintyPage::startRun()
{
    restart_->stop();
    if (!session_)
        return;
    try {
        stale_ = false;
        run_->start(session_->document(), SpreadCombo->currentData().toInt(), DrawsSpin->value(), UiJapanese());
    } catch (...) {
        run_->discard();
        showNote(UiText(QStringLiteral("確からしさを計算できません。"),
                        QStringLiteral("The judgements could not be simulated.")));
    }
    updateButtons();
}

void CertaintyPage::updateButtons()
{
    const bool running = isRunning();
    RunButton->setEnabled(!running && session_);
    CancelButton->setEnabled(running);
    running_->setVisible(running);
}

void CertaintyPage::showRunning(int done, int draws)
{
    // A result on the page belongs to another document or other settings: away with it.
    if (!Content->isHidden())
        showNote(QString());
    NoteLabel->setText(UiText(QStringLiteral("判断を %1 回ずらして評価しています…"),
                              QStringLiteral("Evaluating %1 draws of the judgements…"))
                           .arg(QLocale().toString(draws)));
    NoteLabel->show();
    Progress->setRange(0, std::max(1, draws));
    Progress->setValue(std::clamp(done, 0, draws));
    updateButtons();
}

void CertaintyPage::showNote(const QString &text)
{
    NoteLabel->setText(text);
    NoteLabel->show();
    SummaryLabel->hide();
    Content->hide();
    layout_->setStretch(layout_->count() - 1, 1);
    summaryLines_.clear();
    judgements_.clear();
    for (QTreeWidget *list : {RankList, JudgementList, MethodList})
        list->clear();
    clearChart(BestChart->chart());
    clearChart(PointsChart->chart());
    BestChart->setAccessibleDescription(QString());
    PointsChart->setAccessibleDescription(QString());
    lastList_ = nullptr;
    updateButtons();
    emit selectionChanged();
}

void CertaintyPage::showReport(const CertaintyReport &report)
{
    try {
        const CertaintyResult &result = report.certainty;
        if (result.alternatives.empty()) {
            showNote(UiText(QStringLiteral("代替案がありません。"), QStringLiteral("There are no alternatives.")));
            return;
        }
        showNote(QString());
        NoteLabel->hide();
        Content->show();
        layout_->setStretch(layout_->count() - 1, 0);
        QTimer::singleShot(0, this, &CertaintyPage::placeSplitter); // once laid out
        fillRanks(result);
        fillJudgements(result);
        fillMethods(report.methods);
        drawBest(result);
        drawPoints(result);
        const AlternativeCertainty &winner = result.alternatives.at(size_t(std::max(0, result.winner)));
        SummaryLabel->setText(
            UiJapanese()
                ? QStringLiteral("%1 回の試行（%2 個の判断をそれぞれ ±%3 段までずらす）で「%4」が最良のままだったのは %5、"
                                 "ほかの代替案が最良になったのは %6 回。")
                      .arg(QLocale().toString(result.draws)).arg(result.judgementCount).arg(result.spread)
                      .arg(winner.name, percent(winner.bestShare)).arg(QLocale().toString(result.winnerChanges))
                : QStringLiteral("In %1 draws (each of %2 judgements moved by up to ±%3 steps), %4 stayed best in %5; "
                                 "another alternative was best in %6.")
                      .arg(QLocale().toString(result.draws)).arg(result.judgementCount).arg(result.spread)
                      .arg(winner.name, percent(winner.bestShare)).arg(QLocale().toString(result.winnerChanges)));
        SummaryLabel->show();
        summaryLines_ = {QStringList{QStringLiteral("Spread"), QStringLiteral("Draws"), QStringLiteral("Seed"),
                                     QStringLiteral("Judgements"), QStringLiteral("Winner changed")}
                             .join(u'\t'),
                         QStringList{QString::number(result.spread), QString::number(result.draws),
                                     QString::number(result.seed), QString::number(result.judgementCount),
                                     QString::number(result.winnerChanges)}
                             .join(u'\t')};
        updateButtons();
        emit resultShown();
    } catch (...) {
        showNote(UiText(QStringLiteral("結果を表示するメモリが足りません。"),
                        QStringLiteral("Not enough memory to show the result.")));
    }
}

void CertaintyPage::fillRanks(const CertaintyResult &result)
{
    const int count = int(result.alternatives.size());
    QStringList headings{UiText(QStringLiteral("代替案"), QStringLiteral("Alternative")),
                         UiText(QStringLiteral("評価"), QStringLiteral("Points")),
                         UiText(QStringLiteral("順位"), QStringLiteral("Rank")),
                         UiText(QStringLiteral("最良の確率"), QStringLiteral("P(best)"))};
    for (int r = 2; r <= count; ++r)
        headings.append(UiText(QStringLiteral("%1 位"), QStringLiteral("P(rank %1)")).arg(r));
    headings << QStringLiteral("P5") << QStringLiteral("P50") << QStringLiteral("P95");
    RankList->setColumnCount(int(headings.size()));
    RankList->setHeaderLabels(headings);
    QList<QTreeWidgetItem *> items;
    for (const AlternativeCertainty &alternative : result.alternatives) {
        QStringList cells{alternative.name, points(alternative.points), QString::number(alternative.rank),
                          share(alternative.bestShare)};
        for (size_t r = 1; r < alternative.rankShares.size(); ++r)
            cells.append(share(alternative.rankShares[r]));
        cells << points(alternative.p5) << points(alternative.p50) << points(alternative.p95);
        items.append(new QTreeWidgetItem(cells));
    }
    RankList->addTopLevelItems(items);
    FitColumns(RankList);
}

void CertaintyPage::fillJudgements(const CertaintyResult &result)
{
    judgements_ = result.judgements;
    QList<QTreeWidgetItem *> items;
    for (const JudgementInfluence &judgement : judgements_) {
        const QString owner = judgement.requirements ? judgement.owner
                                                     : UiText(QStringLiteral("%1（代替案）"),
                                                              QStringLiteral("%1 (alternatives)"))
                                                           .arg(judgement.owner);
        items.append(new QTreeWidgetItem(QStringList{
            owner, judgement.rowName, judgement.columnName, judgement.value,
            judgement.towardsRow ? judgement.rowName : judgement.columnName, QLocale().toString(judgement.moved),
            QLocale().toString(judgement.changed), share(judgement.share())}));
    }
    if (items.isEmpty()) {
        items.append(new QTreeWidgetItem(QStringList{
            result.winnerChanges == 0 ? UiText(QStringLiteral("どの試行でも最良の代替案は変わりませんでした。"),
                                               QStringLiteral("No draw changed the best alternative."))
                                      : UiText(QStringLiteral("ずらせる判断がありません。"),
                                               QStringLiteral("No judgement could be moved."))}));
        items.constFirst()->setFirstColumnSpanned(true);
    }
    JudgementList->addTopLevelItems(items);
    FitColumns(JudgementList);
}

void CertaintyPage::fillMethods(const MethodComparison &methods)
{
    QList<QTreeWidgetItem *> items;
    QStringList differing;
    for (qsizetype k = 0; k < methods.alternatives.size(); ++k) {
        QStringList cells{methods.alternatives.at(k)};
        for (int m = 0; m < AhpMethodCount; ++m)
            cells << points(methods.points[m][size_t(k)]) << QString::number(methods.ranks[m][size_t(k)]);
        const bool agrees = methods.rankAgrees(int(k));
        cells << (agrees ? UiText(QStringLiteral("同じ"), QStringLiteral("same"))
                         : UiText(QStringLiteral("※ 異なる"), QStringLiteral("* differs")));
        auto *item = new QTreeWidgetItem(cells);
        if (!agrees) {
            differing.append(methods.alternatives.at(k));
            QFont bold = MethodList->font();
            bold.setBold(true);
            for (int column = 0; column < item->columnCount(); ++column) {
                item->setFont(column, bold);
                item->setBackground(column, QColor(0xff, 0xec, 0xb0));
                item->setForeground(column, QColor(Qt::black));
            }
        }
        items.append(item);
    }
    MethodList->addTopLevelItems(items);
    FitColumns(MethodList);

    const bool ja = UiJapanese();
    QString text = differing.isEmpty()
                       ? UiText(QStringLiteral("ほかの AHP の計算方法: 4 つの方法の順位はすべて同じです。"),
                                QStringLiteral("Other AHP methods: the four methods rank the alternatives alike."))
                       : UiText(QStringLiteral("ほかの AHP の計算方法: 順位が方法によって異なります（※）: %1。"),
                                QStringLiteral("Other AHP methods: the ranking differs between the methods (*) for %1."))
                             .arg(differing.join(ja ? QStringLiteral("、") : QStringLiteral(", ")));
    QStringList verdicts;
    for (const MatrixConsistencyComparison &matrix : methods.matrices) {
        if (matrix.verdictsDiffer())
            verdicts.append(ja ? QStringLiteral("「%1」（整合度 %2、CR %3）")
                                     .arg(matrix.owner, share(matrix.index), share(matrix.ratio))
                               : QStringLiteral("\"%1\" (index %2, CR %3)")
                                     .arg(matrix.owner, share(matrix.index), share(matrix.ratio)));
    }
    if (!verdicts.isEmpty())
        text += u'\n'
                + UiText(QStringLiteral("整合度と Saaty の整合比 (CR) で 0.1 の判定が分かれるマトリックス: %1"),
                         QStringLiteral("The index and Saaty's consistency ratio (CR) fall on different sides of 0.1 "
                                        "for: %1"))
                      .arg(verdicts.join(ja ? QStringLiteral("、") : QStringLiteral(", ")));
    MethodsLabel->setText(text);
}

void CertaintyPage::drawBest(const CertaintyResult &result)
{
    QChart *chart = BestChart->chart();
    clearChart(chart);
    const QColor text = palette().color(QPalette::WindowText);
    QFont titleFont = font();
    titleFont.setBold(true);
    const QString title = UiText(QStringLiteral("最良になる確率"), QStringLiteral("Probability of being best"));
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(text);
    chart->setTitle(title);

    // Categories count upwards from the axis; reversed, the first alternative is on top.
    QStringList names = distinctNames(result.alternatives);
    QList<qreal> values;
    QStringList spoken;
    for (const AlternativeCertainty &alternative : result.alternatives) {
        values.append(share(alternative.bestShare).toDouble()); // labelled as the table shows it
        spoken.append(alternative.name + QStringLiteral(": ") + share(alternative.bestShare));
    }
    BestChart->setAccessibleName(title);
    BestChart->setAccessibleDescription(spoken.join(QStringLiteral("; ")));
    std::reverse(names.begin(), names.end());
    std::reverse(values.begin(), values.end());
    auto *set = new QBarSet(title);
    set->append(values);
    set->setLabelColor(text);
    set->setLabelFont(font());
    auto *series = new QHorizontalBarSeries();
    series->append(set);
    series->setBarWidth(0.7);
    series->setLabelsVisible(true);
    series->setLabelsFormat(QStringLiteral("@value"));
    series->setLabelsPrecision(3);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    chart->addSeries(series);
    auto *axisNames = new QBarCategoryAxis();
    axisNames->append(names);
    axisNames->setTruncateLabels(false);
    axisNames->setLabelsFont(font());
    axisNames->setLabelsBrush(text);
    axisNames->setGridLineVisible(false);
    chart->addAxis(axisNames, Qt::AlignLeft);
    series->attachAxis(axisNames);
    // Ticks up to 1 only, with room right of a bar of 1 for its number.
    auto *shares = new QCategoryAxis();
    shares->setRange(0.0, 1.15);
    shares->setStartValue(-1e-9);
    shares->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (int tick = 0; tick <= 5; ++tick)
        shares->append(QString::number(tick * 0.2, 'f', 1), tick * 0.2);
    shares->setLabelsFont(font());
    shares->setLabelsBrush(text);
    chart->addAxis(shares, Qt::AlignBottom);
    series->attachAxis(shares);
}

void CertaintyPage::drawPoints(const CertaintyResult &result)
{
    QChart *chart = PointsChart->chart();
    clearChart(chart);
    const QColor text = palette().color(QPalette::WindowText);
    QFont titleFont = font();
    titleFont.setBold(true);
    const QString title = UiText(QStringLiteral("評価の 5〜95 パーセンタイル（横線は中央値、点は現在の評価）"),
                                 QStringLiteral("Points: 5th to 95th percentile (bar: median, dot: now)"));
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(text);
    chart->setTitle(title);
    chart->legend()->setLabelColor(text);
    chart->legend()->setFont(font());

    // Whiskers from the 5th to the 95th percentile with the median across; the points now as dots.
    auto *whiskers = new QBoxPlotSeries();
    whiskers->setName(UiText(QStringLiteral("5〜95%（線は中央値）"), QStringLiteral("5–95% (line: median)")));
    whiskers->setBoxWidth(0.35);
    auto *now = new QScatterSeries();
    now->setName(UiText(QStringLiteral("現在の評価"), QStringLiteral("Points now")));
    now->setMarkerSize(8.0);
    now->setColor(text);
    now->setBorderColor(text);
    double low = 1.0, high = 0.0;
    QStringList spoken;
    const QStringList names = distinctNames(result.alternatives);
    for (size_t k = 0; k < result.alternatives.size(); ++k) {
        const AlternativeCertainty &alternative = result.alternatives[k];
        auto *set = new QBoxSet(alternative.p5, alternative.p50, alternative.p50, alternative.p50, alternative.p95,
                                names.at(qsizetype(k)));
        whiskers->append(set);
        now->append(double(k), alternative.points);
        low = std::min({low, alternative.p5, alternative.points});
        high = std::max({high, alternative.p95, alternative.points});
        spoken.append(UiText(QStringLiteral("%1: %2〜%3、中央値 %4、現在 %5"),
                             QStringLiteral("%1: %2 to %3, median %4, now %5"))
                          .arg(alternative.name, points(alternative.p5), points(alternative.p95),
                               points(alternative.p50), points(alternative.points)));
    }
    PointsChart->setAccessibleName(title);
    PointsChart->setAccessibleDescription(spoken.join(QStringLiteral("; ")));
    chart->addSeries(whiskers);
    chart->addSeries(now);
    auto *axisNames = new QBarCategoryAxis();
    axisNames->append(names);
    axisNames->setTruncateLabels(false);
    axisNames->setLabelsFont(font());
    axisNames->setLabelsBrush(text);
    axisNames->setGridLineVisible(false);
    chart->addAxis(axisNames, Qt::AlignBottom);
    whiskers->attachAxis(axisNames);
    now->attachAxis(axisNames);
    auto *values = new QValueAxis();
    const double margin = std::max(0.01, (high - low) * 0.08);
    values->setRange(std::max(0.0, low - margin), high + margin);
    values->applyNiceNumbers();
    values->setLabelFormat(QStringLiteral("%.2f"));
    values->setLabelsFont(font());
    values->setLabelsBrush(text);
    values->setTitleText(UiText(QStringLiteral("評価"), QStringLiteral("Points")));
    values->setTitleFont(font());
    values->setTitleBrush(text);
    chart->addAxis(values, Qt::AlignLeft);
    whiskers->attachAxis(values);
    now->attachAxis(values);
}

QString CertaintyPage::selectedRowText() const
{
    return SelectedRowText({lastList_, RankList, JudgementList, MethodList});
}

QString CertaintyPage::allText() const
{
    if (Content->isHidden())
        return QString();
    QString text;
    for (const QTreeWidget *list : {RankList, JudgementList, MethodList})
        text += ListText(list) + QStringLiteral("\r\n");
    return text + summaryLines_.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void CertaintyPage::save(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("txt") || suffix == QStringLiteral("tsv")) {
        QStringList lines = allText().split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.constLast().isEmpty())
            lines.removeLast();
        WriteTextLines(path, lines);
        return;
    }
    WriteFileAtomically(path, WidgetImage(charts_, BestChart->chart()->title(), path));
}

void CertaintyPage::saveAs(QWidget *dialogParent)
{
    RunPageSaveAs(dialogParent,
                  {UiText(QStringLiteral("テキスト ファイル (*.txt);;PNG 画像 (*.png);;SVG 画像 (*.svg);;すべてのファイル (*)"),
                          QStringLiteral("Text files (*.txt);;PNG images (*.png);;SVG images (*.svg);;All files (*)")),
                   {QStringLiteral("txt"), QStringLiteral("png"), QStringLiteral("svg")},
                   saveDialogRunner,
                   [this](const QString &path) { save(path); }},
                  session_ ? session_->fileName() : QString(), lastSaved_);
}

} // namespace priomat
