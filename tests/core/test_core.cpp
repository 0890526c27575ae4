#include "core/Codec.h"
#include "core/Config.h"
#include "core/Dates.h"
#include "core/Errors.h"
#include "core/IniFile.h"
#include "core/NumberFormat.h"
#include "core/SqlText.h"
#include "core/TextRoutines.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static std::string s(const QString& q) {
    return q.toStdString();
}

TEST(TextRoutines, SeparatedPiece) {
    struct Case {
        QString seps, text;
        int n;
        QString want;
    } cases[] = {
        {u";"_s, u"a;;c"_s, 1, u"a"_s},  {u";"_s, u"a;;c"_s, 2, u""_s},
        {u";"_s, u"a;;c"_s, 3, u"c"_s},  {u";"_s, u"a;;c"_s, 4, u""_s},
        {u",;"_s, u"x,;y"_s, 3, u"y"_s}, {u";"_s, u" a b ;c"_s, 1, u" a b "_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(s(SeparatedPiece(c.seps, c.text, c.n)), s(c.want)) << s(c.text) << c.n;
}

TEST(TextRoutines, Numbers) {
    struct Case {
        QString text;
        int want;
    } cases[] = {
        {u" 3306 "_s, 3306}, {u"12,5"_s, 0}, {u"-7"_s, -7}, {u"abc"_s, 0}, {u""_s, 0}, {u"1-2"_s, 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextToInt(c.text), c.want) << s(c.text);
    EXPECT_EQ(s(CleanNumberText(u" -1.2,3.4 x"_s)), "-1.234");
    EXPECT_EQ(s(IdText(Value())), "0");
    EXPECT_EQ(s(IdText(Value("42"))), "42");
    EXPECT_EQ(s(IdText(Value("-0042"))), "-42");
    EXPECT_EQ(VarToInt(Value(), 5), 5);
    EXPECT_THROW(VarToInt(Value("x"), 5), FormatError);
    EXPECT_DOUBLE_EQ(VarToFloat(Value("12.5"), 0), 12.5);
    EXPECT_EQ(CountChar(u';', u"a;b;;"), 3);
    EXPECT_EQ(s(RemoveChars(u"-.", u"1-2.3"_s)), "123");
    EXPECT_EQ(s(ReplaceAll(u"a)(B)(c"_s, u")("_s, u") OR ("_s)), "a) OR (B) OR (c");
    EXPECT_EQ(s(ReplaceAll(u"Alma alma"_s, u"ALMA"_s, u"x"_s)), "x x");
    EXPECT_EQ(s(ReplaceChar(Value("a;b"), u';', u',')), "a,b");
    EXPECT_EQ(IfValue(true, 1, 2), 1);
}

// What a price or amount box accepts: the database can hold every number that reads, nothing else.
TEST(TextRoutines, TypedNumbers) {
    struct Case {
        QString text;
        std::optional<double> want;
    } cases[] = {
        {u"12,5"_s, 12.5},   {u" 12.5 "_s, 12.5}, {u"-3"_s, -3.0},  {u"1e3"_s, 1000.0},
        {u"1e300"_s, 1e300}, {u"inf"_s, {}},      {u"-inf"_s, {}},  {u"nan"_s, {}},
        {u"NaN"_s, {}},      {u"infinity"_s, {}}, {u"1e999"_s, {}}, {u"-1e999"_s, {}},
        {u"12,5,1"_s, {}},   {u"12 000"_s, {}},   {u"0x10"_s, {}},  {u""_s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextToFloat(c.text), c.want) << s(c.text);
    // Bytes of a field that spell no finite number are no number either.
    for (const char* bytes : {"inf", "nan", "-inf"}) {
        bool ok = true;
        Value(bytes).toDouble(&ok);
        EXPECT_FALSE(ok) << bytes;
        EXPECT_THROW(VarToFloat(Value(bytes), 0), FormatError) << bytes;
    }
}

TEST(TextRoutines, CapitalizeFirstKey) {
    EXPECT_EQ(CapitalizeFirstKey({}, u'a'), QChar(u'A'));
    EXPECT_EQ(CapitalizeFirstKey({}, u'z'), QChar(u'Z'));
    EXPECT_EQ(CapitalizeFirstKey({}, u'á'), QChar(u'á'));
    EXPECT_EQ(CapitalizeFirstKey({}, u'7'), QChar(u'7'));
    EXPECT_EQ(CapitalizeFirstKey(u"K"_s, u'a'), QChar(u'a'));
}

TEST(TextRoutines, SafeFileName) {
    EXPECT_EQ(s(SafeFileName(u"Páciensek lista"_s)), "p_ciensek-lista");
    EXPECT_EQ(s(SafeFileName(u"Páciensek"_s)), "p_ciensek");
    EXPECT_EQ(s(SafeFileName(u"A!b\"#%&'*+/:?@\\.,$()"_s)), "a-b------------.,$()");
}

TEST(TextRoutines, CrLfLineBreaks) {
    const struct {
        QString in;
        std::string out;
    } cases[] = {
        {u"a\r\nb"_s, "a\r\nb"},                         // already stored form
        {u"a\nb\n"_s, "a\r\nb\r\n"},                     // lone LF, at the end too
        {u"a\rb"_s, "a\r\nb"},                           // lone CR
        {u"a\n\r\nb"_s, "a\r\n\r\nb"},                   // an empty line
        {u"a\u2029b\u2028c"_s, "a\r\nb\r\nc"},           // the editor's separators
        {u"Első sor\u00a0vége"_s, "Első sor\u00a0vége"}, // other characters untouched
        {QString(), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(s(CrLfLineBreaks(c.in)), c.out) << s(c.in);
}

TEST(SqlText, QuoteAndEscape) {
    EXPECT_EQ(s(SqlQuote(Value())), "''");
    EXPECT_EQ(s(SqlQuote(u"O'Brien"_s)), "'O''Brien'");
    EXPECT_EQ(s(SqlQuote(u"a\\b\r\nc"_s)), "'a\\\\b\\r\\nc'");
    EXPECT_EQ(s(CleanExportText(u"a\\b\r\nc\rd\ne"_s)), "a\\\\b\\nc\\nde");
    EXPECT_EQ(s(CleanExportText(Value())), "");
}

TEST(SqlText, LikeFilter) {
    EXPECT_EQ(s(LikeFilter(u"a;b"_s, {})), "");
    EXPECT_EQ(s(LikeFilter(u"a;b"_s, u"x"_s)), " AND ((a LIKE '%x%') OR (b LIKE '%x%'))");
    EXPECT_EQ(s(LikeFilter(u"a;;c"_s, u"x"_s)), " AND ((a LIKE '%x%'))");
    EXPECT_EQ(s(LikeFilter(u"a"_s, u"O'B"_s)), " AND ((a LIKE '%O''B%'))");
    EXPECT_EQ(s(LikeFilter(u"a"_s, u"c:\\x"_s)), " AND ((a LIKE '%c:\\\\x%'))");
    // A ")(" typed by the user stays inside the pattern.
    EXPECT_EQ(s(LikeFilter(u"a;b"_s, u")("_s)), " AND ((a LIKE '%)(%') OR (b LIKE '%)(%'))");
    // A letter latin2 lacks finds nothing, yet the statement stays sound.
    EXPECT_EQ(s(LikeFilter(u"a"_s, u"Ж"_s)), " AND (1 = 0)");
    QString many;
    for (int i = 1; i <= 20; ++i)
        many += u"c"_s + QString::number(i) + u';';
    EXPECT_EQ(LikeFilter(many, u"x"_s).count(u"LIKE"_s), 15);
}

TEST(SqlText, ReplaceWhereAndOrderBy) {
    QStringList q{u"SELECT * FROM vw_ugyfel"_s, u"where ugyfel > 0"_s, u"WHERE x"_s,
                  u"ORDER BY ugyfel_nev;"_s};
    ReplaceWhere(q, u"(ugyfel > 0) AND (x)"_s);
    ReplaceOrderBy(q, u"taj"_s);
    EXPECT_EQ(s(q.join(u'|')), "SELECT * FROM vw_ugyfel|WHERE (ugyfel > 0) AND (x)|WHERE x|ORDER BY taj;");
    QStringList none{u"SELECT 1"_s};
    ReplaceWhere(none, u"x"_s);
    ReplaceOrderBy(none, u"x"_s);
    EXPECT_EQ(s(none.join(u'|')), "SELECT 1");
}

TEST(Dates, RoutinesAndPresets) {
    EXPECT_EQ(s(SqlDate(QDate(2024, 3, 5))), "'2024-03-05'");
    EXPECT_EQ(s(PeriodText(QDate(2024, 1, 1), QDate(2024, 1, 31))), "2024.01.01 - 2024.01.31");
    EXPECT_EQ(DateWeek(QDate(2021, 1, 1)), 53);
    EXPECT_EQ(DateWeek(QDate(2025, 12, 29)), 1);
    struct Case {
        Period got, want;
    } cases[] = {
        {ThisWeek(QDate(2024, 5, 15)), {QDate(2024, 5, 13), QDate(2024, 5, 19)}},
        {ThisWeek(QDate(2021, 1, 1)), {QDate(2020, 12, 28), QDate(2021, 1, 3)}},
        {ThisWeek(QDate(2025, 12, 29)), {QDate(2025, 12, 29), QDate(2026, 1, 4)}},
        {ThisMonth(QDate(2024, 2, 10)), {QDate(2024, 2, 1), QDate(2024, 2, 29)}},
        {LastMonth(QDate(2024, 3, 31)), {QDate(2024, 2, 1), QDate(2024, 2, 29)}},
        {LastMonth(QDate(2024, 1, 15)), {QDate(2023, 12, 1), QDate(2023, 12, 31)}},
        {ThisYear(QDate(2024, 7, 7)), {QDate(2024, 1, 1), QDate(2024, 12, 31)}},
        {MonthUntilToday(QDate(2024, 3, 31)), {QDate(2024, 2, 29), QDate(2024, 3, 31)}},
        {MonthUntilToday(QDate(2023, 3, 31)), {QDate(2023, 2, 28), QDate(2023, 3, 31)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(s(c.got.from.toString(Qt::ISODate)), s(c.want.from.toString(Qt::ISODate)));
        EXPECT_EQ(s(c.got.to.toString(Qt::ISODate)), s(c.want.to.toString(Qt::ISODate)));
    }
}

TEST(NumberFormat, Masks) {
    const QString nbsp = QLocale(QLocale::Hungarian).groupSeparator();
    struct Case {
        QString mask;
        double v;
        QString want;
    } cases[] = {
        {u"### ### ##0"_s, 1234567, u"1 234 567"_s},
        {u"### ### ##0"_s, 1234, u" 1 234"_s},
        {u"### ### ##0"_s, 12, u"  12"_s},
        {u"### ### ##0"_s, 0, u"  0"_s},
        {u"### ### ##0"_s, -1234, u"- 1 234"_s},
        {u"### ### ##0"_s, 1234.5, u" 1 235"_s},
        {u"### ### ##0"_s, 1234567890, u"1234 567 890"_s},
        {u"00000"_s, 42, u"00042"_s},
        {u"0.00"_s, 3.14159, u"3,14"_s},
        {u"0.##"_s, 2.5, u"2,5"_s},
        {u"0.##"_s, 2, u"2"_s},
        {u"#,##0"_s, 1234567, u"1"_s + nbsp + u"234"_s + nbsp + u"567"_s},
        {u"#,##0.00 Ft"_s, 1234.5, u"1"_s + nbsp + u"234,50 Ft"_s},
        {u"#"_s, 0, u""_s},
        {u"0"_s, -0.2, u"0"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(s(FormatNumeric(c.mask, c.v)), s(c.want)) << s(c.mask) << " " << c.v;
}

TEST(Codec, Latin2AndCp1250) {
    const QString hu = u"árvíztűrő tükörfúrógép ÁRVÍZTŰRŐ TÜKÖRFÚRÓGÉP"_s;
    for (const Codec* c : {&Codec::latin2(), &Codec::cp1250()}) {
        const auto bytes = c->encode(hu);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes->size(), hu.size());
        EXPECT_EQ(s(c->decode(*bytes)), s(hu));
    }
    EXPECT_EQ(static_cast<unsigned char>(Codec::latin2().encode(u"ő")->at(0)), 0xF5);
    QString bad;
    EXPECT_FALSE(Codec::latin2().encode(u"ab😀"_s, &bad));
    EXPECT_EQ(s(bad), "😀");
    try {
        EncodeOrThrow(Codec::latin2(), u"Жук"_s);
        FAIL();
    } catch (const EncodingError& e) {
        EXPECT_TRUE(e.message().contains(u"„Ж”"_s)) << s(e.message());
        EXPECT_TRUE(e.message().contains(u"U+0416"_s));
    }
    // Every byte survives decoding and encoding in both code pages where it stands for a character.
    for (const Codec* c : {&Codec::latin2(), &Codec::cp1250()})
        for (int b = 1; b < 256; ++b) {
            const QByteArray one(1, static_cast<char>(b));
            const QString text = c->decode(one);
            if (text == u"\uFFFD"_s) continue;
            EXPECT_EQ(*c->encode(text), one) << c->name() << " " << b;
        }
}

class IniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(u"Sonoria.ini"_s); }
    void write(const QByteArray& content) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray read() {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(IniTest, PrivateProfileSemantics) {
    write("; comment\n[alapertek]\nbetumeret = 10 \nHtmlUt=C:\\Html\n\n[Other]\nx=1\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInt(u"Alapertek"_s, u"Betumeret"_s, 9), 10);
    EXPECT_EQ(s(ini.readText(u"ALAPERTEK"_s, u"htmlut"_s)), "C:\\Html");
    EXPECT_EQ(s(ini.readText(u"Alapertek"_s, u"Missing"_s, u"def"_s)), "def");
    EXPECT_EQ(s(ini.readText(u"Nope"_s, u"x"_s, u"d"_s)), "d");
    ini.writeInt(u"ALAPERTEK"_s, u"BETUMERET"_s, 8);
    ini.writeText(u"Alapertek"_s, u"AlapVaros"_s, u"Győr"_s);
    ini.writeText(u"New"_s, u"k"_s, u"v"_s);
    EXPECT_EQ(read(),
              QByteArray("; comment\r\n[alapertek]\r\nBETUMERET=8\r\nHtmlUt=C:\\Html\r\nAlapVaros=Gy\xF5r\r\n"
                         "\r\n[Other]\r\nx=1\r\n\r\n[New]\r\nk=v\r\n"));
    // The file holds the profiles' passwords: once written, it is its owner's alone.
    EXPECT_EQ(QFile::permissions(path()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ini.removeKeys(u"alapertek"_s, {u"htmlut"_s, u"alapvaros"_s});
    EXPECT_FALSE(ini.hasKey(u"Alapertek"_s, u"HtmlUt"_s));
    EXPECT_TRUE(ini.hasKey(u"Other"_s, u"x"_s));
}

TEST_F(IniTest, NumbersBooleansAndDefaults) {
    write("[A]\nhex=0x10\ndec=1.5\nneg=-3\nb0=0\nb5=5\nbx=x\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInt(u"A"_s, u"hex"_s, 7), 7);
    EXPECT_EQ(ini.readInt(u"A"_s, u"dec"_s, 7), 7);
    EXPECT_EQ(ini.readInt(u"A"_s, u"neg"_s, 7), -3);
    EXPECT_FALSE(ini.readBool(u"A"_s, u"b0"_s, true));
    EXPECT_TRUE(ini.readBool(u"A"_s, u"b5"_s, false));
    EXPECT_TRUE(ini.readBool(u"A"_s, u"bx"_s, true));
    IniFile missing(dir.filePath(u"none.ini"_s));
    EXPECT_EQ(missing.readInt(u"A"_s, u"x"_s, 3), 3);
}

TEST_F(IniTest, WriteRefusedNamesTheFile) {
    QFile f(dir.filePath(u"blocker"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    IniFile ini(dir.filePath(u"blocker/Sonoria.ini"_s)); // a file stands where the folder should be
    try {
        ini.writeText(u"A"_s, u"b"_s, u"c"_s);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains(u"blocker"_s)) << s(e.message());
    }
    IniFile good(path());
    EXPECT_THROW(good.writeText(u"A"_s, u"b"_s, u"😀"_s), EncodingError);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniTest, SettingsDefaultsAndLimits) {
    struct Case {
        QByteArray file;
        int font;
        bool full;
    } cases[] = {
        {"", 9, true},
        {"[Alapertek]\nBetumeret=12\nTeljesKep=0\n", 9, false},
        {"[Alapertek]\nBetumeret=10\n", 10, true},
        {"[Alapertek]\nBetumeret=7\n", 9, true},
    };
    for (const auto& c : cases) {
        write(c.file);
        TBeall b;
        QRect bounds;
        LoadSettings(IniFile(path()), b, bounds);
        EXPECT_EQ(b.betumeret, c.font);
        EXPECT_EQ(b.teljesKep, c.full);
        EXPECT_EQ(bounds, QRect(5, 5, 640, 400));
        EXPECT_EQ(s(b.formatFt), "### ### ##0");
    }
    TBeall b;
    b.betumeret = 8;
    b.alapVaros = u"Pécs"_s;
    IniFile ini(path());
    SaveSettings(ini, b, QRect(1, 2, 300, 200));
    TBeall back;
    QRect bounds;
    LoadSettings(ini, back, bounds);
    EXPECT_EQ(back.betumeret, 8);
    EXPECT_EQ(s(back.alapVaros), "Pécs");
    EXPECT_EQ(bounds, QRect(1, 2, 300, 200));
}

TEST(Profiles, EncodeDecode) {
    const QByteArray e = EncodeProfile(u"abc"_s);
    ASSERT_EQ(e.size(), 9);
    EXPECT_EQ(e[3], 'b');
    EXPECT_EQ(e[5], 'c');
    EXPECT_EQ(e[7], 'd');
    for (char r : {e[0], e[1], e[2], e[4], e[6], e[8]})
        EXPECT_TRUE(r >= 33 && r <= 87) << int(r);
    EXPECT_EQ(s(DecodeProfile("xyzbQcQdQ")), "abc");
    EXPECT_EQ(EncodeProfile({}).size(), 3);
    EXPECT_EQ(s(DecodeProfile(EncodeProfile({}))), "");
    EXPECT_EQ(s(DecodeProfile({})), "");
    const QString hu = u"sonoria;127.0.0.1;3306;kovács;jelszó;Rendelő"_s;
    EXPECT_EQ(s(DecodeProfile(EncodeProfile(hu))), s(hu));
    EXPECT_NE(EncodeProfile(hu), EncodeProfile(hu));
    EXPECT_THROW(EncodeProfile(u"a\tb"_s), FormatError);
    EXPECT_THROW(EncodeProfile(u"\u02D9"_s), FormatError); // windows-1250 0xFF
    EXPECT_THROW(EncodeProfile(u"Ж"_s), EncodingError);
    (void)DecodeProfile("\xff\x00\x01garbage\xfe"); // garbage decodes to garbage, never crashes
}

TEST_F(IniTest, StartupProfilesSkipUnnamedAndHighKeys) {
    IniFile ini(path());
    ini.writeBytes(u"Adatbazis"_s, u"ConStr1"_s, EncodeProfile(u"a;h;1;u;p;Első"_s));
    ini.writeBytes(u"Adatbazis"_s, u"ConStr2"_s, EncodeProfile(u"b;h;1;u;p;"_s));
    ini.writeBytes(u"Adatbazis"_s, u"ConStr3"_s, EncodeProfile(u"c;h;1;u;p;Harmadik;"_s));
    ini.writeBytes(u"Adatbazis"_s, u"ConStr26"_s, EncodeProfile(u"d;h;1;u;p;Túl"_s));
    const auto list = StartupProfiles(ini);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(s(list[0].entry), "1; Első");
    EXPECT_EQ(s(list[1].entry), "3; Harmadik");
    EXPECT_EQ(s(ConnectionProfile::parse(list[1].profile).database), "c");
}

TEST(Config, FoldersOfAnInstalledProgram) {
    QTemporaryDir root;
    const QString bin = root.filePath(u"bin"_s), data = root.filePath(u"share/sonoria"_s),
                  config = root.filePath(u"config/Sonoria"_s);
    for (const QString& d : {bin, data, config})
        ASSERT_TRUE(QDir().mkpath(d));
    qputenv("XDG_CONFIG_HOME", root.filePath(u"config"_s).toUtf8());
    SetConfigLocation(bin);
    EXPECT_EQ(s(DataDirectory()), s(data));
    auto touch = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    EXPECT_EQ(s(LogoFolder()), s(bin)); // none anywhere
    touch(data + u"/Logo.bmp"_s);
    EXPECT_EQ(s(LogoFolder()), s(data));
    touch(config + u"/logo.BMP"_s);
    EXPECT_EQ(s(LogoFolder()), s(config));
    touch(bin + u"/LOGO.bmp"_s);
    EXPECT_EQ(s(LogoFolder()), s(bin));
    // HTML pages go beside the configuration file, not into the program's folder (/usr/bin).
    TBeall settings;
    QRect bounds;
    LoadSettings(Config(), settings, bounds);
    EXPECT_EQ(s(settings.htmlUt), s(config + u"/Html"_s));
}

TEST(Config, LocationAndBounds) {
    QTemporaryDir exe, home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    SetConfigLocation(exe.path());
    EXPECT_EQ(s(ConfigDirectory()), s(home.path() + u"/Sonoria"_s));
    QFile f(exe.filePath(u"Sonoria.ini"_s));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    SetConfigLocation(exe.path());
    EXPECT_EQ(s(ConfigDirectory()), s(QDir::cleanPath(exe.path())));
    EXPECT_EQ(s(ConfigPath()), s(QDir::cleanPath(exe.path()) + u"/Sonoria.ini"_s));

    SetWorkArea(QRect(0, 0, 1000, 700));
    EXPECT_EQ(LoadFormBounds(u"frm_X"_s, 300, 200), QRect(10, 10, 300, 200));
    EXPECT_EQ(LoadFormPosition(u"frm_X"_s), QPoint(10, 10));
    struct Case {
        QRect stored, want;
    } cases[] = {
        {{1200, 10, 300, 200}, {0, 10, 300, 200}}, // beyond the right edge: 0, then fitted
        {{10, 10, 1200, 200}, {0, 10, 1000, 200}}, // wider than the work area
        {{900, 650, 300, 200}, {700, 500, 300, 200}},
        {{5, 800, 300, 900}, {5, 0, 300, 700}},
    };
    for (const auto& c : cases) {
        SaveFormBounds(u"frm_X"_s, c.stored);
        EXPECT_EQ(LoadFormBounds(u"frm_X"_s, 1, 1), c.want) << c.stored.x() << "," << c.stored.y();
    }
    SaveFormPosition(u"frm_Y"_s, QPoint(3000, 4));
    EXPECT_EQ(LoadFormPosition(u"frm_Y"_s), QPoint(3000, 4)); // positions are not fitted
}
