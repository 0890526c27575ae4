#pragma once

#include "PageBuilder.h"
#include "ReportPage.h"

#include <QImage>
#include <QPageSize>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPdfWriter;
class QSaveFile;
class ExactMediaBoxDevice;

// The paper of a page as a page size (A4, or the custom size exactly).
QPageSize PageSizeOf(const ReportPage& page);

// Draws a page on any painter whose coordinates have the given number of units per inch, with the
// paper's top-left corner at the painter's origin: a printer or PDF writer at its resolution, an
// image, a preview page. On a QPrinter set full-page mode (QPrinter::setFullPage(true)) and the page size
// from PageSizeOf, then draw each page at the printer's resolution.
void RenderPage(QPainter& painter, const ReportPage& page, double dotsPerInch);

// Paints pages as they come onto a paged device (a QPrinter in full-page mode, a QPdfWriter): each page
// gets its own page size, the pages after the first a new page. Returns the function the page builder's
// sink calls; progress (optional) hears each page number, and false from it stops the run.
class QPagedPaintDevice;
PageSink PagedDeviceSink(QPagedPaintDevice& device, QPainter& painter,
                         std::function<bool(int page)> progress = {});

// A PDF written page by page: nothing but the current page is held. The file appears under its name
// only when finish() succeeds; a writer destroyed before that leaves no file behind.
class PdfStreamWriter {
public:
    // Throws FileError when the file cannot be created.
    PdfStreamWriter(const QString& path, const QString& title);
    ~PdfStreamWriter();
    void addPage(const ReportPage& page);
    int pageCount() const { return m_pages; }
    void finish(); // throws FileError

private:
    QString m_path;
    QString m_title;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<ExactMediaBoxDevice> m_device;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    int m_pages = 0;
};

void WritePdf(const QString& path, const std::vector<ReportPage>& pages, const QString& title = {});
QImage RenderPageImage(const ReportPage& page, double dotsPerInch);
void WritePng(const QString& path, const ReportPage& page, double dotsPerInch = 150);
