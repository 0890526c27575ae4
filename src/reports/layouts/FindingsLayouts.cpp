#include "LayoutKit.h"
#include "Layouts.h"

#include "reports/model/PageBuilder.h"

#include <cmath>

using namespace Qt::StringLiterals;
using namespace layoutkit;

QString VendorWebAddress() {
    return u"www.sonoria.hu"_s;
}

namespace {

const QColor Outline(0x67, 0x67, 0x67);
const QColor Grey(0xE1, 0xE1, 0xE1);
const QColor White(Qt::white);

// The sheets sit on a grid of 4/15 mm; a caption or a text "one row below" a cell's top is four grid
// steps lower, rounded to 0.1 mm as the tables give it.
double rowBelow(double top) {
    const double step = 25.4 / 96;
    return std::round((std::round(top / step) + 4) * step * 10) / 10;
}

FontSpec caption() {
    return arial(9, false, true);
}
FontSpec value() {
    return arial(9, true);
}
FontSpec memo() {
    return tahoma(9);
}

ReportElement greyCell(double x, double y, double w, double h) {
    return rect(x, y, w, h, Outline, Grey);
}
ReportElement whiteCell(double x, double y, double w, double h) {
    return rect(x, y, w, h, Outline, White);
}

struct Block {
    double top, height, textHeight;
    double captionHeight = 0; // the wrapping caption of the result block
};

ReportLayout findingsBase(const QString& name, double titleHeight, double detailHeight) {
    ReportLayout l;
    l.name = name;
    l.title = name;
    l.font = arial(10);
    l.setQryFormat(u"datum"_s, DisplayFormat::date(u"yyyy. mmmm. dd"_s));

    Band title = band(BandKind::Title, titleHeight);
    title.add(whiteCell(1.1, 0.0, 102.7, 9.5));
    title.add(whiteCell(104.8, 0.0, 83.9, 20.1));
    title.add(whiteCell(1.1, 10.6, 102.7, 34.1));
    title.add(greyCell(104.8, 21.2, 83.9, 23.5));
    title.add(greyCell(1.1, 45.5, 187.3, 7.7));
    title.add(image(u"logo"_s, 105.8, 1.1, 81.5, 18.3, ImageElement::CentreNatural, false,
                    LogoPlaceholderPicture()));
    title.add(label(3.2, 1.1, 69.1, 6.6, u"Betegvizsgálati eredmény"_s,
                    font(u"Arial Rounded MT Bold"_s, 16, true), TextAlign::Left, Auto));
    title.add(label(3.2, 11.6, 8.7, 4.2, u"Beteg"_s, caption(), TextAlign::Left, Auto));
    const struct {
        double y;
        const char16_t* caption;
        const char16_t* column;
    } patient[] = {{16.9, u"Név", u"ugyfel_nev"},    {21.2, u"Anyja neve", u"anyjaneve"},
                   {25.4, u"Cím", u"irszvaroscim"},  {29.6, u"Telefon", u"telefon"},
                   {33.9, u"Született", u"szulstr"}, {38.1, u"TAJ", u"taj"}};
    for (const auto& p : patient) {
        title.add(label(4.2, p.y, 0, 0, QString::fromUtf16(p.caption), caption(), TextAlign::Left, Auto));
        title.add(whole(qry(QString::fromUtf16(p.column), 23.3, p.y, 79.5, 4.2, value())));
    }
    title.add(whole(tbl(u"tulajdonos"_s, 108.0, 22.2, 79.1, 4.2, value(), TextAlign::Right)));
    title.add(whole(tbl(u"irszvaroscim"_s, 108.0, 27.5, 79.1, 4.2, value(), TextAlign::Right)));
    title.add(whole(tbl(u"telefon"_s, 108.0, 32.8, 79.1, 4.2, value(), TextAlign::Right)));
    title.add(qry(u"cim"_s, 0, 46.6, 0, 5.0, arial(11, true), TextAlign::Center, Auto | ToBand));
    l.add(std::move(title));

    Band detail = band(BandKind::Detail, detailHeight);
    detail.add(qry(u"tetelnev"_s, 2.1, 0.0, 0, 0, tahoma(9), TextAlign::Left, Auto));
    l.add(std::move(detail));

    // Pages that carry on a text too long for its box: the patient and the examination on top.
    Band more = band(BandKind::Continuation, 19.0, false, true);
    more.font = caption();
    more.add(label(3.2, 1.1, 0, 0, u"Betegvizsgálati eredmény (folytatás)"_s,
                   font(u"Arial Rounded MT Bold"_s, 12, true), TextAlign::Left, Auto));
    more.add(label(4.2, 8.5, 0, 0, u"Név"_s, caption(), TextAlign::Left, Auto));
    more.add(qry(u"ugyfel_nev"_s, 23.3, 8.5, 0, 0, value(), TextAlign::Left, Auto));
    more.add(label(4.2, 12.7, 0, 0, u"Vizsgálat"_s, caption(), TextAlign::Left, Auto));
    more.add(qry(u"munkalapstr"_s, 23.3, 12.7, 0, 0, value(), TextAlign::Left, Auto));
    more.add(qry(u"cim"_s, 0, 12.7, 0, 0, value(), TextAlign::Right, Auto | ToBand));
    l.add(std::move(more));

    Band footer = band(BandKind::PageFooter, 29.6);
    footer.font = courier(6);
    const FontSpec f8i = arial(8, false, true);
    footer.add(label(3.2, 5.3, 0, 0, u"Dátum"_s, f8i, TextAlign::Left, Auto));
    footer.add(qry(u"datum"_s, 14.8, 5.3, 0, 0, arial(8, true), TextAlign::Left, Auto));
    footer.add(label(0, 5.3, 0, 0, u"PH"_s, f8i, TextAlign::Center, Auto | ToBand));
    footer.add(label(163.1, 5.3, 0, 0, QString(48, u'.'), f8i, TextAlign::Center, Auto));
    footer.add(label(163.6, 8.5, 0, 0, u"Aláírás"_s, f8i, TextAlign::Center, Auto));
    footer.add(label(1.3, 19.3, 0, 0, u"Sonoria"_s, {}, TextAlign::Left, Auto));
    footer.add(system(SystemValue::PrintDateTime, {}, 188.6, 19.3, {}, TextAlign::Right));
    footer.add(system(SystemValue::ReportTitle, {}, 188.7, 22.2, {}, TextAlign::Right));
    footer.add(system(SystemValue::PageNumber, u"oldal: "_s, 1.3, 25.1));
    footer.add(label(0, 25.1, 0, 0, VendorWebAddress(), {}, TextAlign::Center, Auto | ToBand));
    footer.add(label(188.7, 25.1, 0, 0, name, {}, TextAlign::Right, Auto));
    l.add(std::move(footer));
    return l;
}

Band& titleBand(ReportLayout& l) {
    return l.bands.first();
}

// Rectangles go in front of the pictures and texts, so that no cell hides a text drawn before it.
void addCells(Band& b, std::initializer_list<ReportElement> cells) {
    qsizetype at = 0;
    while (at < b.elements.size() && b.elements[at].kind == ReportElement::Shape)
        ++at;
    for (const ReportElement& c : cells)
        b.elements.insert(at++, c);
}

// The three texts of a sheet: complaints, result, opinion.
const struct MemoText {
    const char16_t* column;
    const char16_t* caption;
    double smallest; // the size a text too long for its box is set down to
} memoTexts[] = {{u"panaszok", u"Panaszok", SmallestReadableSize},
                 {u"szoveg", u"Vizsgálati eredmény", 7},
                 {u"velemeny", u"Vélemény", 7}};

const MemoText& memoText(const QString& column) {
    for (const MemoText& m : memoTexts)
        if (column == QStringView(m.column)) return m;
    Q_UNREACHABLE();
}

void addMemo(Band& b, const QString& column, double x, double y, double w, double h) {
    const MemoText& m = memoText(column);
    ReportElement e = qry(column, x, y, w, h, memo());
    e.text.minPointSize = m.smallest;
    e.text.continuation = QString::fromUtf16(m.caption) + u" (folytatás)"_s;
    b.add(std::move(e));
}

// Complaints, result and opinion as caption cell and text cell.
void addTextBlocks(Band& b, Block complaints, Block result, Block opinion) {
    const Block blocks[] = {complaints, result, opinion};
    for (int i = 0; i < 3; ++i) {
        const Block& k = blocks[i];
        const QString name = QString::fromUtf16(memoTexts[i].caption);
        addCells(b, {greyCell(1.1, k.top, 19.1, k.height), whiteCell(21.2, k.top, 167.5, k.height)});
        const double y = rowBelow(k.top);
        if (k.captionHeight > 0)
            b.add(label(3.2, y, 16.1, k.captionHeight, name, caption()));
        else
            b.add(label(3.2, y, 0, 0, name, caption(), TextAlign::Left, Auto));
        addMemo(b, QString::fromUtf16(memoTexts[i].column), 23.3, y, 163.5, k.textHeight);
    }
}

void addBottomBar(Band& b, double top) {
    addCells(b, {greyCell(1.1, top, 187.3, 6.3)});
    b.add(label(0, top + 1.1, 0, 0, u"Végzett vizsgálatok"_s, arial(11, true), TextAlign::Center,
                Auto | ToBand));
}

} // namespace

