#include "PageBuilder.h"

#include "DisplayText.h"
#include "ReportExpression.h"
#include "ReportFonts.h"

#include "core/Errors.h"

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr double Eps = 0.01; // mm; what rounding of the stated coordinates may cost

QString trimRight(QStringView s) {
    qsizetype n = s.size();
    while (n > 0 && s[n - 1] == u' ')
        --n;
    return s.left(n).toString();
}

// A bare column reference "Qry.col" as data set and column.
bool splitReference(const QString& ref, QString& dataSet, QString& column) {
    const qsizetype dot = ref.indexOf(u'.');
    if (dot <= 0) return false;
    dataSet = ref.left(dot).trimmed();
    column = ref.mid(dot + 1).trimmed();
    return !column.isEmpty();
}

} // namespace

QStringList HardLines(const QString& text) {
    // CR LF as the program stores it, a lone CR, and a lone LF as other programs write it.
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        lines << text.mid(start, i - start);
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    lines << text.mid(start);
    return lines;
}

QStringList BreakLines(const QString& text, const TextMeasure& measure, double width, bool* wordCut) {
    if (wordCut) *wordCut = false;
    QStringList lines;
    const double limit = width + Eps;
    for (const QString& p : HardLines(text)) {
        const qsizetype n = p.size();
        if (n == 0) {
            lines << QString();
            continue;
        }
        qsizetype start = 0;
        while (start < n) {
            const QStringView rest = QStringView(p).mid(start);
            if (measure.width(trimRight(rest)) <= limit) {
                lines << trimRight(rest);
                break;
            }
            qsizetype best = -1;
            for (qsizetype j = start; j < n; ++j) {
                if (p[j] != u' ' && p[j] != u'-') continue;
                const QString candidate = trimRight(QStringView(p).mid(start, j + 1 - start));
                if (measure.width(candidate) <= limit)
                    best = j + 1;
                else if (!candidate.isEmpty())
                    break;
            }
            qsizetype end;
            if (best > start) {
                end = best;
            } else {
                // The first word alone is too wide: break it where it stops fitting (one character at least).
                if (wordCut) *wordCut = true;
                qsizetype k = 1;
                while (start + k < n && measure.width(QStringView(p).mid(start, k + 1)) <= limit)
                    ++k;
                end = start + k;
            }
            lines << trimRight(QStringView(p).mid(start, end - start));
            start = end;
            while (start < n && p[start] == u' ')
                ++start;
        }
    }
    return lines;
}

TextFit FitText(const TextElement& element, const FontSpec& font, const QString& text) {
    TextFit fit{font, {}, 0};
    bool wordCut = false;
    auto setIn = [&](double pointSize) {
        fit.font.pointSize = pointSize;
        const TextMeasure m(fit.font);
        fit.lines = element.autoSize ? HardLines(text) : BreakLines(text, m, element.box.width(), &wordCut);
        const double height = element.box.height();
        // The first line always prints; the others while they end inside the box.
        fit.inBox =
            height > 0 ? std::max<qsizetype>(1, static_cast<qsizetype>((height + Eps) / m.lineHeight())) : 1;
    };
    setIn(font.pointSize);
    if (element.autoSize || element.minPointSize <= 0) return fit;
    for (double size = font.pointSize - 0.5; (!fit.fits() || wordCut) && size >= element.minPointSize - Eps;
         size -= 0.5)
        setIn(size);
    return fit;
}

struct PageBuilder::State {
    const ReportLayout& layout;
    const DataSet* qry;
    const DataSet* tbl;
    QDateTime printedAt;
    const PageSink& sink;

    std::map<std::pair<int, int>, std::unique_ptr<ReportExpression>> expressions; // (band, element)
    std::map<std::pair<int, int>, int> qryColumns, tblColumns;

    const Band* pageHeader = nullptr;
    const Band* pageFooter = nullptr;
    const Band* title = nullptr;
    const Band* detail = nullptr;
    const Band* summary = nullptr;
    const Band* continuationHeader = nullptr;
    // The lines of texts too long for their boxes, printed on continuation pages after the last band.
    struct Rest {
        QString caption;
        FontSpec font;
        double left; // on the paper
        QStringList lines;
    };
    std::vector<Rest> rests;
    struct Group {
        const Band* header;
        const Band* footer;
        int column; // in Qry, -1 when the key names no column
        bool tbl;
    };
    std::vector<Group> groups;

