#include "document/Report.h"

#include "model/ComparisonMatrix.h"
#include "model/ComputationError.h"
#include "model/ConsistencyAdvisor.h"
#include "model/Evaluation.h"
#include "model/FloatFormat.h"
#include "model/Priorities.h"
#include "model/Sensitivity.h"

#include <QFileInfo>

#include <algorithm>

namespace priomat {

namespace {

// The summary names this many matrices at most, then says how many more there are.
constexpr int SummaryMatrixNames = 10;

class Texts
{
public:
    explicit Texts(bool japanese) : japanese_(japanese) {}
    QString operator()(const char *ja, const char *en) const
    {
        return japanese_ ? QString::fromUtf8(ja) : QString::fromUtf8(en);
    }
    QString quoted(const QString &text) const
    {
        return japanese_ ? QStringLiteral("「%1」").arg(text) : QStringLiteral("\u201C%1\u201D").arg(text);
    }

private:
    bool japanese_;
};

// One matrix of the report with what was computed from it.
struct MatrixPart
{
    const RequirementNode *node = nullptr;
    MatrixItems items;
    bool computed = false;
    QString error;
    Priorities priorities;
};

ReportBlock block(ReportBlock::Kind kind, const QString &text)
{
    ReportBlock b;
    b.kind = kind;
    b.text = text;
    return b;
}

QString matrixTitle(const Texts &t, const MatrixPart &part)
{
    return part.items.leafShown ? t("%1 の代替案", "Alternatives under %1").arg(t.quoted(part.node->caption()))
                                : t.quoted(part.node->caption());
}

bool acceptable(const MatrixPart &part)
{
    return part.computed && !(part.priorities.consistencyIndex > AcceptableConsistencyIndex);
}

// CI and, for three or more items, CR = CI / RI(n).
QString consistencyLine(const Texts &t, const MatrixPart &part)
{
    QString line = t("整合度 (CI): %1", "Consistency index (CI): %1").arg(FormatFloat(part.priorities.consistencyIndex));
    const RandomIndex ri = RandomIndexFor(int(part.items.names.size()));
    if (ri.table != RandomIndexTable::None && ri.value > 0)
        line += t("、整合比 (CR): %1", "; consistency ratio (CR): %1")
                    .arg(FormatFloat(part.priorities.consistencyIndex / ri.value));
    if (!acceptable(part))
        line += t("（許容範囲外）", " (not acceptable)");
    return line;
}

// The grid's item letters "(A)", "(B)" …; numbers beyond Z.
QString itemLabel(int index, int count)
{
    return count <= 26 ? QStringLiteral("(%1)").arg(QChar(char16_t(u'A' + index)))
                       : QStringLiteral("(%1)").arg(index + 1);
}

ReportTable matrixTable(const Texts &t, const Document &document, const MatrixPart &part)
{
    const ComparisonMatrix matrix = ComparisonMatrix::of(document, part.items);
    const int n = matrix.size();
    ReportTable table;
    table.matrix = true;
    table.header.append(QString());
    for (int j = 0; j < n; ++j)
        table.header.append(itemLabel(j, n));
    if (part.computed)
        table.header.append(t("重み", "Weight"));
    const int columns = table.columnCount();
    std::vector<ColourClass> colours;
    if (part.computed)
        colours = ClassifyColours(matrix, part.priorities.weights);
    bool marked = false;
    std::vector<const QString *> entries;
    table.rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        matrix.rowEntries(i, entries);
        QStringList row;
        row.reserve(columns);
        row.append(itemLabel(i, n) + u' ' + part.items.names.at(i));
        for (int j = 0; j < n; ++j)
            row.append(i == j ? QStringLiteral("1") : entries[size_t(j)] ? *entries[size_t(j)] : QStringLiteral("-"));
        if (part.computed)
            row.append(FormatFloat(part.priorities.weights[size_t(i)]));
        table.rows.append(row);
    }
    for (ColourClass c : colours)
        marked = marked || c != ColourClass::None;
    if (marked) {
        table.marks.assign(size_t(n) * size_t(columns), ColourClass::None);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                table.marks[size_t(i) * size_t(columns) + size_t(j + 1)] = colours[size_t(i) * size_t(n) + size_t(j)];
    }
    return table;
}

} // namespace