ReportLayout qrMunkalap() {
    ReportLayout l = findingsBase(u"qrMunkalap"_s, 199.8, 5.3);
    Band& t = titleBand(l);
    addTextBlocks(t, {54.0, 13.2, 10.6}, {67.7, 61.6, 59.5, 18.3}, {130.2, 61.6, 59.5});
    addBottomBar(t, 192.6);
    return l;
}

ReportLayout qrMunkalap2() {
    ReportLayout l = findingsBase(u"qrMunkalap2"_s, 217.8, 4.2);
    Band& t = titleBand(l);
    addCells(t, {whiteCell(1.1, 54.0, 102.9, 6.6)});
    t.add(label(3.2, 55.0, 0, 0, u"Lebenyméretek (mm): a * b * c"_s, caption(), TextAlign::Left, Auto));
    const struct {
        double y;
        const char16_t* name;
        const char16_t* column;
    } rows[] = {{60.3, u"Jobb oldalon", u"m01"}, {66.7, u"Bal oldalon", u"m02"}, {73.0, u"Isthmus", u"m03"}};
    for (const auto& r : rows) {
        addCells(t, {whiteCell(1.1, r.y, 59.5, 6.6), whiteCell(60.3, r.y, 43.7, 6.6)});
        t.add(label(3.2, rowBelow(r.y), 0, 0, QString::fromUtf16(r.name), caption(), TextAlign::Left, Auto));
        t.add(qry(QString::fromUtf16(r.column), 62.4, rowBelow(r.y), 0, 0, value(), TextAlign::Left, Auto));
    }
    t.add(image(u"diagram"_s, 104.8, 54.0, 83.9, 41.5, ImageElement::Stretch, true, ThyroidPicture()));
    addTextBlocks(t, {96.3, 13.2, 10.6}, {110.1, 48.9, 46.8, 11.9}, {159.8, 50.0, 47.9});
    addBottomBar(t, 210.6);
    return l;
}

