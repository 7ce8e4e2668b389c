#include "report/ReportPdf.h"

#include "document/TextFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace priomat {

namespace {

QColor colourOf(ColourClass mark)
{
    const quint32 v = colourValueOf(mark);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

// Lays the report out page by page. A dry run (no painter) counts the pages, so that the
// painting run can number them "n of m".
class PageWriter
{
public:
    PageWriter(const Report &report, QPagedPaintDevice &device, QPainter *painter, int pages)
        : report_(report), device_(device), p_(painter), pages_(pages)
    {
        const QStringList families = report.japanese
                                         ? QStringList{QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                                       QStringLiteral("DejaVu Sans")}
                                         : QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic"),
                                                       QStringLiteral("IPAGothic")};
        body_.setFamilies(families);
        // No ligatures: text read back from the PDF (search, copy) keeps its letters.
        body_.setStyleStrategy(QFont::PreferNoShaping);
        body_.setPointSizeF(9.5);
        small_ = body_;
        small_.setPointSizeF(8);
        cell_ = small_;
        cellBold_ = cell_;
        cellBold_.setBold(true);
        h1_ = body_;
        h1_.setPointSizeF(18);
        h1_.setBold(true);
        h2_ = body_;
        h2_.setPointSizeF(13);
        h2_.setBold(true);
        h3_ = body_;
        h3_.setPointSizeF(10.5);
        h3_.setBold(true);
        mm_ = device.logicalDpiX() / 25.4;
        width_ = device.width();
        const QFontMetricsF footer(small_, &device_);
        footerHeight_ = footer.height() + 3 * mm_;
        height_ = device.height() - footerHeight_;
        cellMetrics_.emplace(cell_, &device_);
        boldMetrics_.emplace(cellBold_, &device_);
    }

    int run()
    {
        paragraph(report_.title, h1_, 1.5 * mm_);
        paragraph(report_.date, body_, 3 * mm_);
        for (const ReportBlock &block : report_.blocks) {
            switch (block.kind) {
            case ReportBlock::Kind::Heading:
                y_ += 4 * mm_;
                // Keep a heading with the first lines after it.
                ensure(QFontMetricsF(h2_, &device_).height() + 25 * mm_);
                paragraph(block.text, h2_, 2 * mm_);
                if (p_) {
                    p_->setPen(QPen(QColor(0x88, 0x88, 0x88), 0.3 * mm_));
                    p_->drawLine(QPointF(0, y_ - 1.5 * mm_), QPointF(width_, y_ - 1.5 * mm_));
                }
                break;
            case ReportBlock::Kind::SubHeading:
                y_ += 2 * mm_;
                ensure(QFontMetricsF(h3_, &device_).height() + 20 * mm_);
                paragraph(block.text, h3_, 1 * mm_);
                break;
            case ReportBlock::Kind::Paragraph: paragraph(block.text, body_, 1.5 * mm_); break;
            case ReportBlock::Kind::Note: paragraph(block.text, small_, 1.5 * mm_, QColor(0x33, 0x33, 0x33)); break;
            case ReportBlock::Kind::Table: table(block.table); break;
            case ReportBlock::Kind::BarChart: barChart(block.bars); break;
            case ReportBlock::Kind::TippingChart: tippingChart(block.tipping); break;
            }
        }
        footer();
        return page_;
    }

private:
    void newPage()
    {
        footer();
        if (p_)
            device_.newPage();
        ++page_;
        y_ = 0;
    }

    void footer()
    {
        if (!p_)
            return;
        p_->setFont(small_);
        p_->setPen(QColor(0x44, 0x44, 0x44));
        p_->drawText(QRectF(0, height_, width_, footerHeight_), Qt::AlignHCenter | Qt::AlignBottom,
                     report_.pageText(page_, pages_));
    }

    // Starts a new page unless `height` fits below; a page that is still empty takes anything.
    void ensure(qreal height)
    {
        if (y_ > 0 && y_ + height > height_)
            newPage();
    }

    void paragraph(const QString &text, const QFont &font, qreal after, const QColor &colour = Qt::black)
    {
        QTextLayout layout(text, font, &device_);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width_);
        layout.endLayout();
        if (p_)
            p_->setPen(colour);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            ensure(line.height());
            if (p_)
                line.draw(p_, QPointF(0, y_ - line.y()));
            y_ += line.height();
        }
        y_ += after;
    }

    qreal advance(const QString &text, bool bold)
    {
        QHash<QString, qreal> &cache = bold ? boldAdvance_ : advance_;
        auto it = cache.constFind(text);
        if (it == cache.constEnd())
            it = cache.insert(text, (bold ? *boldMetrics_ : *cellMetrics_).horizontalAdvance(text));
        return it.value();
    }

    // One line of cell text at `topLeft`, shaped once per text and font. The glyphs gather in
    // batches by font and colour, drawn by flushLines as one run each: a PDF text object per
    // row instead of one per cell.
    void drawLine(const QString &text, bool bold, const QColor &colour, const QPointF &topLeft)
    {
        QHash<QString, QList<QGlyphRun>> &cache = bold ? boldRuns_ : runs_;
        auto it = cache.constFind(text);
        if (it == cache.constEnd()) {
            QTextLayout layout(text, bold ? cellBold_ : cell_, &device_);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(1e9);
            line.setPosition(QPointF(0, 0));
            layout.endLayout();
            it = cache.insert(text, layout.glyphRuns());
        }
        for (const QGlyphRun &run : it.value()) {
            const QRawFont font = run.rawFont();
            auto batch = std::find_if(batches_.begin(), batches_.end(), [&](const GlyphBatch &b) {
                return b.colour == colour && b.font == font;
            });
            if (batch == batches_.end()) {
                batches_.push_back({font, colour, {}, {}});
                batch = batches_.end() - 1;
            }
            batch->glyphs.append(run.glyphIndexes());
            for (const QPointF &position : run.positions())
                batch->positions.append(position + topLeft);
        }
    }

    void flushLines()
    {
        for (const GlyphBatch &batch : batches_) {
            QGlyphRun run;
            run.setRawFont(batch.font);
            run.setGlyphIndexes(batch.glyphs);
            run.setPositions(batch.positions);
            p_->setPen(batch.colour);
            p_->drawGlyphRun(QPointF(0, 0), run);
        }
        batches_.clear();
    }

    // The flags a cell's text is drawn with when it is wider than `width`.
    int wrapFlags(const QString &text, qreal width, bool bold)
    {
        const QFontMetricsF &metrics = bold ? *boldMetrics_ : *cellMetrics_;
        const QRectF words = metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text);
        return words.width() <= width + 0.5 ? Qt::TextWordWrap : Qt::TextWrapAnywhere;
    }

    qreal wrappedHeight(const QString &text, qreal width, bool bold)
    {
        const QFontMetricsF &metrics = bold ? *boldMetrics_ : *cellMetrics_;
        return metrics.boundingRect(QRectF(0, 0, width, 1e9), wrapFlags(text, width, bold), text).height();
    }

    void table(const ReportTable &table)
    {
        const int columns = table.columnCount();
        if (columns == 0)
            return;
        const qreal pad = 1.0 * mm_;
        const qreal indentStep = 3 * mm_;
        // Natural widths, each column at most a share of the page; wider text wraps.
        std::vector<qreal> natural(size_t(columns), 0.0);
        for (int c = 0; c < columns; ++c)
            natural[size_t(c)] = advance(table.header.at(c), true);
        for (int r = 0; r < table.rows.size(); ++r) {
            const QStringList &row = table.rows.at(r);
            const qreal indent = size_t(r) < table.indents.size() ? indentStep * table.indents[size_t(r)] : 0.0;
            for (int c = 0; c < columns && c < row.size(); ++c) {
                const qreal w = advance(row.at(c), table.markAt(r, c) != ColourClass::None) + (c == 0 ? indent : 0.0);
                natural[size_t(c)] = std::max(natural[size_t(c)], w);
            }
        }
        const bool fits = [&] {
            qreal sum = 0;
            for (qreal w : natural)
                sum += w + 2 * pad;
            return sum <= width_;
        }();
        std::vector<qreal> widths(static_cast<size_t>(columns));
        if (table.matrix || fits) {
            for (int c = 0; c < columns; ++c)
                widths[size_t(c)] = std::min(natural[size_t(c)] + 2 * pad, (fits ? 0.6 : c == 0 ? 0.3 : 0.45) * width_);
        } else {
            // Narrowed to the page in proportion; the cells wrap.
            qreal sum = 0;
            for (qreal w : natural)
                sum += w + 2 * pad;
            for (int c = 0; c < columns; ++c)
                widths[size_t(c)] = (natural[size_t(c)] + 2 * pad) * width_ / sum;
        }
        // Column blocks after the label column, packed greedily to the page width.
        QList<std::pair<int, int>> blocks;
        const qreal room = width_ - widths[0];
        for (int c = 1; c < columns;) {
            int last = c;
            qreal used = widths[size_t(c)];
            while (last + 1 < columns && used + widths[size_t(last + 1)] <= room)
                used += widths[size_t(++last)];
            blocks.append({c, last});
            c = last + 1;
        }
        if (blocks.isEmpty())
            blocks.append({1, 0});
        for (const auto &[first, last] : blocks) {
            if (blocks.size() > 1) {
                // The block's note stays with its header and first row.
                ensure(QFontMetricsF(small_, &device_).height() + 5 * cellMetrics_->height());
                y_ += 1 * mm_;
                paragraph(report_.japanese ? QStringLiteral("列 %1〜%2 / %3").arg(first).arg(last).arg(columns - 1)
                                           : QStringLiteral("Columns %1–%2 of %3").arg(first).arg(last).arg(columns - 1),
                          small_, 0.5 * mm_, QColor(0x44, 0x44, 0x44));
            }
            std::vector<int> shown{0};
            for (int c = first; c <= last; ++c)
                shown.push_back(c);
            auto rowHeight = [&](const QStringList &cells, int r) {
                qreal h = cellMetrics_->height();
                for (int c : shown) {
                    const bool bold = r < 0 || table.markAt(r, c) != ColourClass::None;
                    const QString &text = cells.at(c);
                    const qreal indent = c == 0 && r >= 0 && size_t(r) < table.indents.size()
                                             ? indentStep * table.indents[size_t(r)]
                                             : 0.0;
                    const qreal inner = widths[size_t(c)] - 2 * pad - indent;
                    if (advance(text, bold) > inner + 1)
                        h = std::max(h, wrappedHeight(text, inner, bold));
                }
                return h + 2 * pad * 0.6;
            };
            const qreal headerHeight = rowHeight(table.header, -1);
            qreal blockWidth = 0;
            for (int c : shown)
                blockWidth += widths[size_t(c)];
            // Backgrounds and text cell by cell; the rules once per row and once per page.
            auto drawRow = [&](const QStringList &cells, int r, qreal h) {
                const bool header = r < 0;
                if (header)
                    p_->fillRect(QRectF(0, y_, blockWidth, h), QColor(0xEE, 0xEE, 0xEE));
                else
                    p_->fillRect(QRectF(0, y_, widths[0], h), QColor(0xF7, 0xF7, 0xF7));
                p_->setPen(QPen(QColor(0xAA, 0xAA, 0xAA), 0.15 * mm_));
                p_->drawLine(QPointF(0, y_), QPointF(blockWidth, y_));
                qreal x = 0;
                for (int c : shown) {
                    const qreal w = widths[size_t(c)];
                    const ColourClass mark = header ? ColourClass::None : table.markAt(r, c);
                    const bool bold = header || mark != ColourClass::None;
                    const qreal indent = c == 0 && !header && size_t(r) < table.indents.size()
                                             ? indentStep * table.indents[size_t(r)]
                                             : 0.0;
                    const QColor colour = mark != ColourClass::None ? colourOf(mark) : QColor(Qt::black);
                    const QString &text = cells.at(c);
                    const qreal inner = w - 2 * pad - indent;
                    const qreal textWidth = advance(text, bold);
                    if (textWidth <= inner + 1) {
                        const bool right = !header && table.rightAligned(c);
                        const qreal tx = right ? x + w - pad - textWidth : x + pad + indent;
                        drawLine(text, bold, colour, QPointF(tx, y_ + 0.6 * pad));
                    } else {
                        p_->setFont(bold ? cellBold_ : cell_);
                        p_->setPen(colour);
                        p_->drawText(QRectF(x + pad + indent, y_ + 0.6 * pad, inner, h), wrapFlags(text, inner, bold),
                                     text);
                    }
                    x += w;
                }
                flushLines();
            };
            qreal segmentTop = y_;
            auto closeSegment = [&] {
                if (!p_)
                    return;
                p_->setPen(QPen(QColor(0xAA, 0xAA, 0xAA), 0.15 * mm_));
                p_->drawLine(QPointF(0, y_), QPointF(blockWidth, y_));
                qreal x = 0;
                p_->drawLine(QPointF(0, segmentTop), QPointF(0, y_));
                for (int c : shown) {
                    x += widths[size_t(c)];
                    p_->drawLine(QPointF(x, segmentTop), QPointF(x, y_));
                }
            };
            ensure(headerHeight + rowHeight(table.rows.value(0, table.header), table.rows.isEmpty() ? -1 : 0));
            segmentTop = y_;
            if (p_)
                drawRow(table.header, -1, headerHeight);
            y_ += headerHeight;
            for (int r = 0; r < table.rows.size(); ++r) {
                const qreal h = rowHeight(table.rows.at(r), r);
                if (y_ + h > height_) {
                    closeSegment();
                    newPage();
                    segmentTop = y_;
                    if (p_)
                        drawRow(table.header, -1, headerHeight);
                    y_ += headerHeight;
                }
                if (p_)
                    drawRow(table.rows.at(r), r, h);
                y_ += h;
            }
            closeSegment();
            y_ += 2 * mm_;
        }
    }

    void barChart(const std::vector<ReportBar> &bars)
    {
        const QFontMetricsF &metrics = *cellMetrics_;
        const qreal rowHeight = metrics.height() * 1.6;
        const qreal labelWidth = 0.3 * width_;
        qreal textWidth = 0;
        for (const ReportBar &bar : bars)
            textWidth = std::max(textWidth, advance(bar.text, false));
        const qreal barRoom = std::max(width_ * 0.2, width_ - labelWidth - textWidth - 4 * mm_);
        double top = 0;
        for (const ReportBar &bar : bars)
            top = std::max(top, bar.value);
        for (const ReportBar &bar : bars) {
            ensure(rowHeight);
            if (p_) {
                const qreal length = top > 0 ? barRoom * std::max(0.0, bar.value) / top : 0.0;
                p_->setFont(cell_);
                p_->setPen(Qt::black);
                const QString label = metrics.elidedText(bar.label, Qt::ElideRight, labelWidth - 2 * mm_);
                p_->drawText(QRectF(0, y_, labelWidth - 2 * mm_, rowHeight), Qt::AlignRight | Qt::AlignVCenter, label);
                p_->fillRect(QRectF(labelWidth, y_ + rowHeight * 0.15, length, rowHeight * 0.7), QColor(0x4A, 0x78, 0xB5));
                p_->drawText(QRectF(labelWidth + length + 1.5 * mm_, y_, textWidth + 2 * mm_, rowHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, bar.text);
            }
            y_ += rowHeight;
        }
        y_ += 3 * mm_;
    }

    void tippingChart(const std::vector<ReportTipping> &rows)
    {
        const QFontMetricsF &metrics = *cellMetrics_;
        const qreal rowHeight = metrics.height() * 1.6;
        const qreal labelWidth = 0.3 * width_;
        const qreal track = width_ - labelWidth - 6 * mm_;
        for (const ReportTipping &row : rows) {
            ensure(rowHeight);
            if (p_) {
                p_->setFont(cell_);
                p_->setPen(Qt::black);
                const QString label = metrics.elidedText(row.caption, Qt::ElideRight, labelWidth - 2 * mm_);
                p_->drawText(QRectF(0, y_, labelWidth - 2 * mm_, rowHeight), Qt::AlignRight | Qt::AlignVCenter, label);
                const QRectF full(labelWidth, y_ + rowHeight * 0.2, track, rowHeight * 0.6);
                p_->setPen(QPen(QColor(0x99, 0x99, 0x99), 0.15 * mm_));
                p_->setBrush(QColor(0xEE, 0xEE, 0xEE));
                p_->drawRect(full);
                const qreal from = labelWidth + track * row.below.value_or(0.0);
                const qreal to = labelWidth + track * row.above.value_or(1.0);
                p_->fillRect(QRectF(from, full.top(), std::max(0.0, to - from), full.height()), QColor(0x9C, 0xC3, 0xE6));
                const qreal now = labelWidth + track * row.weight;
                p_->setPen(QPen(QColor(0xC0, 0, 0), 0.5 * mm_));
                p_->drawLine(QPointF(now, y_ + 1), QPointF(now, y_ + rowHeight - 1));
            }
            y_ += rowHeight;
        }
        ensure(rowHeight);
        if (p_) {
            p_->setFont(cell_);
            p_->setPen(Qt::black);
            for (int tick = 0; tick <= 4; ++tick) {
                const qreal x = labelWidth + track * tick / 4.0;
                p_->drawText(QRectF(x - 10 * mm_, y_, 20 * mm_, rowHeight), Qt::AlignHCenter | Qt::AlignTop,
                             QString::number(tick / 4.0));
            }
        }
        y_ += rowHeight + 3 * mm_;
    }

    const Report &report_;
    QPagedPaintDevice &device_;
    QPainter *p_;
    int pages_;
    int page_ = 1;
    qreal y_ = 0;
    qreal width_ = 0;
    qreal height_ = 0;
    qreal footerHeight_ = 0;
    qreal mm_ = 1;
    QFont body_, small_, cell_, cellBold_, h1_, h2_, h3_;
    std::optional<QFontMetricsF> cellMetrics_;
    std::optional<QFontMetricsF> boldMetrics_;
    QHash<QString, qreal> advance_;
    QHash<QString, qreal> boldAdvance_;
    QHash<QString, QList<QGlyphRun>> runs_;
    QHash<QString, QList<QGlyphRun>> boldRuns_;
    struct GlyphBatch
    {
        QRawFont font;
        QColor colour;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<GlyphBatch> batches_;
};

} // namespace

