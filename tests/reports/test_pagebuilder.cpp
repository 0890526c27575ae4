// The page builder on its primitives, with small layouts made for each case.

#include "reports/layouts/LayoutKit.h"
#include "reports/model/DisplayText.h"
#include "reports/model/PageBuilder.h"
#include "reports/model/ReportExpression.h"
#include "reports/model/ReportFonts.h"

#include "core/Errors.h"

#include <gtest/gtest.h>

#include "TestPrint.h"

using namespace Qt::StringLiterals;
using namespace layoutkit;

namespace {

Column col(const QString& name, ColumnType type = ColumnType::Text) {
    Column c;
    c.name = name;
    c.type = type;
    return c;
}

// Rows of (day, amount); an empty amount is NULL.
MemoryDataSet amounts(const QList<std::pair<QString, QString>>& rows) {
    MemoryDataSet d({col(u"datum"_s, ColumnType::Date), col(u"ar"_s, ColumnType::Double)});
    for (const auto& [day, amount] : rows)
        d.addRow({Value::fromText(day, ColumnType::Date),
                  amount.isEmpty() ? Value() : Value(amount.toLatin1(), ColumnType::Double)});
    return d;
}

// A page 100 mm high with 10 mm margins: 80 mm for the bands, 70 above a 10 mm page footer.
ReportLayout smallLayout() {
    ReportLayout l;
    l.name = u"teszt"_s;
    l.title = u"Teszt lista"_s;
    l.paper = QSizeF(100, 100);
    l.a4 = false;
    l.font = arial(10);
    Band header = band(BandKind::PageHeader, 10);
    header.add(label(0, 0, 40, 5, u"FEJ"_s));
    l.add(std::move(header));
    Band title = band(BandKind::Title, 10);
    title.add(label(0, 0, 40, 5, u"CÍM"_s));
    l.add(std::move(title));
    Band g = band(BandKind::GroupHeader, 10);
    g.groupKey = u"Qry.datum"_s;
    g.footerName = u"gf"_s;
    g.add(qry(u"datum"_s, 0, 0, 40, 5));
    l.add(std::move(g));
    Band d = band(BandKind::Detail, 10);
    d.add(qry(u"ar"_s, 0, 0, 40, 5));
    l.add(std::move(d));
    Band f = band(BandKind::GroupFooter, 10);
    f.name = u"gf"_s;
    f.add(label(0, 0, 20, 5, u"összesen"_s));
    f.add(expression(u"sub"_s, u"FORMATNUMERIC('### ### ##0',SUM(Qry.ar))"_s, true, 50, 0, 40, 5, {},
                     TextAlign::Right));
    f.add(qry(u"datum"_s, 20, 0, 30, 5));
    l.add(std::move(f));
    Band s = band(BandKind::Summary, 10);
    s.add(label(0, 0, 40, 5, u"mindösszesen"_s));
    s.add(expression(u"all"_s, u"FORMATNUMERIC('### ### ##0',SUM(Qry.ar))"_s, false, 50, 0, 40, 5, {},
                     TextAlign::Right));
    l.add(std::move(s));
    Band pf = band(BandKind::PageFooter, 10);
    pf.add(system(SystemValue::PageNumber, u"oldal: "_s, 0, 0));
    l.add(std::move(pf));
    return l;
}

// Each page as "text@y" lines, y the line top in mm.
QStringList outline(const ReportPage& page) {
    QStringList out;
    for (const TextRun* t : page.texts())
        out << u"%1@%2"_s.arg(t->text.trimmed()).arg(t->box.top(), 0, 'f', 0);
    return out;
}

// An empty layout on a 100 × 100 mm page with 10 mm margins.
ReportLayout squarePage() {
    ReportLayout l;
    l.name = u"t"_s;
    l.paper = QSizeF(100, 100);
    l.a4 = false;
    return l;
}

// The top of the first text run that reads the given text.
double topOf(const ReportPage& page, const QString& text) {
    const TextRun* t = page.findText(text);
    if (!t) ADD_FAILURE() << "no text " << text.toStdString() << " in\n" << page.plainText().toStdString();
    return t ? t->box.top() : -1;
}

std::vector<ReportPage> build(const ReportLayout& l, const DataSet* qry, const DataSet* tbl = nullptr) {
    PageBuilder b(l, qry, tbl);
    b.setPrintedAt(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    return b.buildAll();
}

} // namespace

TEST(PageBuilder, BandOrderPageBreaksGroupsAndTotals) {
    // Day 1 has four rows and runs over the first page; day 2 has one row with a NULL amount.
    const MemoryDataSet data = amounts({{u"2024-01-01"_s, u"100"_s},
                                        {u"2024-01-01"_s, u"200"_s},
                                        {u"2024-01-01"_s, u"1000"_s},
                                        {u"2024-01-01"_s, u"2000"_s},
                                        {u"2024-01-02"_s, {}},
                                        {u"2024-01-02"_s, u"5"_s}});
    const auto pages = build(smallLayout(), &data);
    ASSERT_EQ(pages.size(), 2u);
    // Page 1: header, title, group header, four bands of 10 mm fill the 70 mm above the footer.
    EXPECT_EQ(outline(pages[0]), (QStringList{u"FEJ@10"_s, u"CÍM@20"_s, u"2024. 01. 01.@30"_s, u"100@40"_s,
                                              u"200@50"_s, u"1000@60"_s, u"2000@70"_s, u"oldal: 1@80"_s}));
    // Page 2: no repeated group header; the footer with the finished day current and its subtotal; the
    // NULL amount prints blank and adds nothing; the summary fits exactly above the page footer.
    EXPECT_EQ(outline(pages[1]),
              (QStringList{u"FEJ@10"_s, u"összesen@20"_s, u"3 300@20"_s, u"2024. 01. 01.@20"_s,
                           u"2024. 01. 02.@30"_s, u"5@50"_s, u"összesen@60"_s, u"5@60"_s,
                           u"2024. 01. 02.@60"_s, u"mindösszesen@70"_s, u"3 305@70"_s, u"oldal: 2@80"_s}));
    EXPECT_EQ(pages[1].number, 2);
    // One more row pushes the summary onto a third page of its own.
    MemoryDataSet more = data;
    more.addRow({Value::fromText(u"2024-01-02"_s, ColumnType::Date), Value("10", ColumnType::Double)});
    const auto three = build(smallLayout(), &more);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(outline(three[2]),
              (QStringList{u"FEJ@10"_s, u"mindösszesen@20"_s, u"3 315@20"_s, u"oldal: 3@80"_s}));
}

TEST(PageBuilder, EmptyDataSetPrintsOnePageWithBlankDetailAndZeroTotal) {
    const MemoryDataSet data = amounts({});
    const auto pages = build(smallLayout(), &data);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(outline(pages[0]),
              (QStringList{u"FEJ@10"_s, u"CÍM@20"_s, u"mindösszesen@40"_s, u"0@40"_s, u"oldal: 1@80"_s}));
    ReportLayout l = smallLayout();
    l.options.printIfEmpty = false;
    EXPECT_TRUE(build(l, &data).empty());
}

TEST(PageBuilder, PageOptionsAndFrameLines) {
    ReportLayout l = smallLayout();
    l.options.firstPageHeader = false;
    l.options.lastPageFooter = false;
    for (Band& b : l.bands)
        if (b.kind == BandKind::Detail) {
            b.frameBottom = true;
            b.frameWidth = 2;
        }
    const MemoryDataSet data = amounts({{u"2024-01-01"_s, u"1"_s}});
    const auto pages = build(l, &data);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].findText(u"FEJ"_s), nullptr);
    EXPECT_EQ(pages[0].findText(u"oldal: 1"_s), nullptr);
    int lines = 0;
    for (const Primitive& p : pages[0].items)
        if (p.kind == Primitive::Line) {
            ++lines;
            EXPECT_DOUBLE_EQ(p.line.line.y1(), 10 + 10 + 10 + 10); // title and group header above
            EXPECT_DOUBLE_EQ(p.line.widthMm, 2 * LineUnitMm);
            EXPECT_DOUBLE_EQ(p.line.line.x2() - p.line.line.x1(), 80);
        }
    EXPECT_EQ(lines, 1);
}

