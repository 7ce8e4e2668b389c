// The decision report painted on pages: PDF bytes, printing, and writing a report file as PDF
// or HTML by its extension.
#pragma once

#include "document/Report.h"

#include <QByteArray>
#include <QLocale>
#include <QPageSize>
#include <QString>

class QPagedPaintDevice;

namespace priomat {

// A4, or Letter where the locale measures in US units.
QPageSize DefaultReportPageSize(const QLocale &locale = QLocale::system());

// Paints every page of the report on a fresh paged device (a PDF writer, a printer) with page
// numbers; a table wider than the page is split into column blocks that repeat the row labels.
// Returns the number of pages.
int PaintReport(const Report &report, QPagedPaintDevice &device);

// The report as a PDF in memory.
QByteArray BuildReportPdf(const Report &report, const QPageSize &pageSize, int *pages = nullptr);

enum class ReportFormat { Pdf, Html };
// HTML for a name ending in .html or .htm (any case), PDF otherwise.
ReportFormat ReportFormatOf(const QString &path);

// Builds the file in memory and replaces `path` only once every byte reached the disk.
// Throws FileError. Returns the page count for a PDF, 0 for HTML.
int WriteReportFile(const Report &report, const QString &path, const QPageSize &pageSize = DefaultReportPageSize());

} // namespace priomat