    ReportPage page;
    bool open = false;
    bool fresh = true; // nothing but the page header on the page yet
    double y = 0;
    int pageNumber = 0;
    int pagesOut = 0;
    bool cancelled = false;
    qsizetype row = -1; // current master row, -1 for none

    State(const ReportLayout& l, const DataSet* q, const DataSet* t, QDateTime at, const PageSink& s)
        : layout(l), qry(q), tbl(t), printedAt(std::move(at)), sink(s) {}

    int bandIndex(const Band* b) const { return static_cast<int>(b - layout.bands.data()); }

    int findColumn(const DataSet* ds, const QString& column, const QString& what) {
        if (!ds) return -1;
        const int c = ds->columnIndex(column);
        if (c < 0 && ds->columnCount() > 0)
            throw FormatError(
                u"A(z) „%1” nyomtatási kép „%2” mezője nincs a lekérdezésben."_s.arg(layout.name, what));
        return c;
    }

    void prepare() {
        for (int b = 0; b < layout.bands.size(); ++b) {
            const Band& band = layout.bands[b];
            switch (band.kind) {
            case BandKind::PageHeader:
                pageHeader = &band;
                break;
            case BandKind::PageFooter:
                pageFooter = &band;
                break;
            case BandKind::Title:
                title = &band;
                break;
            case BandKind::Detail:
                detail = &band;
                break;
            case BandKind::Summary:
                summary = &band;
                break;
            case BandKind::GroupHeader: {
                Group g{&band, nullptr, -1, false};
                for (const Band& f : layout.bands)
                    if (f.kind == BandKind::GroupFooter && !band.footerName.isEmpty() &&
                        f.name == band.footerName)
                        g.footer = &f;
                QString ds, col;
                if (!splitReference(band.groupKey, ds, col))
                    throw FormatError(u"Hibás csoportkulcs a(z) „%1” nyomtatási képben: %2"_s.arg(
                        layout.name, band.groupKey));
                g.tbl = ds.compare(u"Tbl"_s, Qt::CaseInsensitive) == 0;
                g.column = findColumn(g.tbl ? tbl : qry, col, band.groupKey);
                groups.push_back(g);
                break;
            }
            case BandKind::Continuation:
                continuationHeader = &band;
                break;
            case BandKind::GroupFooter:
                break;
            }
            for (int e = 0; e < band.elements.size(); ++e) {
                const ReportElement& el = band.elements[e];
                if (el.kind != ReportElement::Text) continue;
                const TextElement& t = el.text;
                if (t.kind == TextElement::Expression)
                    expressions[{b, e}] = std::make_unique<ReportExpression>(t.expression);
                else if (t.kind == TextElement::Data) {
                    if (t.dataSet == DataSetName::Qry)
                        qryColumns[{b, e}] = findColumn(qry, t.column, t.column);
                    else
                        tblColumns[{b, e}] = findColumn(tbl, t.column, u"Tbl."_s + t.column);
                }
            }
        }
    }

    Value qryValue(int column) const {
        if (!qry || column < 0 || row < 0 || row >= qry->rowCount()) return {};
        return qry->value(row, column);
    }
    Value tblValue(int column) const {
        if (!tbl || column < 0 || tbl->rowCount() == 0) return {};
        return tbl->value(0, column);
    }

    ReportExpression::Resolver resolver() const {
        return [this](const QString& ds, const QString& column) -> Value {
            const bool isTbl = ds.compare(u"Tbl"_s, Qt::CaseInsensitive) == 0;
            if (!isTbl && ds.compare(u"Qry"_s, Qt::CaseInsensitive) != 0)
                throw FormatError(
                    u"Ismeretlen adatforrás a(z) „%1” nyomtatási képben: %2"_s.arg(layout.name, ds));
            const DataSet* d = isTbl ? tbl : qry;
            if (!d) return {};
            const int c = d->columnIndex(column);
            if (c < 0) {
                if (d->columnCount() > 0)
                    throw FormatError(u"A(z) „%1” nyomtatási kép „%2.%3” mezője nincs a lekérdezésben."_s.arg(
                        layout.name, ds, column));
                return {};
            }
            return isTbl ? tblValue(c) : qryValue(c);
        };
    }

