#include "ui/windows/SensitivityPage.h"
#include "ui/windows/PageOutput.h"
#include "ui/windows/ReportList.h"

#include "app/Appli.h"
#include "document/DocumentSession.h"
#include "document/TextFile.h"
#include "model/ComputationError.h"
#include "model/FloatFormat.h"
#include "model/Sensitivity.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <new>

namespace priomat {

namespace {

// Four significant digits are enough to read a weight off the chart.
QString shortNumber(double value)
{
    return QString::number(value, 'g', 4);
}

} // namespace

SensitivityPage::SensitivityPage(bool japanese, QWidget *parent) : QWidget(parent), japanese_(japanese)
{
    setObjectName(QStringLiteral("SensitivityPage"));
    // A chart and two tables need more room than the window's first size: below this the page
    // scrolls instead of squeezing the chart's labels away.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SensitivityScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    auto *inner = new QWidget();
    inner->setMinimumSize(460, 540);
    inner_ = inner;
    scroll->setWidget(inner);
    auto *layout = new QVBoxLayout(inner);
    layout->setContentsMargins(4, 4, 4, 4);

    auto *top = new QHBoxLayout();
    auto *nodeLabel = new QLabel(japanese_ ? QStringLiteral("要求(&N):") : QStringLiteral("&Node:"), this);
    NodeCombo = new QComboBox(this);
    NodeCombo->setObjectName(QStringLiteral("NodeCombo"));
    NodeCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    nodeLabel->setBuddy(NodeCombo);
    top->addWidget(nodeLabel);
    top->addWidget(NodeCombo, 1);
    layout->addLayout(top);

    NoteLabel = new QLabel(this);
    NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
    NoteLabel->setWordWrap(true);
    NoteLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(NoteLabel);

    SummaryLabel = new QLabel(this);
    SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
    SummaryLabel->setWordWrap(true);
    SummaryLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(SummaryLabel);

    Content = new QWidget(this);
    Content->setObjectName(QStringLiteral("SensitivityContent"));
    auto *contentLayout = new QVBoxLayout(Content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    auto *splitter = new QSplitter(Qt::Vertical, Content);
    splitter_ = splitter;
    splitter->setObjectName(QStringLiteral("SensitivitySplitter"));
    splitter->setChildrenCollapsible(false);

    auto *chart = new QChart();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 12, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    WeightChart = new QChartView(chart, splitter);
    WeightChart->setObjectName(QStringLiteral("WeightChart"));
    WeightChart->setRenderHint(QPainter::Antialiasing);
    WeightChart->setMinimumHeight(120);

    TippingList = MakeReportList(splitter, QStringLiteral("TippingList"),
                            japanese_ ? QStringList{QStringLiteral("要求"), QStringLiteral("重み"), QStringLiteral("最良"),
                                                    QStringLiteral("下の転換点"), QStringLiteral("その最良"),
                                                    QStringLiteral("上の転換点"), QStringLiteral("その最良")}
                                      : QStringList{QStringLiteral("Child"), QStringLiteral("Weight"), QStringLiteral("Best"),
                                                    QStringLiteral("Below"), QStringLiteral("Best below"),
                                                    QStringLiteral("Above"), QStringLiteral("Best above")});
    auto *judgements = new QWidget(splitter);
    auto *judgementLayout = new QVBoxLayout(judgements);
    judgementLayout->setContentsMargins(0, 4, 0, 0);
    JudgementLabel = new QLabel(judgements);
    JudgementLabel->setObjectName(QStringLiteral("JudgementLabel"));
    JudgementLabel->setWordWrap(true);
    JudgementList = MakeReportList(judgements, QStringLiteral("JudgementList"),
                              japanese_ ? QStringList{QStringLiteral("行"), QStringLiteral("列"), QStringLiteral("値"),
                                                      QStringLiteral("下げた値"), QStringLiteral("段"), QStringLiteral("最良"),
                                                      QStringLiteral("上げた値"), QStringLiteral("段"), QStringLiteral("最良"),
                                                      QStringLiteral("要注意")}
                                        : QStringList{QStringLiteral("Row"), QStringLiteral("Column"), QStringLiteral("Value"),
                                                      QStringLiteral("Lower"), QStringLiteral("Steps"), QStringLiteral("Best"),
                                                      QStringLiteral("Higher"), QStringLiteral("Steps"), QStringLiteral("Best"),
                                                      QStringLiteral("Close")});
    judgementLayout->addWidget(JudgementLabel);
    judgementLayout->addWidget(JudgementList);
    splitter->addWidget(WeightChart);
    splitter->addWidget(TippingList);
    splitter->addWidget(judgements);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 2);
    contentLayout->addWidget(splitter);
    layout->addWidget(Content, 1);

    connect(NodeCombo, &QComboBox::activated, this, [this] {
        chartChild_ = 0;
        try {
            fillTables();
            showSummary();
        } catch (...) {
            refresh(); // shows why as a note
        }
    });
    connect(TippingList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!item)
            return;
        const int child = TippingList->indexOfTopLevelItem(item);
        if (child != chartChild_) {
            chartChild_ = child;
            try {
                drawChart();
            } catch (...) {
                WeightChart->chart()->removeAllSeries();
            }
        }
    });
    for (QTreeWidget *list : {TippingList, JudgementList}) {
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, list] {
            if (!list->selectedItems().isEmpty())
                lastList_ = list;
            emit selectionChanged();
        });
    }
    showNote(japanese_ ? QStringLiteral("結果がありません。") : QStringLiteral("No results to analyse."));
}

