#include "LayoutKit.h"
#include "Layouts.h"

using namespace Qt::StringLiterals;
using namespace layoutkit;

namespace {

ReportLayout smallPage(const QString& name, double topMargin) {
    ReportLayout l;
    l.name = name;
    l.title = u"Boríték nyomtatás"_s;
    l.paper = QSizeF(160, 113);
    l.a4 = false;
    l.marginTop = topMargin;
    l.font = arial(10);
    return l;
}

} // namespace

ReportLayout qrBoritek() {
    ReportLayout l = smallPage(u"qrBoritek"_s, 10);
    Band d = band(BandKind::Detail, 92.3);
    d.add(image(u"logo"_s, 1.3, 17.9, 57.2, 18.2, ImageElement::TopLeftNatural, false));
    d.add(whole(qry(u"tulajdonos"_s, 1.3, 1.3, 74.4, 5.0,
                    font(u"Arial"_s, 9, true, false, true, QColor(0x00, 0x00, 0x80)))));
    d.add(whole(qry(u"tulvaroscim"_s, 1.3, 6.6, 74.4, 5.0, courier(9))));
    d.add(whole(qry(u"tulirsz"_s, 1.3, 11.9, 74.4, 5.0, courier(9, true))));
    d.add(whole(qry(u"ugyfel_nev"_s, 60.9, 43.7, 74.4, 5.0, arial(11, true), TextAlign::Center)));
    d.add(whole(qry(u"kapcsolat2"_s, 60.9, 48.9, 74.4, 5.0, arial(10), TextAlign::Center)));
    d.add(label(60.9, 54.2, 74.4, 4.3, u"részére"_s, arial(9), TextAlign::Center));
    d.add(whole(qry(u"cim_varos"_s, 60.9, 62.2, 74.4, 5.0, font(u"Arial"_s, 10, false, false, true),
                    TextAlign::Center)));
    d.add(whole(qry(u"cim_cim"_s, 60.9, 68.8, 74.4, 5.0, arial(10), TextAlign::Center)));
    d.add(whole(qry(u"cim_irsz"_s, 60.9, 79.4, 74.4, 6.6, font(u"Arial Rounded MT Bold"_s, 16, true),
                    TextAlign::Center)));
    l.add(std::move(d));
    return l;
}

ReportLayout qrAjanlott() {
    ReportLayout l = smallPage(u"qrAjanlott"_s, 12);
    Band d = band(BandKind::Detail, 92.3);
    const FontSpec f = arial(9);
    d.add(whole(tbl(u"tulajdonos"_s, 25.1, 16.5, 74.4, 5.0, f)));
    d.add(whole(tbl(u"varoscim"_s, 25.1, 21.2, 74.4, 5.0, f)));
    d.add(whole(tbl(u"irsz"_s, 25.1, 25.1, 74.4, 5.0, f)));
    d.add(whole(qry(u"ugyfel_nev"_s, 30.1, 43.0, 74.4, 5.0, f)));
    d.add(whole(qry(u"cim_irsz"_s, 30.4, 47.6, 17.5, 5.0, f)));
    d.add(whole(qry(u"cim_varos"_s, 48.9, 47.6, 55.9, 5.0, f)));
    d.add(whole(qry(u"cim_cim"_s, 30.4, 52.3, 74.4, 5.0, f)));
    l.add(std::move(d));
    return l;
}

ReportLayout qrUgyfel() {
    ReportLayout l;
    l.name = u"qrUgyfel"_s;
    l.title = u"Páciensek listája"_s;
    l.font = tahoma(8);
    const struct {
        const char16_t* caption;
        const char16_t* column;
        double x, w;
    } cols[] = {{u"Páciens neve", u"ugyfel_nev", 0.0, 53.2},
                {u"Lakcím", u"irszvaroscim", 54.2, 58.5},
                {u"TAJ", u"taj", 113.8, 22.8},
                {u"Telefon", u"telefon", 137.6, 29.4},
                {u"Utoljára", u"dat_utolso", 168.0, 20.2}};

    Band header = band(BandKind::PageHeader, 23.5, false, true, 2);
    header.add(topAndBottom(0.0, 0.0, 77.1, 17.5));
    header.add(topAndBottom(112.4, 0.0, 77.1, 16.2));
    header.add(label(0.7, 1.3, 0, 0, u"Páciensek listája"_s, tahoma(16, true), TextAlign::Left, Auto));
    header.add(tbl(u"tulajdonos"_s, 0, 1.3, 0, 0, tahoma(10, true), TextAlign::Right, Auto | ToBand));
    header.add(tbl(u"irszvaroscim"_s, 0, 6.6, 0, 0, tahoma(8), TextAlign::Right, Auto | ToBand));
    header.add(tbl(u"telefon"_s, 0, 10.6, 0, 0, tahoma(8), TextAlign::Right, Auto | ToBand));
    header.add(label(1.0, 9.3, 0, 0, u"névsorban"_s, tahoma(10, true), TextAlign::Left, Auto));
    for (const auto& c : cols)
        header.add(label(c.x, 18.5, c.w, 4.3, QString::fromUtf16(c.caption), tahoma(8, false, true)));
    l.add(std::move(header));

    Band detail = band(BandKind::Detail, 5.3, false, true);
    for (const auto& c : cols)
        detail.add(qry(QString::fromUtf16(c.column), c.x, 0.8, c.w, 4.3));
    l.add(std::move(detail));

    l.add(listPageFooter(l.name));
    return l;
}