    Value groupKey(const Group& g) const { return g.tbl ? tblValue(g.column) : qryValue(g.column); }

    double footerTop() const {
        const double bottom = layout.paper.height() - layout.marginBottom;
        return pageFooter ? bottom - pageFooter->height : bottom;
    }

    // Page footer and hand-over of the page.
    void closePage(bool last) {
        if (!open) return;
        if (pageFooter && (!last || layout.options.lastPageFooter)) drawBand(*pageFooter, footerTop());
        open = false;
        ++pagesOut;
        if (!sink(std::move(page))) cancelled = true;
        page = ReportPage();
    }

    void startPage() {
        page = ReportPage();
        page.number = ++pageNumber;
        page.paper = layout.paper;
        page.a4 = layout.a4;
        open = true;
        y = layout.marginTop;
        if (pageHeader && (pageNumber > 1 || layout.options.firstPageHeader)) {
            drawBand(*pageHeader, y);
            y += pageHeader->height;
        }
        fresh = true;
    }

    void place(const Band& band) {
        if (!open) startPage();
        if (y + band.height > footerTop() + Eps && !fresh) {
            closePage(false);
            if (cancelled) return;
            startPage();
        }
        drawBand(band, y);
        y += band.height;
        fresh = false;
    }

    void drawBand(const Band& band, double top) {
        const double left = layout.marginLeft;
        const double width = layout.bandWidth();
        const int b = bandIndex(&band);
        const FontSpec& bandFont = band.font ? *band.font : layout.font;
        for (int e = 0; e < band.elements.size(); ++e) {
            const ReportElement& el = band.elements[e];
            switch (el.kind) {
            case ReportElement::Shape:
                drawShape(el.shape, left, top);
                break;
            case ReportElement::Image:
                drawImage(el.image, left, top);
                break;
            case ReportElement::Text: {
                const TextElement& t = el.text;
                drawText(t, t.font ? *t.font : bandFont, textOf(b, e, t), left, top, width);
                if (t.kind == TextElement::Expression && t.resetAfterPrint) expressions[{b, e}]->reset();
                break;
            }
            }
        }
        auto hline = [&](double yy) {
            Primitive p{Primitive::Line, {}, {}, {}, {}};
            p.line.line = QLineF(left, yy, left + width, yy);
            p.line.widthMm = band.frameWidth * LineUnitMm;
            page.items.push_back(std::move(p));
        };
        if (band.frameTop) hline(top);
        if (band.frameBottom) hline(top + band.height);
    }

    QString textOf(int b, int e, const TextElement& t) {
        switch (t.kind) {
        case TextElement::Label:
            return t.caption;
        case TextElement::Data: {
            if (t.dataSet == DataSetName::Qry)
                return DisplayText(qryValue(qryColumns[{b, e}]), layout.qryFormats.value(t.column.toLower()));
            return DisplayText(tblValue(tblColumns[{b, e}]), layout.tblFormats.value(t.column.toLower()));
        }
        case TextElement::Expression:
            return expressions[{b, e}]->evaluate(resolver());
        case TextElement::System:
            switch (t.system) {
            case SystemValue::PageNumber:
                return t.caption + QString::number(pageNumber);
            case SystemValue::PrintDateTime:
                return t.caption + DateTimeText(printedAt);
            case SystemValue::ReportTitle:
                return t.caption + layout.title;
            }
        }
        return {};
    }

    void drawShape(const ShapeElement& s, double left, double top) {
        const QRectF r = s.box.translated(left, top);
        if (s.kind == ShapeElement::Rectangle) {
            Primitive p{Primitive::Rect, {}, {}, {}, {}};
            p.rect.rect = r;
            p.rect.pen = s.pen;
            p.rect.penWidthMm = s.penWidth * LineUnitMm;
            p.rect.fill = s.fill;
            page.items.push_back(std::move(p));
        } else {
            for (double yy : {r.top(), r.bottom()}) {
                Primitive p{Primitive::Line, {}, {}, {}, {}};
                p.line.line = QLineF(r.left(), yy, r.right(), yy);
                p.line.colour = s.pen;
                p.line.widthMm = s.penWidth * LineUnitMm;
                page.items.push_back(std::move(p));
            }
        }
    }