SensitivityPage::~SensitivityPage() = default;

QSize SensitivityPage::contentSize() const
{
    return inner_->minimumSize().expandedTo(inner_->minimumSizeHint());
}

void SensitivityPage::attachSession(DocumentSession *session)
{
    session_ = session;
    for (auto signal : {&DocumentSession::resultsChanged, &DocumentSession::shownMatrixChanged,
                        &DocumentSession::documentReplaced})
        connect(session_, signal, this, &SensitivityPage::sessionChanged);
    sessionChanged();
}

void SensitivityPage::sessionChanged()
{
    // The analysis points into the tree, which the edit may have changed: drop it now and build
    // it again once the edit's notifications are through, and only while the page is seen.
    analysis_.reset();
    if (pending_)
        return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (pending_ && isVisible())
            refresh();
    });
}

void SensitivityPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!splitterPlaced_ && splitter_->height() > 0) {
        // Half for the chart, the rest shared by the tables; the user's own split stays.
        splitterPlaced_ = true;
        const int h = std::max(splitter_->height(), 400);
        splitter_->setSizes({h * 5 / 10, h * 2 / 10, h * 3 / 10});
    }
    if (pending_ || !analysis_)
        refresh();
}

void SensitivityPage::refresh()
{
    pending_ = false;
    try {
        rebuild();
    } catch (const ComputationError &error) {
        analysis_.reset();
        showNote(error.message(japanese_));
    } catch (const std::bad_alloc &) {
        analysis_.reset();
        showNote(japanese_ ? QStringLiteral("感度分析のメモリが足りません。")
                           : QStringLiteral("Not enough memory for the sensitivity analysis."));
    }
}

void SensitivityPage::showNote(const QString &text)
{
    NoteLabel->setText(text);
    NoteLabel->show();
    Content->hide();
    SummaryLabel->hide();
    tipping_.clear();
    judgements_.clear();
    TippingList->clear();
    JudgementList->clear();
    WeightChart->chart()->removeAllSeries();
}

void SensitivityPage::rebuild()
{
    analysis_.reset();
    if (!session_)
        return;
    if (!session_->evaluationError().isEmpty()) {
        // The error itself was shown once when the evaluation ran; here only the reason stays.
        showNote((japanese_ ? QStringLiteral("評価できないため感度分析はありません:\n")
                            : QStringLiteral("No sensitivity analysis, because the evaluation fails:\n"))
                 + session_->evaluationError());
        return;
    }
    if (session_->results().alternatives.isEmpty() && !session_->document().alternatives().isEmpty()) {
        showNote(japanese_ ? QStringLiteral("結果がありません。再計算してください。")
                           : QStringLiteral("No results to analyse. Choose Calculate."));
        return;
    }
    if (session_->document().alternatives().size() < 2) {
        showNote(japanese_ ? QStringLiteral("感度分析には 2 つ以上の代替案が必要です。")
                           : QStringLiteral("The sensitivity analysis needs two or more alternatives."));
        return;
    }
    DocumentSession *session = session_;
    analysis_ = std::make_unique<SensitivityAnalysis>(
        session->document(), [session](const QString &leafName) { return session->leafWeights(leafName); });
    NoteLabel->hide();
    Content->show();
    fillNodes();
    fillTables();
    fillJudgements();
    showSummary();
}

