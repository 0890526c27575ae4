#include "ReportOutput.h"

#include "reports/model/ReportRender.h"
#include "ui/Messages.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QToolBar>

using namespace Qt::StringLiterals;

QString RunPrinterName(const QString& wanted) {
    if (!wanted.isEmpty() && QPrinterInfo::availablePrinterNames().contains(wanted)) return wanted;
    return QPrinterInfo::defaultPrinterName();
}

namespace {
void setUpPrinter(QPrinter& printer, const std::vector<ReportPage>& pages, const QString& title,
                  const QString& name) {
    if (!name.isEmpty()) printer.setPrinterName(name);
    printer.setDocName(title);
    printer.setFullPage(true);
    if (!pages.empty()) printer.setPageSize(PageSizeOf(pages.front()));
    printer.setPageOrientation(QPageLayout::Portrait);
}

void paintPages(QPrinter* printer, const std::vector<ReportPage>& pages) {
    QPainter painter(printer);
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) printer->newPage();
        RenderPage(painter, pages[i], printer->resolution());
    }
}

QString pdfNameFor(const QString& title) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents + u'/' + (title.isEmpty() ? u"Sonoria"_s : title) + u".pdf"_s;
}

void preview(QWidget* parent, const PreparedReport& report, const QString& printerName) {
    const std::vector<ReportPage> pages = report.pages();
    const QString title = report.layout.title;
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, pages, title, printerName);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&pages](QPrinter* p) { paintPages(p, pages); });
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* save = bar->addAction(u"PDF mentése"_s);
        save->setToolTip(u"A nyomtatási kép mentése PDF fájlba"_s);
        QObject::connect(save, &QAction::triggered, &dialog, [&] {
            const QString path = QFileDialog::getSaveFileName(&dialog, u"PDF mentése"_s, pdfNameFor(title),
                                                              u"PDF dokumentum (*.pdf)"_s);
            if (path.isEmpty()) return;
            RunGuarded([&] {
                WritePdf(path.endsWith(u".pdf"_s, Qt::CaseInsensitive) ? path : path + u".pdf"_s, pages,
                         title);
            });
        });
    }
    dialog.exec();
}

void print(QWidget* parent, const PreparedReport& report, const QString& printerName) {
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        ErrorBox(u"Nincs telepített nyomtató, ezért a nyomtatás nem indítható. A nyomtatási képet PDF fájlba "
                 u"mentheti."_s,
                 parent);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer, {}, report.layout.title, printerName);
    printer.setPageSize(report.layout.a4 ? QPageSize(QPageSize::A4)
                                         : QPageSize(report.layout.paper, QPageSize::Millimeter));
    QProgressDialog progress(u"Nyomtatás folyamatban…"_s, u"Mégsem"_s, 0, 0, parent);
    progress.setWindowTitle(report.layout.title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QPainter painter;
    bool first = true;
    report.build([&](ReportPage&& page) {
        QApplication::processEvents();
        if (progress.wasCanceled()) return false; // no further pages are laid out
        if (first) {
            if (!painter.begin(&printer))
                throw SonoriaError(u"A(z) „%1” nyomtató nem érhető el."_s.arg(printer.printerName()));
            first = false;
        } else {
            printer.newPage();
        }
        RenderPage(painter, page, printer.resolution());
        progress.setLabelText(u"Nyomtatás folyamatban… %1. oldal"_s.arg(page.number));
        return true;
    });
    if (painter.isActive()) painter.end();
}
} // namespace

void OutputReport(QWidget* parent, const PreparedReport& report, ReportOutput output,
                  const QString& printerName) {
    if (output == ReportOutput::Preview)
        preview(parent, report, printerName);
    else
        print(parent, report, printerName);
}