    void drawImage(const ImageElement& im, double left, double top) {
        const QRectF box = im.box.translated(left, top);
        if (!im.picture.isNull()) {
            Primitive p{Primitive::Image, {}, {}, {}, {}};
            const QSizeF natural = im.picture.naturalSizeMm();
            switch (im.mode) {
            case ImageElement::Stretch:
                p.image.target = box;
                break;
            case ImageElement::CentreNatural:
                p.image.target =
                    QRectF(box.center().x() - natural.width() / 2, box.center().y() - natural.height() / 2,
                           natural.width(), natural.height());
                break;
            case ImageElement::TopLeftNatural:
                p.image.target = QRectF(box.topLeft(), natural);
                break;
            }
            p.image.clip = box;
            p.image.picture = im.picture;
            page.items.push_back(std::move(p));
        }
        if (im.frame) {
            Primitive f{Primitive::Rect, {}, {}, {}, {}};
            f.rect.rect = box;
            f.rect.pen = QColor(Qt::black);
            f.rect.fill.reset();
            page.items.push_back(std::move(f));
        }
    }

    void addText(TextRun run) {
        Primitive p{Primitive::Text, {}, {}, {}, {}};
        p.text = std::move(run);
        page.items.push_back(std::move(p));
    }

    void drawText(const TextElement& t, const FontSpec& design, const QString& text, double left, double top,
                  double bandWidth) {
        const TextFit fit = FitText(t, design, text);
        const FontSpec& font = fit.font;
        const TextMeasure m(font);
        QStringList lines = fit.lines;
        if (!fit.fits() && !t.continuation.isEmpty()) {
            rests.push_back({t.continuation, font, left + t.box.left(), lines.mid(fit.inBox)});
            lines.resize(fit.inBox);
        } else if (t.minPointSize <= 0) {
            lines.resize(std::min(lines.size(), fit.inBox)); // boxes never grow
        }
        const double lh = m.lineHeight();
        const QRectF box = t.box.translated(left, top);
        const double boxBottom =
            std::max(box.top() + (t.box.height() > 0 ? t.box.height() : lh), box.top() + lines.size() * lh);
        // The span the alignment works across.
        double spanLeft = box.left(), spanRight = box.right();
        if (t.alignToBand) {
            spanLeft = left;
            spanRight = left + bandWidth;
        }
        std::vector<TextRun> runs;
        double extentLeft = 1e9, extentRight = -1e9;
        for (int i = 0; i < lines.size(); ++i) {
            const double lineTop = box.top() + i * lh;
            const QString& line = lines[i];
            const double w = m.width(line);
            double x = spanLeft;
            if (t.align == TextAlign::Right)
                x = spanRight - w;
            else if (t.align == TextAlign::Center)
                x = (spanLeft + spanRight) / 2 - w / 2;
            extentLeft = std::min(extentLeft, x);
            extentRight = std::max(extentRight, x + w);
            if (line.isEmpty()) continue;
            runs.push_back(TextRun{line, font, QPointF(x, lineTop + m.ascent()), QRectF(x, lineTop, w, lh)});
        }
        if (t.opaque) {
            Primitive p{Primitive::Rect, {}, {}, {}, {}};
            QRectF r = box;
            r.setBottom(boxBottom);
            if (t.autoSize && extentRight > extentLeft) {
                r.setLeft(extentLeft);
                r.setRight(extentRight);
            }
            p.rect.rect = r;
            p.rect.pen.reset();
            p.rect.fill = QColor(Qt::white);
            page.items.push_back(std::move(p));
        }
        for (TextRun& r : runs)
            addText(std::move(r));
    }

    // A page that carries on the texts too long for their boxes: page header, continuation header.
    void startContinuationPage() {
        closePage(false);
        if (cancelled) return;
        startPage();
        if (continuationHeader) {
            drawBand(*continuationHeader, y);
            y += continuationHeader->height;
        }
    }