TEST(PageBuilder, CancelStopsLayingOutRows) {
    const MemoryDataSet data = amounts(QList<std::pair<QString, QString>>(50, {u"2024-01-01"_s, u"1"_s}));
    const ReportLayout layout = smallLayout();
    PageBuilder b(layout, &data);
    int seen = 0;
    EXPECT_EQ(b.build([&](ReportPage&&) { return ++seen < 2; }), 2);
    EXPECT_TRUE(b.cancelled());
}

TEST(PageBuilder, UnknownColumnOrExpressionIsAClearError) {
    ReportLayout l = smallLayout();
    l.bands[3].elements[0].text.column = u"nincs"_s;
    const MemoryDataSet data = amounts({});
    EXPECT_THROW(build(l, &data), FormatError);
    EXPECT_THROW(ReportExpression(u"SUM(Qry.ar"_s), FormatError);
    EXPECT_THROW(ReportExpression(u"AVG(Qry.ar)"_s), FormatError);
}

TEST(Expressions, LiteralsAsQuotedAndRunningTotals) {
    const auto none = [](const QString&, const QString&) { return Value(); };
    EXPECT_EQ(ReportExpression(u"'it''s \\\\ \\'x\\''"_s).evaluate(none), u"it's \\ 'x'"_s);
    ReportExpression sum(u"FORMATNUMERIC('0.00',SUM(Qry.ar))"_s);
    EXPECT_TRUE(sum.hasAggregate());
    for (const char* v : std::initializer_list<const char*>{"1.25", "2", nullptr, "1234567"}) {
        sum.accumulate([&](const QString& ds, const QString& c) {
            EXPECT_EQ(ds, u"Qry"_s);
            EXPECT_EQ(c, u"ar"_s);
            return v ? Value(v, ColumnType::Double) : Value();
        });
    }
    EXPECT_EQ(sum.evaluate(none), u"1234570,25"_s);
    sum.reset();
    EXPECT_EQ(sum.evaluate(none), u"0,00"_s);
    EXPECT_EQ(ReportExpression(u"Qry.ar"_s).evaluate([](auto&&, auto&&) { return Value::fromText(u"Ő"_s); }),
              u"Ő"_s);
}