void SensitivityPage::showSummary()
{
    if (!analysis_) {
        SummaryLabel->hide();
        return;
    }
    const QStringList &names = analysis_->alternatives();
    const SensitivitySummary summary = SummarizeSensitivity(analysis_->points(), tipping_, judgements_);
    if (summary.winner < 0 || summary.runnerUp < 0) {
        SummaryLabel->hide();
        return;
    }
    const QString winner = names.value(summary.winner);
    const QString runnerUp = names.value(summary.runnerUp);
    QString weight;
    if (summary.weight) {
        const TippingPoint &point = *summary.weight;
        weight = japanese_ ? QStringLiteral("重みでは「%1」の %2 → %3（「%4」が最良に）")
                                 .arg(point.caption, shortNumber(point.weight), shortNumber(summary.tippingWeight),
                                      names.value(summary.weightWinner))
                           : QStringLiteral("the weight of \"%1\" going from %2 to %3 (then %4 is best)")
                                 .arg(point.caption, shortNumber(point.weight), shortNumber(summary.tippingWeight),
                                      names.value(summary.weightWinner));
    } else {
        weight = japanese_ ? QStringLiteral("重みではこの要求の子のどれを変えても最良は変わらず")
                           : QStringLiteral("no weight of these children changes the best alternative");
    }
    QString judgement;
    if (summary.judgement) {
        const JudgementRobustness &pair = *summary.judgement;
        const JudgementStep &step = summary.judgementStep;
        judgement = japanese_ ? QStringLiteral("判断では「%1 / %2」の %3 → %4（%5 段、「%6」が最良に）")
                                    .arg(pair.rowName, pair.columnName, pair.value, step.value)
                                    .arg(step.steps)
                                    .arg(names.value(step.winner))
                              : QStringLiteral("the judgement \"%1 / %2\" going from %3 to %4 (%5 steps, then %6 is best)")
                                    .arg(pair.rowName, pair.columnName, pair.value, step.value)
                                    .arg(step.steps)
                                    .arg(names.value(step.winner));
    } else {
        judgement = japanese_ ? QStringLiteral("判断では表示中のマトリックスのどの値を変えても最良は変わりません")
                              : QStringLiteral("no judgement of the shown matrix changes it");
    }
    SummaryLabel->setText(
        japanese_ ? QStringLiteral("「%1」が「%2」を %3 点上回り、最も近い転換点は、%4、%5。")
                        .arg(winner, runnerUp, shortNumber(summary.lead), weight, judgement)
                  : QStringLiteral("%1 leads %2 by %3 points; the nearest tipping point is %4, and %5.")
                        .arg(winner, runnerUp, shortNumber(summary.lead), weight, judgement));
    SummaryLabel->show();
}

void SensitivityPage::fillNodes()
{
    const auto previous = NodeCombo->currentData().value<quintptr>();
    NodeCombo->clear();
    int keep = -1;
    walkPreOrder(session_->document().tree.root(), [&](RequirementNode *node, int depth) {
        if (node->childCount() < 2)
            return;
        if (quintptr(node) == previous)
            keep = NodeCombo->count();
        NodeCombo->addItem(QString(depth * 2, u' ') + node->caption(), QVariant::fromValue(quintptr(node)));
    });
    if (keep >= 0) {
        NodeCombo->setCurrentIndex(keep);
    } else {
        NodeCombo->setCurrentIndex(NodeCombo->count() > 0 ? 0 : -1);
        chartChild_ = 0;
    }
}

void SensitivityPage::fillTables()
{
    TippingList->clear();
    tipping_.clear();
    const auto *node = reinterpret_cast<const RequirementNode *>(NodeCombo->currentData().value<quintptr>());
    if (!analysis_ || !node) {
        drawChart();
        return;
    }
    QList<QTreeWidgetItem *> items;
    tipping_ = analysis_->tippingPoints(node);
    for (const TippingPoint &point : tipping_)
        items.append(new QTreeWidgetItem(TippingPointCells(point, analysis_->alternatives())));
    TippingList->addTopLevelItems(items);
    FitColumns(TippingList);
    chartChild_ = std::clamp(chartChild_, 0, std::max(0, int(items.size()) - 1));
    if (!items.isEmpty())
        TippingList->setCurrentItem(items.at(chartChild_));
    drawChart();
}

