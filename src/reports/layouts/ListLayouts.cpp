#include "LayoutKit.h"
#include "Layouts.h"

using namespace Qt::StringLiterals;
using namespace layoutkit;

Band layoutkit::listPageFooter(const QString& layoutName) {
    Band footer = band(BandKind::PageFooter, 14.6, true, false);
    footer.font = courier(6);
    footer.add(label(0, 1.3, 0, 0, u"Sonoria"_s, {}, TextAlign::Left, Auto | ToBand));
    footer.add(system(SystemValue::PrintDateTime, {}, 0, 1.3, {}, TextAlign::Right, Auto | ToBand));
    footer.add(system(SystemValue::ReportTitle, {}, 0, 5.3, {}, TextAlign::Right, Auto | ToBand));
    footer.add(system(SystemValue::PageNumber, u"oldal: "_s, 0, 9.3, {}, TextAlign::Left, Auto | ToBand));
    footer.add(label(0, 9.3, 0, 0, VendorWebAddress(), {}, TextAlign::Center, Auto | ToBand));
    footer.add(label(0, 9.3, 0, 0, layoutName, {}, TextAlign::Right, Auto | ToBand));
    return footer;
}

namespace {

struct ColumnSpec {
    const char16_t* caption;
    const char16_t* column;
    double x, w;
    TextAlign align = TextAlign::Left;
};

// The text lines of a list: captions in the page header, values in the detail band, same boxes.
constexpr double CaptionY = 17.2, CaptionH = 4.3;
constexpr double DetailY = 0.8, DetailH = 4.3;

ReportLayout listBase(const QString& name, const QString& reportTitle, const QString& heading,
                      double headerHeight, bool patientList, std::initializer_list<ColumnSpec> columns) {
    ReportLayout l;
    l.name = name;
    l.title = reportTitle;
    l.font = tahoma(10);

    Band header = band(BandKind::PageHeader, headerHeight, false, true, 2);
    header.add(topAndBottom(0.0, 0.0, 77.1, 16.2));
    header.add(topAndBottom(112.4, 0.0, 77.1, 16.2));
    header.add(label(patientList ? 1.3 : 0.7, 1.3, 0, 0, heading, tahoma(16, true), TextAlign::Left, Auto));
    header.add(tbl(u"tulajdonos"_s, 0, 1.3, 0, 0, tahoma(10, true), TextAlign::Right, Auto | ToBand));
    header.add(tbl(u"irszvaroscim"_s, 0, 6.6, 0, 0, tahoma(10), TextAlign::Right, Auto | ToBand));
    header.add(tbl(u"telefon"_s, 0, 10.6, 0, 0, tahoma(10), TextAlign::Right, Auto | ToBand));
    if (patientList) {
        header.add(qry(u"ugyfel_nev"_s, 1.3, 7.9, 0, 0, arial(11, true), TextAlign::Left, Auto));
    } else {
        ReportElement period = label(1.0, 9.3, 0, 0, u"névsorban"_s, tahoma(10, true), TextAlign::Left, Auto);
        period.text.name = u"idoszak"_s;
        header.add(std::move(period));
    }
    for (const ColumnSpec& c : columns)
        header.add(label(c.x, CaptionY, c.w, CaptionH, QString::fromUtf16(c.caption), tahoma(9, false, true),
                         c.align));
    l.add(std::move(header));

    l.add(listPageFooter(name));
    return l;
}

Band detailBand(std::initializer_list<ColumnSpec> columns) {
    Band d = band(BandKind::Detail, 5.3, false, true);
    for (const ColumnSpec& c : columns)
        d.add(qry(QString::fromUtf16(c.column), c.x, DetailY, c.w, DetailH, tahoma(9), c.align));
    return d;
}

QString totalExpression(const QString& amountColumn) {
    return u"FORMATNUMERIC('### ### ##0',SUM(Qry.%1))"_s.arg(amountColumn);
}

Band totalBand(BandKind kind, double totalX, const QString& amountColumn) {
    const bool footer = kind == BandKind::GroupFooter;
    Band b = band(kind, 6.6, false, true);
    if (footer) b.name = u"groupfooter"_s;
    b.add(
        label(4.0, 1.3, 25.5, CaptionH, footer ? u"összesen"_s : u"mindösszesen"_s, tahoma(9, false, true)));
    b.add(expression(footer ? u"osszesen"_s : u"mindosszesen"_s, totalExpression(amountColumn), footer,
                     totalX, 1.3, 40.0, CaptionH, tahoma(9, true), TextAlign::Right));
    return b;
}

Band groupHeader(const QString& key, double height) {
    Band b = band(BandKind::GroupHeader, height, false, true);
    b.groupKey = key;
    b.footerName = u"groupfooter"_s;
    return b;
}

} // namespace

