#pragma once

// A printed document as plain data: page, bands, elements. Every length is in millimetres; element
// positions are relative to the top-left corner of their band.

#include "Picture.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

struct FontSpec {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor colour = Qt::black;
    bool operator==(const FontSpec&) const = default;
};

enum class TextAlign { Left, Right, Center };

// How a column's value becomes text.
struct DisplayFormat {
    enum Kind { None, DatePattern, NumericMask };
    Kind kind = None;
    QString pattern; // "yyyy. mmmm. dd" (date) or "### ### ##0", "00000" (number)
    static DisplayFormat date(const QString& p) { return {DatePattern, p}; }
    static DisplayFormat numeric(const QString& p) { return {NumericMask, p}; }
};

enum class DataSetName { Qry, Tbl };

enum class SystemValue { PageNumber, PrintDateTime, ReportTitle };

struct TextElement {
    enum Kind { Label, Data, Expression, System };
    Kind kind = Label;
    QRectF box;                   // a zero height means one line of the font
    std::optional<FontSpec> font; // the band's, then the layout's default when not set
    TextAlign align = TextAlign::Left;
    bool alignToBand = false;
    bool autoSize = false;
    bool opaque = false;

    QString caption;                        // label; system text: the prefix
    DataSetName dataSet = DataSetName::Qry; // data text
    QString column;                         // data text
    QString expression;                     // expression text
    bool resetAfterPrint = false;           // expression text
    SystemValue system = SystemValue::PageNumber;
    QString name; // optional, to find the element from code (caption or font changed before a run)

    // A text that does not fit its box (no auto-size): with a minimum size it is set smaller, in half
    // points, down to that size. What still does not fit continues on pages after the last band under
    // the continuation caption; without a caption it prints on below the box. With neither, lines
    // below the box are not printed.
    double minPointSize = 0;
    QString continuation;
};

struct ShapeElement {
    enum Kind { Rectangle, TopAndBottom };
    Kind kind = Rectangle;
    QRectF box;
    QColor pen = Qt::black;
    std::optional<QColor> fill = QColor(Qt::white); // none: left unfilled
    double penWidth = 1;                            // in line units (see LineUnitMm)
};

struct ImageElement {
    enum Mode { CentreNatural, Stretch, TopLeftNatural };
    QRectF box;
    Mode mode = CentreNatural;
    bool frame = false;
    Picture picture;
    QString name;
};

// Width of line unit 1 on paper.
constexpr double LineUnitMm = 0.25;

struct ReportElement {
    enum Kind { Text, Shape, Image };
    Kind kind = Text;
    TextElement text;
    ShapeElement shape;
    ImageElement image;
};

// Continuation: at the top of every page that carries on texts too long for their boxes (below the
// page header); its font is the font of the continuation captions.
enum class BandKind {
    Title,
    PageHeader,
    GroupHeader,
    Detail,
    GroupFooter,
    Summary,
    PageFooter,
    Continuation
};

struct Band {
    BandKind kind = BandKind::Detail;
    double height = 0;
    bool frameTop = false;
    bool frameBottom = false;
    double frameWidth = 1; // in line units
    std::optional<FontSpec> font;
    QString groupKey;   // group header: a bare column reference, e.g. "Qry.datum"
    QString footerName; // group header: the name of its group footer band
    QString name;       // group footer: the name a header refers to
    QList<ReportElement> elements;

    ReportElement& add(ReportElement e) { return elements.emplace_back(std::move(e)); }
};

struct ReportOptions {
    bool firstPageHeader = true; // the page header also prints on the first page
    bool lastPageFooter = true;  // the page footer also prints on the last page
    bool printIfEmpty = true;    // one page even when the master data set has no rows
};

struct ReportLayout {
    QString name;  // e.g. "qrMunkalap"
    QString title; // the report-title system text; also the title of a print job
    QSizeF paper{210, 297};
    bool a4 = true; // false: the custom size in paper
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;
    FontSpec font;
    ReportOptions options;
    QList<Band> bands;                        // top-to-bottom order
    QHash<QString, DisplayFormat> qryFormats; // by lower-case column name of Qry
    QHash<QString, DisplayFormat> tblFormats;

    double bandWidth() const { return paper.width() - marginLeft - marginRight; }
    Band& add(Band b) { return bands.emplace_back(std::move(b)); }
    const Band* band(BandKind kind) const;
    // The first text element / image with that name, or nullptr.
    TextElement* findText(const QString& name);
    ImageElement* findImage(const QString& name);
    void setQryFormat(const QString& column, DisplayFormat f) { qryFormats.insert(column.toLower(), f); }
};