TEST(DisplayFormats, DatesNumbersAndMoney) {
    const Value day = Value::fromText(u"2024-03-05"_s, ColumnType::Date);
    struct Case {
        Value v;
        DisplayFormat f;
        QString want;
    } cases[] = {
        {day, DisplayFormat::date(u"yyyy. mmmm. dd"_s), u"2024. március. 05"_s},
        {day, DisplayFormat::date(u"yyyy. mmmm dd."_s), u"2024. március 05."_s},
        {Value::fromText(u"2024-08-31"_s, ColumnType::Date), DisplayFormat::date(u"yyyy. mmmm dd."_s),
         u"2024. augusztus 31."_s},
        {day, {}, u"2024. 03. 05."_s},
        {Value::fromText(u"2024-03-05 08:04:03"_s, ColumnType::DateTime), {}, u"2024. 03. 05. 8:04:03"_s},
        {Value::fromInt(42), DisplayFormat::numeric(u"00000"_s), u"00042"_s},
        {Value("1234567", ColumnType::Double), DisplayFormat::numeric(u"### ### ##0"_s), u"1 234 567"_s},
        {Value("12", ColumnType::Double), DisplayFormat::numeric(u"### ### ##0"_s), u"  12"_s},
        {Value(), DisplayFormat::numeric(u"### ### ##0"_s), QString()},
        {Value::fromText(u"Árvíztűrő\r\ntükör"_s, ColumnType::Memo), {}, u"Árvíztűrő\r\ntükör"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DisplayText(c.v, c.f), c.want) << c.want.toStdString();
}

TEST(TextLayout, LineBreaking) {
    const TextMeasure m(arial(10));
    const double w = m.width(u"aaaa bbbb"_s) + 0.1;
    struct Case {
        QString text;
        QStringList lines;
    } cases[] = {
        {u"aaaa bbbb cccc"_s, {u"aaaa bbbb"_s, u"cccc"_s}},
        {u"aaa-bbbbbbb"_s, {u"aaa-"_s, u"bbbbbbb"_s}},
        {u"aaa-bbbb cccc"_s, {u"aaa-bbbb"_s, u"cccc"_s}},
        // CR LF, a lone CR and a lone LF each start a line; an empty line stays.
        {u"egy\r\nkettő\rhá\nrom"_s, {u"egy"_s, u"kettő"_s, u"há"_s, u"rom"_s}},
        {u"Első\nMásodik"_s, {u"Első"_s, u"Második"_s}},
        {u"a\r\n\r\nb\n\rc"_s, {u"a"_s, QString(), u"b"_s, QString(), u"c"_s}},
        {u"aaaa   bbbb"_s, {u"aaaa"_s, u"bbbb"_s}},
        {QString(30, u'x'), {}}, // checked below
    };
    for (const Case& c : cases) {
        const QStringList got = BreakLines(c.text, m, w);
        if (!c.lines.isEmpty()) {
            EXPECT_EQ(got, c.lines) << c.text.toStdString();
            continue;
        }
        // An over-wide word breaks at the character where it stops fitting.
        ASSERT_GT(got.size(), 1);
        EXPECT_EQ(got.join(QString()), c.text);
        for (const QString& line : got)
            EXPECT_LE(m.width(line), w + 0.01);
        EXPECT_GT(m.width(got[0] + u'x'), w);
    }
    for (const QString& line : BreakLines(u"Árvíztűrő tükörfúrógép és ŐŰ betűk sora"_s, m, 25))
        EXPECT_LE(m.width(line), 25.01) << line.toStdString();
}

TEST(TextLayout, BoxesNeverGrowAutoSizeAndBandAlignment) {
    ReportLayout l = squarePage();
    Band d = band(BandKind::Detail, 30);
    const FontSpec f = arial(10);
    const double lh = TextMeasure(f).lineHeight();
    // Three lines, room for two: the third is not printed.
    d.add(label(0, 0, 30, 2 * lh + 0.05, u"első\rmásodik\rharmadik"_s, f));
    d.add(label(40, 0, 0, 0, u"BAL"_s, f, TextAlign::Left, Auto));
    d.add(label(40, 10, 0, 0, u"JOBB"_s, f, TextAlign::Right, Auto));
    d.add(label(40, 20, 0, 0, u"KÖZÉP"_s, f, TextAlign::Center, Auto));
    d.add(label(5, 25, 10, 0, u"SÁVKÖZÉP"_s, f, TextAlign::Center, Auto | ToBand));
    d.add(label(5, 25, 30, 0, u"SÁVJOBB"_s, f, TextAlign::Right, ToBand | Opaque));
    l.add(std::move(d));
    const MemoryDataSet none;
    const auto pages = build(l, &none);
    ASSERT_EQ(pages.size(), 1u);
    const ReportPage& p = pages[0];
    EXPECT_NE(p.findText(u"második"_s), nullptr);
    EXPECT_EQ(p.findText(u"harmadik"_s), nullptr);
    const TextMeasure m(f);
    auto at = [&](const QString& t) {
        const TextRun* r = p.findText(t);
        if (!r) ADD_FAILURE() << t.toStdString() << " missing from\n" << p.plainText().toStdString();
        return r ? r->box : QRectF();
    };
    EXPECT_NEAR(at(u"BAL"_s).left(), 50, 1e-9);
    EXPECT_NEAR(at(u"JOBB"_s).right(), 50, 1e-6);
    EXPECT_NEAR(at(u"KÖZÉP"_s).center().x(), 50, 1e-6);
    EXPECT_NEAR(at(u"SÁVKÖZÉP"_s).center().x(), 50, 1e-6); // the band is 80 mm wide, from 10 mm
    EXPECT_NEAR(at(u"SÁVJOBB"_s).right(), 90, 1e-6);
    EXPECT_NEAR(at(u"JOBB"_s).width(), m.width(u"JOBB"_s), 1e-9);
    // The opaque element fills its box with white before its text.
    bool sawFill = false;
    for (const Primitive& pr : p.items) {
        if (pr.kind == Primitive::Rect && pr.rect.fill == QColor(Qt::white) && !pr.rect.pen) sawFill = true;
        if (pr.kind == Primitive::Text && pr.text.text == u"SÁVJOBB"_s) {
            EXPECT_TRUE(sawFill);
        }
    }
}

TEST(TextLayout, TooLongTextsAreSetSmallerThenWrappedOrContinued) {
    // A 100 mm page: 10 mm margins, a 10 mm page footer; continuation pages start with a 10 mm header.
    ReportLayout l = squarePage();
    Band title = band(BandKind::Title, 30);
    ReportElement name = qry(u"nev"_s, 0, 0, 40, 5, arial(11, true));
    name.text.minPointSize = 6;
    title.add(name);
    ReportElement memo = qry(u"szoveg"_s, 10, 10, 60, 10, arial(10));
    memo.text.minPointSize = 8;
    memo.text.continuation = u"Szöveg (folytatás)"_s;
    title.add(memo);
    l.add(std::move(title));
    Band more = band(BandKind::Continuation, 10);
    more.font = arial(9, false, true);
    more.add(qry(u"nev"_s, 0, 0, 0, 0, {}, TextAlign::Left, Auto));
    l.add(std::move(more));
    Band pf = band(BandKind::PageFooter, 10);
    pf.add(system(SystemValue::PageNumber, u"oldal: "_s, 0, 0));
    l.add(std::move(pf));

    // Thirty lines (lone LF between them): three fit the box at 8 pt, the rest goes on two more pages.
    QStringList lines;
    for (int i = 1; i <= 30; ++i)
        lines << u"sor %1"_s.arg(i);
    const QString longName = u"Kiss Nagy Erzsébet Ágnes Boglárka Szentgyörgyi Mária"_s;
    MemoryDataSet data({col(u"nev"_s), col(u"szoveg"_s)});
    data.addRow({Value::fromText(longName), Value::fromText(lines.join(u'\n'))});
    const auto pages = build(l, &data);
    ASSERT_EQ(pages.size(), 3u);

    // The name: smaller than 11 pt, not below 6, wrapped between words, every word inside its 40 mm.
    QStringList nameLines;
    for (const TextRun* t : pages[0].texts())
        if (t->font.bold) {
            nameLines << t->text;
            EXPECT_GE(t->font.pointSize, 6);
            EXPECT_LT(t->font.pointSize, 11);
            EXPECT_LE(t->box.right(), 10 + 40 + 0.01) << t->text.toStdString();
        }
    EXPECT_EQ(nameLines.size(), 2);
    EXPECT_EQ(nameLines.join(u' '), longName);

    // Every line once, in order; 8 pt throughout; the caption once, on the first continuation page.
    QStringList printed;
    for (const ReportPage& p : pages)
        for (const TextRun* t : p.texts())
            if (t->text.startsWith(u"sor "_s)) {
                printed << t->text;
                EXPECT_EQ(t->font.pointSize, 8);
                EXPECT_LE(t->box.bottom(), 100 - 10 - 10 + 0.01);
                if (&p == &pages[0]) {
                    EXPECT_LE(t->box.bottom(), 10 + 10 + 10 + 0.01); // inside the box on the first page
                }
            }
    EXPECT_EQ(printed, lines);
    EXPECT_NE(pages[1].findText(u"Szöveg (folytatás)"_s), nullptr);
    EXPECT_EQ(pages[2].findText(u"Szöveg (folytatás)"_s), nullptr);
    for (int i = 1; i < 3; ++i) {
        EXPECT_NEAR(topOf(pages[i], longName), 10, 1e-9) << i; // the continuation header on top
        EXPECT_NE(pages[i].findText(u"oldal: %1"_s.arg(i + 1)), nullptr);
    }
}

TEST(Fonts, SubstitutesHaveTheHungarianLetters) {
    for (const QString& family : {u"Arial"_s, u"Arial Rounded MT Bold"_s, u"Tahoma"_s, u"Courier New"_s}) {
        const QFont f = ReportFont(font(family, 10));
        const QFontMetricsF fm(f);
        for (QChar c : u"áéíóöőúüűÁÉÍÓÖŐÚÜŰ"_s)
            EXPECT_TRUE(fm.inFont(c)) << family.toStdString();
    }
    // Where the named family is not installed, the chosen substitute draws it.
    const std::pair<QString, QString> substitutes[] = {{u"Arial"_s, u"Liberation Sans"_s},
                                                       {u"Arial Rounded MT Bold"_s, u"Liberation Sans"_s},
                                                       {u"Tahoma"_s, u"DejaVu Sans Condensed"_s},
                                                       {u"Courier New"_s, u"Liberation Mono"_s}};
    for (const auto& [family, substitute] : substitutes) {
        const QString resolved = ResolvedFamily(family);
        EXPECT_TRUE(resolved == family || resolved == substitute)
            << family.toStdString() << " -> " << resolved.toStdString();
    }
}