ReportLayout qrArbevetel() {
    const std::initializer_list<ColumnSpec> cols = {{u"Vizsgálati lap", u"munkalapstr", 0.0, 24.1},
                                                    {u"Páciens kódja", u"ugyfel", 25.1, 21.5},
                                                    {u"Vizsgálat típusa", u"cim", 47.6, 65.2},
                                                    {u"bevétel", u"ar_ossz", 113.8, 25.5, TextAlign::Right}};
    ReportLayout l = listBase(u"qrArbevetel"_s, u"Árbevétel"_s, u"Árbevétel"_s, 23.5, false, cols);
    l.setQryFormat(u"ugyfel"_s, DisplayFormat::numeric(u"00000"_s));
    l.setQryFormat(u"datum"_s, DisplayFormat::date(u"yyyy. mmmm dd."_s));
    Band g = groupHeader(u"Qry.datum"_s, 7.9);
    g.add(qry(u"datum"_s, 4.0, 1.3, 0, 0, arial(11, true), TextAlign::Left, Auto));
    l.add(std::move(g));
    l.add(detailBand(cols));
    l.add(totalBand(BandKind::GroupFooter, 99.2, u"ar_ossz"_s));
    l.add(totalBand(BandKind::Summary, 99.2, u"ar_ossz"_s));
    return l;
}

ReportLayout qrFogyas() {
    const std::initializer_list<ColumnSpec> cols = {{u"Munkalap", u"munkalapstr", 0.0, 18.9},
                                                    {u"Munkalap típus", u"cim", 19.8, 58.5},
                                                    {u"Dátum", u"datum", 79.4, 25.5, TextAlign::Center},
                                                    {u"Beteg", u"ugyfel_nev", 105.8, 57.2},
                                                    {u"ár", u"ar", 164.0, 25.5, TextAlign::Right}};
    ReportLayout l = listBase(u"qrFogyas"_s, u"Fogyások"_s, u"Végzett vizsgálatok"_s, 22.2, false, cols);
    Band g = groupHeader(u"Qry.tetel"_s, 7.9);
    g.add(qry(u"tetel_nev"_s, 4.0, 1.3, 0, 0, arial(11, true), TextAlign::Left, Auto));
    l.add(std::move(g));
    l.add(detailBand(cols));
    l.add(totalBand(BandKind::GroupFooter, 149.5, u"ar"_s));
    l.add(totalBand(BandKind::Summary, 149.5, u"ar"_s));
    return l;
}

ReportLayout qrOsszesen() {
    const std::initializer_list<ColumnSpec> cols = {{u"Tétel", u"tetel_nev", 0.0, 58.5},
                                                    {u"WHO", u"who", 59.5, 20.2, TextAlign::Center},
                                                    {u"Ár", u"ar", 80.7, 25.5, TextAlign::Right}};
    ReportLayout l = listBase(u"qrOsszesen"_s, u"Fogyások"_s, u"Végzett vizsgálatok"_s, 22.2, false, cols);
    Band g = groupHeader(u"Qry.munkalap"_s, 11.9);
    g.add(qry(u"munkalapstr"_s, 2.6, 1.3, 0, 0, arial(11, true), TextAlign::Left, Auto));
    g.add(qry(u"datum"_s, 2.6, 6.6, 0, 0, tahoma(9), TextAlign::Left, Auto));
    g.add(qry(u"cim"_s, 129.6, 1.3, 58.5, 0, {}, TextAlign::Right));
    g.add(qry(u"ugyfel_nev"_s, 131.0, 5.3, 57.2, 0, {}, TextAlign::Right));
    l.add(std::move(g));
    l.add(detailBand(cols));
    l.add(totalBand(BandKind::GroupFooter, 66.1, u"ar"_s));
    l.add(totalBand(BandKind::Summary, 66.1, u"ar"_s));
    return l;
}

ReportLayout qrBongLista() {
    const std::initializer_list<ColumnSpec> cols = {{u"Sorszám", u"munkalapstr", 0.0, 28.1},
                                                    {u"Típus", u"mlaptipus_nev", 29.1, 32.1},
                                                    {u"Dátum", u"datum", 62.2, 32.1},
                                                    {u"Ár", u"ar_ossz", 95.2, 25.5, TextAlign::Right}};
    ReportLayout l = listBase(u"qrBongLista"_s, u"Fogyások"_s, u"Végzett vizsgálatok"_s, 22.2, true, cols);
    l.add(detailBand(cols));
    l.add(totalBand(BandKind::Summary, 80.7, u"ar_ossz"_s));
    return l;
}