QString Report::pageText(int page, int pages) const
{
    return japanese ? QStringLiteral("%1 / %2 ページ").arg(page).arg(pages)
                    : QStringLiteral("Page %1 of %2").arg(page).arg(pages);
}

QList<std::pair<int, int>> SplitColumns(int columnCount, int perBlock)
{
    QList<std::pair<int, int>> blocks;
    perBlock = std::max(1, perBlock);
    for (int first = 1; first < columnCount; first += perBlock)
        blocks.append({first, std::min(columnCount - 1, first + perBlock - 1)});
    if (blocks.isEmpty())
        blocks.append({1, columnCount - 1});
    return blocks;
}

Report BuildReport(const Document &document, const ReportOptions &options)
{
    const Texts t(options.japanese);
    Report report;
    report.japanese = options.japanese;
    const RequirementNode *root = document.tree.root();
    report.title = !options.fileName.isEmpty() ? QFileInfo(options.fileName).completeBaseName()
                   : root                      ? root->caption()
                                               : QString();
    report.date = (options.date.isValid() ? options.date : QDate::currentDate()).toString(Qt::ISODate);
    if (!root)
        return report;

    // Every matrix, requirement matrices first, then each leaf's alternatives.
    const QStringList alternatives = document.alternatives();
    std::vector<MatrixPart> requirementParts;
    std::vector<MatrixPart> leafParts;
    LeafWeightCache cache;
    walkPreOrder(root, [&](RequirementNode *node, int) {
        MatrixPart part;
        part.node = node;
        part.items = ItemsUnder(document, node);
        if (part.items.names.size() < 2)
            return;
        try {
            part.priorities = ComputePriorities(ComparisonMatrix::of(document, part.items));
            part.computed = true;
            if (part.items.leafShown)
                cache.store(part.items.leafName, alternatives, part.priorities.weights);
        } catch (ComputationError &error) {
            error.setOwner(node->caption());
            part.error = error.message(options.japanese);
        }
        (part.items.leafShown ? leafParts : requirementParts).push_back(std::move(part));
    });

    // The evaluation as the result window and priomat-cli evaluate give it.
    ResultLists results;
    Recalculate(document, results, {.force = true, .cache = &cache});
    std::optional<SensitivityAnalysis> analysis;
    if (alternatives.size() >= 2)
        analysis.emplace(document, [&](const QString &leafName) {
            const std::vector<double> *kept = cache.find(leafName, alternatives);
            return kept ? *kept
                        : ComputePriorities(ComparisonMatrix(document.AlternativeComparisons, leafName, alternatives))
                              .weights;
        });

    std::vector<const MatrixPart *> unacceptable;
    for (const auto *parts : {&requirementParts, &leafParts})
        for (const MatrixPart &part : *parts)
            if (!acceptable(part))
                unacceptable.push_back(&part);

    // Summary.
    report.blocks.push_back(block(ReportBlock::Kind::Heading, t("概要", "Summary")));
    QString summary;
    if (alternatives.isEmpty()) {
        summary = t("代替案がありません。", "There are no alternatives.");
    } else {
        const int best = analysis ? analysis->winner() : 0;
        summary = t("最良の代替案は%1で、%2 点です。", "The best alternative is %1 with %2 points.")
                      .arg(t.quoted(alternatives.at(best)), results.alternatives.at(best).text());
        if (analysis) {
            const std::vector<double> &points = analysis->points();
            int second = -1;
            for (int k = 0; k < int(points.size()); ++k)
                if (k != best && (second < 0 || points[size_t(k)] > points[size_t(second)]))
                    second = k;
            summary += t(" 2 位の%1（%2 点）との差は %3 点です。", " It leads %1 (%2 points) by %3.")
                           .arg(t.quoted(alternatives.at(second)), results.alternatives.at(second).text(),
                                FormatFloat(points[size_t(best)] - points[size_t(second)]));
        }
    }
    if (unacceptable.empty()) {
        summary += t(" すべてのマトリックスの整合度は許容範囲 (0.1 以下) です。",
                     " Every matrix is acceptably consistent (consistency index 0.1 or below).");
    } else {
        QStringList names;
        for (size_t k = 0; k < unacceptable.size() && k < size_t(SummaryMatrixNames); ++k)
            names.append(matrixTitle(t, *unacceptable[k]));
        QString list = names.join(t("、", ", "));
        if (unacceptable.size() > size_t(SummaryMatrixNames))
            list += t(" ほか %1 個", " and %1 more").arg(unacceptable.size() - size_t(SummaryMatrixNames));
        summary += t(" 整合度が許容範囲 (0.1 以下) にないマトリックスが %1 個あります: %2。",
                     " The consistency of %1 matrices is not acceptable (index above 0.1): %2.")
                       .arg(unacceptable.size())
                       .arg(list);
    }
    report.blocks.push_back(block(ReportBlock::Kind::Paragraph, summary));

    // The requirement tree with local and global weights, multiplied down as the evaluation does.
    report.blocks.push_back(block(ReportBlock::Kind::Heading, t("要求の階層", "Requirement tree")));
    {
        ReportBlock tree = block(ReportBlock::Kind::Table, QString());
        tree.table.header = {t("要求", "Requirement"), t("ローカルの重み", "Local weight"),
                             t("グローバルの重み", "Global weight")};
        struct Frame
        {
            const RequirementNode *node;
            int depth;
            double global;
        };
        std::vector<Frame> stack{{root, 0, 1.0}};
        while (!stack.empty()) {
            const Frame frame = stack.back();
            stack.pop_back();
            tree.table.rows.append({frame.node->caption(),
                                    frame.node == root ? FormatFloat(1.0) : FormatFloat(frame.node->data().LocalWeight),
                                    FormatFloat(frame.global)});
            tree.table.indents.push_back(frame.depth);
            for (int i = frame.node->childCount() - 1; i >= 0; --i) {
                const RequirementNode *child = frame.node->child(i);
                stack.push_back({child, frame.depth + 1, frame.global * child->data().LocalWeight});
            }
        }
        report.blocks.push_back(std::move(tree));
    }

    // The overall result.
    report.blocks.push_back(block(ReportBlock::Kind::Heading, t("総合評価", "Overall result")));
    if (!alternatives.isEmpty()) {
        ReportBlock table = block(ReportBlock::Kind::Table, QString());
        table.table.header = {t("代替案", "Alternative"), t("点数", "Points"), t("順位", "Rank")};
        std::vector<int> order(size_t(alternatives.size()));
        for (int k = 0; k < int(order.size()); ++k)
            order[size_t(k)] = k;
        if (analysis)
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return analysis->points()[size_t(a)] > analysis->points()[size_t(b)];
            });
        std::vector<int> rank(order.size());
        for (int r = 0; r < int(order.size()); ++r)
            rank[size_t(order[size_t(r)])] = r + 1;
        ReportBlock chart = block(ReportBlock::Kind::BarChart, QString());
        for (int k = 0; k < int(alternatives.size()); ++k) {
            const ResultRow &row = results.alternatives.at(k);
            table.table.rows.append({row.name, row.text(), QString::number(rank[size_t(k)])});
            chart.bars.push_back({row.name, analysis ? analysis->points()[size_t(k)] : 1.0, row.text()});
        }
        report.blocks.push_back(std::move(table));
        report.blocks.push_back(std::move(chart));
    } else {
        report.blocks.push_back(block(ReportBlock::Kind::Paragraph, t("代替案がありません。", "There are no alternatives.")));
    }

    // Every matrix.
    report.blocks.push_back(block(ReportBlock::Kind::Heading, t("一対比較マトリックス", "Pairwise comparison matrices")));
    const QString legend =
        t("各行の項目を列の項目と比べた値です。「-」は未入力です。重みから見た比と食い違う値は、"
          "「整合性の悪いところを色つき表示にする」と同じ色の太字です: 赤 2 倍以上、橙 √2 倍以上、緑 1/√2 以下、青 1/2 以下。"
          "整合比 CR = CI / RI で、RI は %1、16 項目以上は %2 です。",
          "Each value compares the row's item with the column's item; \"-\" is not entered. Values that disagree "
          "with the ratio of the weights are bold in the colours of \"Color for inconsistent\": red twice or more, "
          "orange √2 or more, green 1/√2 or less, blue half or less. The consistency ratio CR = CI / RI uses %1, "
          "from 16 items %2.")
            .arg(RandomIndexTableName(RandomIndexTable::Saaty, options.japanese),
                 RandomIndexTableName(RandomIndexTable::AlonsoLamata, options.japanese));
    report.blocks.push_back(block(ReportBlock::Kind::Note, legend));
    for (const auto *parts : {&requirementParts, &leafParts}) {
        for (const MatrixPart &part : *parts) {
            report.blocks.push_back(block(ReportBlock::Kind::SubHeading, matrixTitle(t, part)));
            report.blocks.push_back(block(ReportBlock::Kind::Paragraph,
                                          part.computed ? consistencyLine(t, part)
                                                        : t("計算できません: %1", "Cannot be computed: %1").arg(part.error)));
            ReportBlock matrix = block(ReportBlock::Kind::Table, QString());
            matrix.table = matrixTable(t, document, part);
            report.blocks.push_back(std::move(matrix));
        }
    }

    // The sensitivity of the root.
    if (analysis && root->childCount() >= 2) {
        report.blocks.push_back(block(ReportBlock::Kind::Heading, t("感度分析", "Sensitivity")));
        report.blocks.push_back(block(
            ReportBlock::Kind::Note,
            t("%1 の子の重みを一つずつ 0 から 1 まで動かし（他の子は比率を保つ）、最良の代替案が変わる重みを示します。"
              "グラフの帯は最良の代替案が変わらない範囲、縦線は現在の重みです。",
              "Each child of %1 is weighted from 0 to 1 in turn, its siblings keeping their proportions; the table "
              "gives the nearest weights at which the best alternative changes. In the chart the band is the range "
              "in which the best alternative stays, the line the current weight.")
                .arg(t.quoted(root->caption()))));
        ReportBlock table = block(ReportBlock::Kind::Table, QString());
        table.table.header = options.japanese
                                 ? QStringList{QStringLiteral("要求"), QStringLiteral("重み"), QStringLiteral("最良"),
                                               QStringLiteral("下の転換点"), QStringLiteral("その最良"),
                                               QStringLiteral("上の転換点"), QStringLiteral("その最良")}
                                 : QStringList{QStringLiteral("Child"), QStringLiteral("Weight"), QStringLiteral("Best"),
                                               QStringLiteral("Below"), QStringLiteral("Best below"),
                                               QStringLiteral("Above"), QStringLiteral("Best above")};
        table.table.textColumns = {2, 4, 6};
        ReportBlock chart = block(ReportBlock::Kind::TippingChart, QString());
        for (const TippingPoint &point : analysis->tippingPoints(root)) {
            table.table.rows.append(TippingPointCells(point, alternatives));
            chart.tipping.push_back({point.caption, point.weight, point.below, point.above});
        }
        report.blocks.push_back(std::move(table));
        report.blocks.push_back(std::move(chart));
    }

    // The advisor's best change for every matrix that is not acceptably consistent.
    std::vector<QStringList> advice;
    for (const MatrixPart *part : unacceptable) {
        if (!part->computed)
            continue;
        const ComparisonMatrix matrix = ComparisonMatrix::of(document, part->items);
        const AdvisorResult result = AdviseMatrix(matrix, part->node->caption(), options.inverse, 1);
        if (!result.computed || result.suggestions.empty())
            continue;
        const AdvisorSuggestion &s = result.suggestions.front();
        advice.push_back({matrixTitle(t, *part), part->items.names.at(s.row), part->items.names.at(s.column), s.value,
                          s.suggested, FormatFloat(result.consistencyIndex), FormatFloat(s.indexAfter)});
    }
    if (!advice.empty()) {
        report.blocks.push_back(block(ReportBlock::Kind::Heading, t("整合度の改善案", "Consistency advice")));
        report.blocks.push_back(block(ReportBlock::Kind::Note,
                                      t("許容範囲にないマトリックスごとに、整合度を最も下げる一つの判断の変更です。",
                                        "For each matrix that is not acceptably consistent, the one change of a "
                                        "judgement that lowers its consistency index most.")));
        ReportBlock table = block(ReportBlock::Kind::Table, QString());
        table.table.header = {t("マトリックス", "Matrix"), t("行", "Row"), t("列", "Column"), t("値", "Value"),
                              t("提案", "Suggested"), t("現在の CI", "CI now"), t("変更後の CI", "CI after")};
        table.table.firstValueColumn = 3;
        for (QStringList &row : advice)
            table.table.rows.append(std::move(row));
        report.blocks.push_back(std::move(table));
    }
    return report;
}