void SensitivityPage::fillJudgements()
{
    JudgementList->clear();
    judgements_.clear();
    const ShownMatrix &shown = session_->shownMatrix();
    if (!shown.node || shown.size() < 2) {
        JudgementLabel->setText(japanese_ ? QStringLiteral("判断の頑健さ: 表示中のマトリックスがありません。")
                                          : QStringLiteral("Robustness of the judgements: no matrix shown."));
        return;
    }
    if (shown.size() > JudgementAnalysisLimit) {
        JudgementLabel->setText(
            japanese_ ? QStringLiteral("判断の頑健さ: 「%1」のマトリックスは大きすぎます（%2 項目、最大 %3）。")
                            .arg(shown.node->caption()).arg(shown.size()).arg(JudgementAnalysisLimit)
                      : QStringLiteral("Robustness of the judgements: the matrix of \"%1\" is too large (%2 items, at most %3).")
                            .arg(shown.node->caption()).arg(shown.size()).arg(JudgementAnalysisLimit));
        return;
    }
    JudgementLabel->setText(
        japanese_ ? QStringLiteral("判断の頑健さ: 「%1」のマトリックス（1〜2 段で最良の代替案が変わる判断に印）")
                        .arg(shown.node->caption())
                  : QStringLiteral("Robustness of the judgements in the matrix of \"%1\" (marked: one or two scale "
                                   "steps change the best alternative)")
                        .arg(shown.node->caption()));
    judgements_ = analysis_->judgementRobustness(shown.items, session_->options().inverse());
    QList<QTreeWidgetItem *> items;
    for (const JudgementRobustness &pair : judgements_) {
        auto *item = new QTreeWidgetItem(JudgementCells(pair, analysis_->alternatives()));
        const int nearest = pair.nearestSteps();
        if (nearest > 0 && nearest <= CloseJudgementSteps) {
            const QColor mark = nearest == 1 ? QColor(0xff, 0xc8, 0xa0) : QColor(0xff, 0xec, 0xb0);
            for (int column = 0; column < item->columnCount(); ++column) {
                item->setBackground(column, mark);
                item->setForeground(column, QColor(Qt::black));
            }
        }
        items.append(item);
    }
    JudgementList->addTopLevelItems(items);
    FitColumns(JudgementList);
}

