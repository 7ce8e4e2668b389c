// The decision report's content: the whole analysis as headings, paragraphs, tables and charts
// built from the document's numbers, and its self-contained HTML. The PDF and the print pages
// are painted from the same content by src/report.
#pragma once

#include "document/MatrixColours.h"
#include "model/Document.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace priomat {

struct ReportTable
{
    QStringList header;
    QList<QStringList> rows;
    // Depth of each row's first cell in a tree, empty when the table is no tree.
    std::vector<int> indents;
    // Row-major rows × columns classes of the cells, empty when nothing is marked.
    std::vector<ColourClass> marks;
    // Columns from this one on hold numbers or values and are aligned right, except those
    // listed in textColumns.
    int firstValueColumn = 1;
    QList<int> textColumns;
    // A matrix: wider than the page, it is split into column blocks that repeat the row labels;
    // other tables are narrowed to the page and their cells wrap.
    bool matrix = false;

    bool rightAligned(int column) const { return column >= firstValueColumn && !textColumns.contains(column); }

    int columnCount() const { return int(header.size()); }
    ColourClass markAt(int row, int column) const
    {
        return marks.empty() ? ColourClass::None : marks[size_t(row) * size_t(columnCount()) + size_t(column)];
    }
};

// One bar of the points chart: the label, the number it is drawn from and its text.
struct ReportBar
{
    QString label;
    double value = 0.0;
    QString text;
};

// One child of the tipping chart: its weight now and the nearest weights that change the best
// alternative, when there are any.
struct ReportTipping
{
    QString caption;
    double weight = 0.0;
    std::optional<double> below;
    std::optional<double> above;
};

struct ReportBlock
{
    enum class Kind { Heading, SubHeading, Paragraph, Note, Table, BarChart, TippingChart };
    Kind kind = Kind::Paragraph;
    QString text;
    ReportTable table;
    std::vector<ReportBar> bars;
    std::vector<ReportTipping> tipping;
};

struct Report
{
    bool japanese = true;
    QString title;
    QString date;
    std::vector<ReportBlock> blocks;

    // "Page 3 of 12" in the report's language.
    QString pageText(int page, int pages) const;
};

struct ReportOptions
{
    bool japanese = true;
    // The document's file name; the title is its base name, or the root's caption without one.
    QString fileName;
    QDate date;
    // The "Inverse" option, for the advisor's suggestions.
    bool inverse = true;
};

// A consistency index above this is not acceptable (the main window's "0.1 ... acceptable").
inline constexpr double AcceptableConsistencyIndex = 0.1;

// The report of a document whose weights are up to date (as after an open or any edit).
// Throws ComputationError when the overall evaluation fails.
Report BuildReport(const Document &document, const ReportOptions &options);

// Consecutive column ranges [first, last] of the columns after the first, at most `perBlock`
// columns each; the first column (row labels) is repeated with every block.
QList<std::pair<int, int>> SplitColumns(int columnCount, int perBlock);

// One self-contained HTML page: inline CSS and SVG charts, nothing fetched.
QByteArray BuildReportHtml(const Report &report);

} // namespace priomat
