#pragma once

// Small constructors that keep the layout tables readable: one line per element.

#include "reports/model/ReportLayout.h"

namespace layoutkit {

enum Flags : unsigned { None = 0, Auto = 1, ToBand = 2, Opaque = 4 };

// The smallest size a text that does not fit its box is set in (names, addresses, complaints).
constexpr double SmallestReadableSize = 6;

// A name or an address that prints whole: too wide for its box, it is set smaller, then wrapped.
inline ReportElement whole(ReportElement e) {
    e.text.minPointSize = SmallestReadableSize;
    return e;
}

inline FontSpec font(const QString& family, double pt, bool bold = false, bool italic = false,
                     bool underline = false, QColor colour = Qt::black) {
    FontSpec f;
    f.family = family;
    f.pointSize = pt;
    f.bold = bold;
    f.italic = italic;
    f.underline = underline;
    f.colour = colour;
    return f;
}
inline FontSpec arial(double pt, bool bold = false, bool italic = false) {
    return font(QStringLiteral("Arial"), pt, bold, italic);
}
inline FontSpec tahoma(double pt, bool bold = false, bool italic = false) {
    return font(QStringLiteral("Tahoma"), pt, bold, italic);
}
inline FontSpec courier(double pt, bool bold = false) {
    return font(QStringLiteral("Courier New"), pt, bold);
}

inline ReportElement textElement(TextElement::Kind kind, double x, double y, double w, double h,
                                 std::optional<FontSpec> f, TextAlign align, unsigned flags) {
    ReportElement e;
    e.kind = ReportElement::Text;
    e.text.kind = kind;
    e.text.box = QRectF(x, y, w, h);
    e.text.font = std::move(f);
    e.text.align = align;
    e.text.autoSize = flags & Auto;
    e.text.alignToBand = flags & ToBand;
    e.text.opaque = flags & Opaque;
    return e;
}

inline ReportElement label(double x, double y, double w, double h, const QString& caption,
                           std::optional<FontSpec> f = {}, TextAlign align = TextAlign::Left,
                           unsigned flags = None) {
    ReportElement e = textElement(TextElement::Label, x, y, w, h, std::move(f), align, flags);
    e.text.caption = caption;
    return e;
}

inline ReportElement data(DataSetName ds, const QString& column, double x, double y, double w, double h,
                          std::optional<FontSpec> f = {}, TextAlign align = TextAlign::Left,
                          unsigned flags = None) {
    ReportElement e = textElement(TextElement::Data, x, y, w, h, std::move(f), align, flags);
    e.text.dataSet = ds;
    e.text.column = column;
    e.text.name = column;
    return e;
}

inline ReportElement qry(const QString& column, double x, double y, double w, double h,
                         std::optional<FontSpec> f = {}, TextAlign align = TextAlign::Left,
                         unsigned flags = None) {
    return data(DataSetName::Qry, column, x, y, w, h, std::move(f), align, flags);
}

inline ReportElement tbl(const QString& column, double x, double y, double w, double h,
                         std::optional<FontSpec> f = {}, TextAlign align = TextAlign::Left,
                         unsigned flags = None) {
    return data(DataSetName::Tbl, column, x, y, w, h, std::move(f), align, flags);
}

inline ReportElement expression(const QString& name, const QString& expr, bool resetAfterPrint, double x,
                                double y, double w, double h, std::optional<FontSpec> f = {},
                                TextAlign align = TextAlign::Left, unsigned flags = None) {
    ReportElement e = textElement(TextElement::Expression, x, y, w, h, std::move(f), align, flags);
    e.text.expression = expr;
    e.text.resetAfterPrint = resetAfterPrint;
    e.text.name = name;
    return e;
}

inline ReportElement system(SystemValue v, const QString& prefix, double x, double y,
                            std::optional<FontSpec> f = {}, TextAlign align = TextAlign::Left,
                            unsigned flags = Auto) {
    ReportElement e = textElement(TextElement::System, x, y, 0, 0, std::move(f), align, flags);
    e.text.system = v;
    e.text.caption = prefix;
    return e;
}

inline ReportElement rect(double x, double y, double w, double h, QColor pen, std::optional<QColor> fill) {
    ReportElement e;
    e.kind = ReportElement::Shape;
    e.shape.kind = ShapeElement::Rectangle;
    e.shape.box = QRectF(x, y, w, h);
    e.shape.pen = pen;
    e.shape.fill = fill;
    return e;
}

inline ReportElement topAndBottom(double x, double y, double w, double h) {
    ReportElement e;
    e.kind = ReportElement::Shape;
    e.shape.kind = ShapeElement::TopAndBottom;
    e.shape.box = QRectF(x, y, w, h);
    e.shape.fill.reset();
    return e;
}

inline ReportElement image(const QString& name, double x, double y, double w, double h,
                           ImageElement::Mode mode, bool frame, Picture picture = {}) {
    ReportElement e;
    e.kind = ReportElement::Image;
    e.image.name = name;
    e.image.box = QRectF(x, y, w, h);
    e.image.mode = mode;
    e.image.frame = frame;
    e.image.picture = std::move(picture);
    return e;
}

inline Band band(BandKind kind, double height, bool frameTop = false, bool frameBottom = false,
                 double frameWidth = 1) {
    Band b;
    b.kind = kind;
    b.height = height;
    b.frameTop = frameTop;
    b.frameBottom = frameBottom;
    b.frameWidth = frameWidth;
    return b;
}

// The page footer of the lists (the period lists, one patient's examinations, the patient list).
Band listPageFooter(const QString& layoutName);

} // namespace layoutkit