void SensitivityPage::drawChart()
{
    QChart *chart = WeightChart->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    const QColor text = palette().color(QPalette::WindowText);
    QFont titleFont = font();
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(text);
    chart->legend()->setLabelColor(text);
    chart->legend()->setFont(font());

    const auto *node = reinterpret_cast<const RequirementNode *>(NodeCombo->currentData().value<quintptr>());
    if (!analysis_ || !node || chartChild_ >= node->childCount()) {
        chart->setTitle(japanese_ ? QStringLiteral("子が 2 つ以上の要求がありません")
                                  : QStringLiteral("No requirement has two or more children"));
        return;
    }
    const WeightSensitivity sensitivity = analysis_->weightSensitivity(node, chartChild_);
    const QString caption = node->child(chartChild_)->caption();
    chart->setTitle(japanese_ ? QStringLiteral("「%1」の重みを変えたときの評価").arg(caption)
                              : QStringLiteral("Points as the weight of \"%1\" varies").arg(caption));

    double low = 1.0;
    double high = 0.0;
    for (const PointLine &line : sensitivity.lines) {
        for (double x : {0.0, 1.0}) {
            low = std::min(low, line.at(x));
            high = std::max(high, line.at(x));
        }
    }
    low = std::max(0.0, low - (high - low) * 0.05);
    high = high + (high - low) * 0.08;
    if (!(high > low))
        high = low + 1.0;

    auto *weights = new QValueAxis();
    weights->setRange(0.0, 1.0);
    weights->setTickCount(11);
    weights->setLabelFormat(QStringLiteral("%.1f"));
    weights->setTitleText(japanese_ ? QStringLiteral("「%1」の重み").arg(caption)
                                    : QStringLiteral("Weight of \"%1\"").arg(caption));
    auto *points = new QValueAxis();
    points->setRange(low, high);
    points->applyNiceNumbers();
    points->setLabelFormat(QStringLiteral("%.2f"));
    points->setTitleText(japanese_ ? QStringLiteral("評価") : QStringLiteral("Point"));
    for (QValueAxis *axis : {weights, points}) {
        axis->setLabelsFont(font());
        axis->setLabelsBrush(text);
        axis->setTitleFont(font());
        axis->setTitleBrush(text);
    }
    chart->addAxis(weights, Qt::AlignBottom);
    chart->addAxis(points, Qt::AlignLeft);

    const QStringList &names = analysis_->alternatives();
    for (size_t k = 0; k < sensitivity.lines.size(); ++k) {
        auto *series = new QLineSeries();
        series->setName(names.at(qsizetype(k)));
        series->append(0.0, sensitivity.lines[k].at(0.0));
        series->append(1.0, sensitivity.lines[k].at(1.0));
        chart->addSeries(series);
        series->attachAxis(weights);
        series->attachAxis(points);
    }
    auto *current = new QLineSeries();
    current->setName(japanese_ ? QStringLiteral("現在の重み %1").arg(shortNumber(sensitivity.currentWeight))
                               : QStringLiteral("Current weight %1").arg(shortNumber(sensitivity.currentWeight)));
    current->append(sensitivity.currentWeight, low);
    current->append(sensitivity.currentWeight, high);
    current->setPen(QPen(text, 1.5, Qt::DashLine));
    chart->addSeries(current);
    current->attachAxis(weights);
    current->attachAxis(points);
    // The tipping weights are written above the plot, on an axis of their own, so that no
    // label ever sits on a line; a dotted grid line leads down to each mark.
    QCategoryAxis *tipping = nullptr;
    if (!sensitivity.crossovers.empty()) {
        tipping = new QCategoryAxis();
        tipping->setRange(0.0, 1.0);
        tipping->setStartValue(0.0);
        tipping->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        tipping->setLabelsFont(font());
        tipping->setLabelsBrush(text);
        tipping->setTitleText(japanese_ ? QStringLiteral("転換点") : QStringLiteral("Tipping points"));
        tipping->setTitleFont(font());
        tipping->setTitleBrush(text);
        tipping->setGridLinePen(QPen(text, 1.0, Qt::DotLine));
        tipping->setLineVisible(false);
        chart->addAxis(tipping, Qt::AlignTop);
    }
    for (const Crossover &crossover : sensitivity.crossovers) {
        auto *mark = new QScatterSeries();
        mark->setMarkerSize(9.0);
        mark->setColor(text);
        mark->setBorderColor(text);
        mark->append(crossover.weight, sensitivity.lines[size_t(crossover.after)].at(crossover.weight));
        chart->addSeries(mark);
        mark->attachAxis(weights);
        mark->attachAxis(points);
        for (QLegendMarker *marker : chart->legend()->markers(mark))
            marker->setVisible(false);
        // Category labels must differ: a repeated weight gets a zero-width space more.
        QString label = shortNumber(crossover.weight);
        while (tipping->categoriesLabels().contains(label))
            label += QChar(0x200B);
        tipping->append(label, crossover.weight);
    }
}

QString SensitivityPage::selectedRowText() const
{
    return SelectedRowText({lastList_, TippingList, JudgementList});
}

QString SensitivityPage::allText() const
{
    if (Content->isHidden())
        return QString();
    return ListText(TippingList) + QStringLiteral("\r\n") + ListText(JudgementList);
}

void SensitivityPage::saveChart(const QString &path)
{
    WriteFileAtomically(path, WidgetImage(WeightChart, WeightChart->chart()->title(), path));
}

void SensitivityPage::saveAs(QWidget *dialogParent)
{
    RunPageSaveAs(dialogParent,
                  {japanese_ ? QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg);;すべてのファイル (*)")
                             : QStringLiteral("PNG images (*.png);;SVG images (*.svg);;All files (*)"),
                   {QStringLiteral("png"), QStringLiteral("svg")},
                   saveDialogRunner,
                   [this](const QString &path) { saveChart(path); }},
                  session_ ? session_->fileName() : QString(), lastSaved_);
}

} // namespace priomat