ReportLayout qrMunkalap3() {
    ReportLayout l = findingsBase(u"qrMunkalap3"_s, 216.7, 5.3);
    Band& t = titleBand(l);
    addCells(t, {whiteCell(1.1, 54.0, 187.6, 5.6), whiteCell(1.1, 61.4, 39.4, 5.6),
                 whiteCell(1.1, 66.7, 39.4, 16.1), whiteCell(41.3, 61.4, 40.5, 5.6),
                 whiteCell(148.2, 61.4, 40.5, 5.6)});
    t.add(
        label(0, 55.0, 0, 0, u"Sebesség értékek (cm / sec)"_s, caption(), TextAlign::Center, Auto | ToBand));
    t.add(label(3.2, 62.4, 0, 0, u"AV"_s, caption(), TextAlign::Left, Auto));
    t.add(qry(u"m07"_s, 3.2, 67.7, 35.2, 14.0, value()));
    t.add(label(42.3, 62.4, 38.4, 0, u"Jobb oldal"_s, caption(), TextAlign::Center));
    t.add(label(149.2, 62.4, 38.4, 0, u"Bal oldal"_s, caption(), TextAlign::Center));
    t.add(image(u"diagram"_s, 83.6, 60.3, 62.7, 34.1, ImageElement::Stretch, true, NeckArteryPicture()));
    const struct {
        double y;
        const char16_t* name;
        const char16_t* right;
        const char16_t* left;
    } rows[] = {
        {66.7, u"ACI", u"m01", u"m04"}, {72.0, u"ACE", u"m02", u"m05"}, {77.3, u"ACC", u"m03", u"m06"}};
    for (const auto& r : rows) {
        addCells(t, {whiteCell(41.3, r.y, 20.4, 5.6), whiteCell(61.4, r.y, 20.4, 5.6),
                     whiteCell(148.2, r.y, 20.4, 5.6), whiteCell(168.3, r.y, 20.4, 5.6)});
        const double y = r.y + 1.0;
        const QString name = QString::fromUtf16(r.name);
        t.add(qry(QString::fromUtf16(r.right), 43.4, y, 0, 0, value(), TextAlign::Left, Auto));
        t.add(label(63.5, y, 0, 0, name, caption(), TextAlign::Left, Auto));
        t.add(label(150.3, y, 0, 0, name, caption(), TextAlign::Left, Auto));
        t.add(qry(QString::fromUtf16(r.left), 170.4, y, 0, 0, value(), TextAlign::Left, Auto));
    }
    addTextBlocks(t, {96.3, 13.2, 10.6}, {110.1, 50.0, 47.9, 13.0}, {160.9, 47.9, 45.8});
    addBottomBar(t, 209.6);
    return l;
}