    // Each rest under its caption, at the left edge of its box, in the size it was set in; as many
    // pages as it takes.
    void printRests() {
        const std::vector<Rest> all = std::move(rests);
        const FontSpec captionFont =
            continuationHeader && continuationHeader->font ? *continuationHeader->font : layout.font;
        const TextMeasure cm(captionFont);
        startContinuationPage();
        const double pageTop = y;
        for (const Rest& r : all) {
            const TextMeasure m(r.font);
            if (cancelled) return;
            if (y > pageTop) y += cm.lineHeight() / 2;
            if (y + cm.lineHeight() + m.lineHeight() > footerTop() + Eps) startContinuationPage();
            addText({r.caption, captionFont, QPointF(r.left, y + cm.ascent()),
                     QRectF(r.left, y, cm.width(r.caption), cm.lineHeight())});
            y += cm.lineHeight();
            for (const QString& line : r.lines) {
                if (y + m.lineHeight() > footerTop() + Eps) startContinuationPage();
                if (cancelled) return;
                if (!line.isEmpty())
                    addText({line, r.font, QPointF(r.left, y + m.ascent()),
                             QRectF(r.left, y, m.width(line), m.lineHeight())});
                y += m.lineHeight();
            }
        }
    }

    void accumulate() {
        const auto resolve = resolver();
        for (auto& [key, expr] : expressions)
            expr->accumulate(resolve);
    }

    void run() {
        prepare();
        const qsizetype rows = qry ? qry->rowCount() : 0;
        if (rows == 0 && !layout.options.printIfEmpty) return;
        row = rows > 0 ? 0 : -1; // the title and the first page header show the first row
        startPage();
        if (title) place(*title);
        if (rows == 0) {
            row = -1;
            if (detail && !cancelled) place(*detail);
        } else {
            std::vector<Value> keys(groups.size());
            for (qsizetype i = 0; i < rows && !cancelled; ++i) {
                row = i;
                size_t changed = groups.size();
                for (size_t g = 0; g < groups.size(); ++g) {
                    const Value k = groupKey(groups[g]);
                    if (i == 0 || !(k == keys[g])) {
                        changed = g;
                        break;
                    }
                }
                if (i > 0 && changed < groups.size()) {
                    row = i - 1; // footers print with the finished group's last row current
                    for (size_t g = groups.size(); g-- > changed;)
                        if (groups[g].footer && !cancelled) place(*groups[g].footer);
                    row = i;
                }
                for (size_t g = changed; g < groups.size() && !cancelled; ++g) {
                    keys[g] = groupKey(groups[g]);
                    place(*groups[g].header);
                }
                if (cancelled) break;
                accumulate();
                if (detail) place(*detail);
            }
            if (!cancelled) {
                row = rows - 1;
                for (size_t g = groups.size(); g-- > 0;)
                    if (groups[g].footer && !cancelled) place(*groups[g].footer);
            }
        }
        if (summary && !cancelled) place(*summary);
        if (!rests.empty() && !cancelled) printRests();
        if (!cancelled) closePage(true);
    }
};

PageBuilder::PageBuilder(const ReportLayout& layout, const DataSet* qry, const DataSet* tbl)
    : m_layout(layout), m_qry(qry), m_tbl(tbl), m_printedAt(QDateTime::currentDateTime()) {}

PageBuilder::~PageBuilder() = default;

int PageBuilder::build(const PageSink& sink) {
    InstallReportFonts();
    State s(m_layout, m_qry, m_tbl, m_printedAt, sink);
    s.run();
    m_cancelled = s.cancelled;
    return s.pagesOut;
}

std::vector<ReportPage> PageBuilder::buildAll() {
    std::vector<ReportPage> pages;
    build([&](ReportPage&& p) {
        pages.push_back(std::move(p));
        return true;
    });
    return pages;
}

const Band* ReportLayout::band(BandKind kind) const {
    for (const Band& b : bands)
        if (b.kind == kind) return &b;
    return nullptr;
}

TextElement* ReportLayout::findText(const QString& name) {
    for (Band& b : bands)
        for (ReportElement& e : b.elements)
            if (e.kind == ReportElement::Text && e.text.name == name) return &e.text;
    return nullptr;
}

ImageElement* ReportLayout::findImage(const QString& name) {
    for (Band& b : bands)
        for (ReportElement& e : b.elements)
            if (e.kind == ReportElement::Image && e.image.name == name) return &e.image;
    return nullptr;
}