QPageSize DefaultReportPageSize(const QLocale &locale)
{
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
}

int PaintReport(const Report &report, QPagedPaintDevice &device)
{
    const int pages = PageWriter(report, device, nullptr, 0).run();
    QPainter painter;
    if (!painter.begin(&device))
        throw FileError(report.japanese ? QStringLiteral("レポートのページを描けません。")
                                        : QStringLiteral("Cannot paint the report's pages."));
    painter.setRenderHint(QPainter::Antialiasing);
    const int painted = PageWriter(report, device, &painter, pages).run();
    painter.end();
    return painted;
}

QByteArray BuildReportPdf(const Report &report, const QPageSize &pageSize, int *pages)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageSize(pageSize);
        writer.setPageMargins(QMarginsF(15, 15, 15, 12), QPageLayout::Millimeter);
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("Priomat"));
        const int count = PaintReport(report, writer);
        if (pages)
            *pages = count;
    }
    buffer.close();
    return bytes;
}

ReportFormat ReportFormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"html" || suffix == u"htm" ? ReportFormat::Html : ReportFormat::Pdf;
}

int WriteReportFile(const Report &report, const QString &path, const QPageSize &pageSize)
{
    int pages = 0;
    const QByteArray bytes =
        ReportFormatOf(path) == ReportFormat::Html ? BuildReportHtml(report) : BuildReportPdf(report, pageSize, &pages);
    WriteFileAtomically(path, bytes);
    return pages;
}

} // namespace priomat