ReportLayout qrMunkalap4() {
    ReportLayout l = findingsBase(u"qrMunkalap4"_s, 220.9, 4.2);
    Band& t = titleBand(l);
    addCells(t,
             {greyCell(1.1, 54.0, 83.9, 6.6), whiteCell(1.1, 60.3, 83.9, 9.8), greyCell(1.1, 70.9, 83.9, 6.6),
              whiteCell(1.1, 77.3, 83.9, 70.1), whiteCell(85.7, 54.0, 102.9, 5.6),
              whiteCell(85.7, 70.9, 37.3, 6.6), whiteCell(151.3, 70.9, 37.3, 6.6),
              greyCell(1.1, 148.2, 19.1, 64.8), whiteCell(21.2, 148.2, 167.5, 64.8)});
    t.add(label(3.2, 55.0, 0, 0, u"Panaszok"_s, caption(), TextAlign::Left, Auto));
    addMemo(t, u"panaszok"_s, 3.2, 61.4, 79.6, 7.7);
    t.add(label(3.2, 72.0, 0, 0, u"Vizsgálati eredmény"_s, caption(), TextAlign::Left, Auto));
    addMemo(t, u"szoveg"_s, 3.2, 78.3, 79.6, 68.0);
    t.add(label(87.8, 55.0, 41.8, 0, u"Sebesség értékek (cm / sec)"_s, caption(), TextAlign::Center, Auto));
    t.add(label(86.8, 72.0, 35.2, 0, u"Jobb oldal"_s, caption(), TextAlign::Center));
    t.add(label(152.4, 72.0, 35.2, 0, u"Bal oldal"_s, caption(), TextAlign::Center));
    t.add(image(u"diagram"_s, 124.9, 61.4, 25.7, 72.2, ImageElement::Stretch, true, LegArteryPicture()));
    const struct {
        double y;
        const char16_t* name;
        const char16_t* right;
        const char16_t* left;
    } rows[] = {{77.3, u"AFC", u"m01", u"m08"},  {83.6, u"AFS", u"m02", u"m09"},
                {90.0, u"AP", u"m03", u"m10"},   {96.3, u"A.peronea", u"m04", u"m11"},
                {102.7, u"ATP", u"m05", u"m12"}, {109.0, u"ATA", u"m06", u"m13"},
                {115.4, u"ADP", u"m07", u"m14"}};
    for (const auto& r : rows) {
        addCells(t, {whiteCell(85.7, r.y, 17.2, 6.6), whiteCell(102.7, r.y, 20.4, 6.6),
                     whiteCell(151.3, r.y, 20.4, 6.6), whiteCell(171.4, r.y, 17.2, 6.6)});
        const double y = rowBelow(r.y);
        const QString name = QString::fromUtf16(r.name);
        t.add(qry(QString::fromUtf16(r.right), 87.8, y, 0, 0, value(), TextAlign::Left, Auto));
        t.add(label(104.8, y, 0, 0, name, caption(), TextAlign::Left, Auto));
        t.add(label(153.5, y, 0, 0, name, caption(), TextAlign::Left, Auto));
        t.add(qry(QString::fromUtf16(r.left), 173.6, y, 0, 0, value(), TextAlign::Left, Auto));
    }
    t.add(label(3.2, 150.3, 0, 0, u"Vélemény"_s, caption(), TextAlign::Left, Auto));
    addMemo(t, u"velemeny"_s, 23.3, 150.3, 163.5, 61.6);
    addBottomBar(t, 213.8);
    return l;
}

ReportLayout FindingsLayout(int type) {
    switch (type) {
    case 2:
        return qrMunkalap2();
    case 3:
        return qrMunkalap3();
    case 4:
        return qrMunkalap4();
    default:
        return type <= 1 ? qrMunkalap() : ReportLayout();
    }
}

double FindingsTextSize(qsizetype characters) {
    if (characters > 1600) return 7;
    if (characters > 800) return 8;
    return 9;
}

void SetFindingsTextSizes(ReportLayout& layout, const QString& findings, const QString& opinion) {
    for (const auto& [column, text] : {std::pair{u"szoveg"_s, findings}, std::pair{u"velemeny"_s, opinion}}) {
        TextElement* e = layout.findText(column);
        if (!e) continue;
        FontSpec f = e->font.value_or(layout.font);
        f.pointSize = FindingsTextSize(text.size());
        e->font = f;
    }
}

QStringList FindingsContinued(int type, const QString& complaints, const QString& findings,
                              const QString& opinion) {
    ReportLayout l = FindingsLayout(type);
    SetFindingsTextSizes(l, findings, opinion);
    QStringList continued;
    const QString texts[] = {complaints, findings, opinion};
    for (int i = 0; i < 3; ++i) {
        const TextElement* e = l.findText(QString::fromUtf16(memoTexts[i].column));
        if (e && !FitText(*e, e->font.value_or(l.font), texts[i]).fits())
            continued << QString::fromUtf16(memoTexts[i].caption);
    }
    return continued;
}
