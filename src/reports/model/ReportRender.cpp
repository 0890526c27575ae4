#include "ReportRender.h"

#include "ReportFonts.h"

#include "core/Errors.h"

#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {

constexpr int PdfDpi = 1200;

QByteArray mediaBox(double width, double height) {
    return "/MediaBox [0 0 " + QByteArray::number(width, 'f', 6) + ' ' + QByteArray::number(height, 'f', 6) +
           ']';
}

} // namespace

// Qt keeps page sizes in whole points, so 160 x 113 mm would come out as 160.16 x 112.89 mm and A4 as
// 595 x 842 points. This device passes the file through and writes each page's media box with the
// exact size instead; the text keeps its length, so every offset of the file stays right.
class ExactMediaBoxDevice : public QIODevice {
public:
    explicit ExactMediaBoxDevice(QIODevice* target) : m_target(target) { open(QIODevice::WriteOnly); }
    void addPageSize(const QSizeF& mm) {
        const QSizeF pt = mm / 25.4 * 72;
        const QByteArray from = mediaBox(qRound(pt.width()), qRound(pt.height()));
        const QByteArray to = mediaBox(pt.width(), pt.height());
        if (from.size() == to.size() && from != to) m_replace.insert(from, to);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override {
        QByteArray chunk(data, len);
        if (chunk.contains("/MediaBox"))
            for (auto i = m_replace.cbegin(); i != m_replace.cend(); ++i)
                chunk.replace(i.key(), i.value());
        return m_target->write(chunk) == len ? len : -1;
    }

private:
    QIODevice* m_target;
    QHash<QByteArray, QByteArray> m_replace;
};

QPageSize PageSizeOf(const ReportPage& page) {
    if (page.a4) return QPageSize(QPageSize::A4);
    return QPageSize(page.paper, QPageSize::Millimeter, {}, QPageSize::ExactMatch);
}

void RenderPage(QPainter& painter, const ReportPage& page, double dotsPerInch) {
    InstallReportFonts();
    const double k = dotsPerInch / 25.4;
    auto rect = [k](const QRectF& r) {
        return QRectF(r.left() * k, r.top() * k, r.width() * k, r.height() * k);
    };
    const QPaintDevice* device = painter.device();
    const double deviceDpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : dotsPerInch;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (const Primitive& p : page.items) {
        switch (p.kind) {
        case Primitive::Rect: {
            const RectRun& r = p.rect;
            painter.setPen(r.pen ? QPen(*r.pen, r.penWidthMm * k, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                                 : QPen(Qt::NoPen));
            painter.setBrush(r.fill ? QBrush(*r.fill) : QBrush(Qt::NoBrush));
            painter.drawRect(rect(r.rect));
            break;
        }
        case Primitive::Line: {
            const LineRun& l = p.line;
            painter.setPen(QPen(l.colour, l.widthMm * k, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QLineF(l.line.p1() * k, l.line.p2() * k));
            break;
        }
        case Primitive::Image: {
            painter.save();
            painter.setClipRect(rect(p.image.clip), Qt::IntersectClip);
            p.image.picture.paint(painter, rect(p.image.target));
            painter.restore();
            break;
        }
        case Primitive::Text: {
            const TextRun& t = p.text;
            QFont f = ReportFont(t.font);
            // A point means 1/72 inch of the device; scale it to the painter's own units.
            f.setPointSizeF(t.font.pointSize * dotsPerInch / deviceDpi);
            painter.setFont(f);
            painter.setPen(t.font.colour);
            painter.drawText(t.origin * k, t.text);
            break;
        }
        }
    }
    painter.restore();
}

PdfStreamWriter::PdfStreamWriter(const QString& path, const QString& title)
    : m_path(path), m_title(title), m_file(std::make_unique<QSaveFile>(path)) {
    if (!m_file->open(QIODevice::WriteOnly))
        throw FileError(u"A(z) %1 fájl nem hozható létre: %2"_s.arg(path, m_file->errorString()));
    m_device = std::make_unique<ExactMediaBoxDevice>(m_file.get());
}

PdfStreamWriter::~PdfStreamWriter() {
    if (m_painter && m_painter->isActive()) m_painter->end();
    m_painter.reset();
    m_writer.reset();
    m_device.reset();
    if (m_file) m_file->cancelWriting(); // never commit: no partial file under the name
}

void PdfStreamWriter::addPage(const ReportPage& page) {
    m_device->addPageSize(page.a4 ? QSizeF(210, 297) : page.paper);
    if (!m_writer) {
        m_writer = std::make_unique<QPdfWriter>(m_device.get());
        m_writer->setResolution(PdfDpi);
        m_writer->setCreator(u"Sonoria"_s);
        m_writer->setTitle(m_title);
        m_writer->setPageMargins(QMarginsF(0, 0, 0, 0));
        m_writer->setPageSize(PageSizeOf(page));
        m_painter = std::make_unique<QPainter>();
        if (!m_painter->begin(m_writer.get())) throw FileError(u"A(z) %1 PDF fájl nem írható."_s.arg(m_path));
    } else {
        m_writer->setPageSize(PageSizeOf(page));
        m_writer->newPage();
    }
    RenderPage(*m_painter, page, PdfDpi);
    ++m_pages;
}

void PdfStreamWriter::finish() {
    if (!m_writer)
        throw FileError(u"A(z) %1 PDF fájlba nincs mit írni: a nyomtatásnak nincs oldala."_s.arg(m_path));
    m_painter->end();
    m_painter.reset();
    m_writer.reset();
    m_device.reset();
    if (m_file->error() != QFileDevice::NoError || !m_file->commit()) {
        const QString why = m_file->errorString();
        m_file.reset();
        throw FileError(u"A(z) %1 fájl írása nem sikerült: %2"_s.arg(m_path, why));
    }
    m_file.reset();
}

PageSink PagedDeviceSink(QPagedPaintDevice& device, QPainter& painter,
                         std::function<bool(int page)> progress) {
    return [&device, &painter, progress = std::move(progress), first = true](ReportPage&& page) mutable {
        device.setPageSize(PageSizeOf(page));
        if (first) {
            device.setPageMargins(QMarginsF(0, 0, 0, 0));
            if (!painter.isActive() && !painter.begin(&device))
                throw FileError(u"A nyomtatás nem indítható."_s);
            first = false;
        } else {
            device.newPage();
        }
        RenderPage(painter, page, device.logicalDpiY());
        return !progress || progress(page.number);
    };
}

void WritePdf(const QString& path, const std::vector<ReportPage>& pages, const QString& title) {
    PdfStreamWriter w(path, title);
    for (const ReportPage& p : pages)
        w.addPage(p);
    w.finish();
}

QImage RenderPageImage(const ReportPage& page, double dotsPerInch) {
    const QSize size(qRound(page.paper.width() / 25.4 * dotsPerInch),
                     qRound(page.paper.height() / 25.4 * dotsPerInch));
    QImage image(size, QImage::Format_RGB32);
    const int dpm = qRound(dotsPerInch / 0.0254);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    QPainter p(&image);
    RenderPage(p, page, dotsPerInch);
    p.end();
    return image;
}

void WritePng(const QString& path, const ReportPage& page, double dotsPerInch) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !RenderPageImage(page, dotsPerInch).save(&file, "PNG") ||
        !file.commit())
        throw FileError(u"A(z) %1 kép nem írható: %2"_s.arg(path, file.errorString()));
}