// ---------------------------------------------------------------------------------------------
// HTML

namespace {

// Data columns per block of a split table, so that a printed page holds a block.
constexpr int HtmlColumnsPerBlock = 14;

QString esc(const QString &text)
{
    return text.toHtmlEscaped();
}

QString cssColour(ColourClass colour)
{
    const quint32 v = colourValueOf(colour);
    return QStringLiteral("#%1%2%3")
        .arg(v & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((v >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((v >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

QString svgNumber(double value)
{
    return QString::number(value, 'f', 1);
}

void appendTable(QString &html, const ReportTable &table)
{
    const int columns = table.columnCount();
    const QList<std::pair<int, int>> blocks = SplitColumns(columns, table.matrix ? HtmlColumnsPerBlock : columns);
    for (const auto &[first, last] : blocks) {
        html += QStringLiteral("<table>\n<thead><tr><th>%1</th>").arg(esc(table.header.value(0)));
        for (int c = first; c <= last; ++c)
            html += QStringLiteral("<th>%1</th>").arg(esc(table.header.at(c)));
        html += QStringLiteral("</tr></thead>\n<tbody>\n");
        for (int r = 0; r < table.rows.size(); ++r) {
            const QStringList &row = table.rows.at(r);
            const int indent = size_t(r) < table.indents.size() ? table.indents[size_t(r)] : 0;
            html += indent ? QStringLiteral("<tr><th style=\"padding-left:%1em\">").arg(0.3 + 1.2 * indent)
                           : QStringLiteral("<tr><th>");
            html += esc(row.value(0)) + QStringLiteral("</th>");
            for (int c = first; c <= last; ++c) {
                const ColourClass mark = table.markAt(r, c);
                html += QLatin1String("<td");
                if (table.rightAligned(c))
                    html += QLatin1String(" class=\"v\"");
                if (mark != ColourClass::None)
                    html += QLatin1String(" style=\"color:") + cssColour(mark) + QLatin1String(";font-weight:bold\"");
                html += u'>';
                html += esc(row.value(c));
                html += QLatin1String("</td>");
            }
            html += QStringLiteral("</tr>\n");
        }
        html += QStringLiteral("</tbody></table>\n");
    }
}

void appendBarChart(QString &html, const std::vector<ReportBar> &bars)
{
    double top = 0.0;
    for (const ReportBar &bar : bars)
        top = std::max(top, bar.value);
    const double labelWidth = 200, barWidth = 360, rowHeight = 22, width = labelWidth + barWidth + 150;
    html += QStringLiteral("<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                           "viewBox=\"0 0 %1 %2\">\n")
                .arg(svgNumber(width), svgNumber(rowHeight * double(bars.size()) + 8));
    double y = 4;
    for (const ReportBar &bar : bars) {
        const double length = top > 0 ? barWidth * std::max(0.0, bar.value) / top : 0.0;
        html += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>"
                               "<rect x=\"%4\" y=\"%5\" width=\"%6\" height=\"%7\" fill=\"#4a78b5\"/>"
                               "<text x=\"%8\" y=\"%2\">%9</text>\n")
                    .arg(svgNumber(labelWidth - 6), svgNumber(y + 15), esc(bar.label), svgNumber(labelWidth),
                         svgNumber(y + 3), svgNumber(length), svgNumber(rowHeight - 6),
                         svgNumber(labelWidth + length + 5), esc(bar.text));
        y += rowHeight;
    }
    html += QStringLiteral("</svg>\n");
}

void appendTippingChart(QString &html, const std::vector<ReportTipping> &rows)
{
    const double labelWidth = 200, trackWidth = 400, rowHeight = 22, width = labelWidth + trackWidth + 20;
    const double height = rowHeight * double(rows.size()) + 24;
    html += QStringLiteral("<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                           "viewBox=\"0 0 %1 %2\">\n")
                .arg(svgNumber(width), svgNumber(height));
    double y = 4;
    for (const ReportTipping &row : rows) {
        const double from = labelWidth + trackWidth * row.below.value_or(0.0);
        const double to = labelWidth + trackWidth * row.above.value_or(1.0);
        const double now = labelWidth + trackWidth * row.weight;
        html += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>")
                    .arg(svgNumber(labelWidth - 6), svgNumber(y + 15), esc(row.caption));
        html += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#eeeeee\" stroke=\"#999999\"/>"
                               "<rect x=\"%5\" y=\"%2\" width=\"%6\" height=\"%4\" fill=\"#9cc3e6\"/>"
                               "<line x1=\"%7\" y1=\"%8\" x2=\"%7\" y2=\"%9\" stroke=\"#c00000\" stroke-width=\"2\"/>\n")
                    .arg(svgNumber(labelWidth), svgNumber(y + 4), svgNumber(trackWidth), svgNumber(rowHeight - 8),
                         svgNumber(from), svgNumber(std::max(0.0, to - from)), svgNumber(now), svgNumber(y + 1),
                         svgNumber(y + rowHeight - 1));
        y += rowHeight;
    }
    for (int tick = 0; tick <= 4; ++tick) {
        const double x = labelWidth + trackWidth * tick / 4.0;
        html += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>")
                    .arg(svgNumber(x), svgNumber(y + 14), FormatFloat(tick / 4.0));
    }
    html += QStringLiteral("\n</svg>\n");
}

} // namespace

QByteArray BuildReportHtml(const Report &report)
{
    QString html;
    html += QStringLiteral("<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n<title>%2</title>\n")
                .arg(report.japanese ? QStringLiteral("ja") : QStringLiteral("en"), esc(report.title));
    html += QStringLiteral(
        "<style>\n"
        "body{font-family:\"IPAPGothic\",\"IPAGothic\",\"Noto Sans CJK JP\",\"DejaVu Sans\",sans-serif;"
        "font-size:10pt;color:#000;background:#fff;margin:1.5em;max-width:60em}\n"
        "h1{font-size:18pt;margin-bottom:0}h2{font-size:13pt;border-bottom:1px solid #888;margin-top:1.6em}\n"
        "h3{font-size:11pt;margin-bottom:.3em}p{margin:.4em 0}p.note{font-size:9pt;color:#333}\n"
        ".date{color:#444}\n"
        "table{border-collapse:collapse;margin:.4em 0 .8em 0;font-size:9pt}\n"
        "th,td{border:1px solid #aaa;padding:.15em .4em;text-align:left;vertical-align:top}\n"
        "thead th{background:#eee}tbody th{font-weight:normal;background:#f7f7f7}td.v{text-align:right}\n"
        "svg.chart{display:block;margin:.4em 0 1em 0;font-size:11px;max-width:100%;height:auto}\n"
        "@media print{body{margin:0;max-width:none}h2,h3{break-after:avoid}table,svg.chart,tr{break-inside:avoid}"
        "thead{display:table-header-group}}\n"
        "</style>\n</head>\n<body>\n");
    html += QStringLiteral("<h1>%1</h1>\n<p class=\"date\">%2</p>\n").arg(esc(report.title), esc(report.date));
    for (const ReportBlock &b : report.blocks) {
        switch (b.kind) {
        case ReportBlock::Kind::Heading: html += QStringLiteral("<h2>%1</h2>\n").arg(esc(b.text)); break;
        case ReportBlock::Kind::SubHeading: html += QStringLiteral("<h3>%1</h3>\n").arg(esc(b.text)); break;
        case ReportBlock::Kind::Paragraph: html += QStringLiteral("<p>%1</p>\n").arg(esc(b.text)); break;
        case ReportBlock::Kind::Note: html += QStringLiteral("<p class=\"note\">%1</p>\n").arg(esc(b.text)); break;
        case ReportBlock::Kind::Table: appendTable(html, b.table); break;
        case ReportBlock::Kind::BarChart: appendBarChart(html, b.bars); break;
        case ReportBlock::Kind::TippingChart: appendTippingChart(html, b.tipping); break;
        }
    }
    html += QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace priomat
