#include "core/Codec.h"
#include "core/Errors.h"
#include "core/NumberFormat.h"
#include "export/DataToXLS.h"
#include "export/DelimitedExport.h"
#include "export/HtmlExport.h"
#include "export/MailMessage.h"
#include "support/TestDatabase.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <mysql.h>

using namespace Qt::StringLiterals;

namespace {
ExportGridColumn GridColumn(const QString& title, int width, const QString& field, bool hidden = false) {
    ExportGridColumn c;
    c.title = title;
    c.width = width;
    c.fieldName = field;
    c.hidden = hidden;
    return c;
}

std::string s(const QString& q) {
    return q.toStdString();
}
std::string s(const QByteArray& b) {
    return b.toStdString();
}

Column col(const QString& name, ColumnType type) {
    Column c;
    c.name = name;
    c.type = type;
    return c;
}

Value text(const QString& t) {
    return Value::fromText(t);
}
Value memo(const QString& t) {
    return Value::fromText(t, ColumnType::Memo);
}

QByteArray cp(const QString& t) {
    return EncodeOrThrow(Codec::cp1250(), t);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Files of a folder, so a test can see that a refused export leaves nothing behind (no temporary either).
QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

// A small list as the screens have it: a key, a name, an amount, a date, a memo and a picture.
MemoryDataSet patients() {
    MemoryDataSet d({col(u"id"_s, ColumnType::Integer), col(u"nev"_s, ColumnType::Text),
                     col(u"osszeg"_s, ColumnType::Double), col(u"datum"_s, ColumnType::Date),
                     col(u"megj"_s, ColumnType::Memo), col(u"kep"_s, ColumnType::Blob)});
    d.addRow({Value::fromInt(1), text(u"Kiss Ödön"_s), Value::fromDouble(12.5),
              Value::fromDate(QDate(2024, 3, 5)), memo(u"első sor;\r\nc:\\temp"_s),
              Value(QByteArray("\x89PNG", 4), ColumnType::Blob)});
    d.addRow({Value::fromInt(2), text(u"Nagy \"Öcsi\" Űr"_s), Value(), Value(), Value(), Value()});
    d.addRow({Value::fromInt(3), text(u"Tóth; Ágnes"_s), Value::fromDouble(-0.25),
              Value::fromDate(QDate(1999, 12, 31)), memo(u"egy\nkettő\rhárom"_s), Value()});
    return d;
}

// ---------------------------------------------------------------------------------------------
// Delimited text

TEST(Delimited, FilesByteForByte) {
    const MemoryDataSet d = patients();
    struct Case {
        const char* what;
        DelimitedOptions options;
        QString expected;
    };
    DelimitedOptions plain;
    DelimitedOptions noHeader;
    noHeader.header = false;
    DelimitedOptions none;
    none.ticked = QList<bool>(6, false);
    DelimitedOptions quoted;
    quoted.qualifier = u'"';
    quoted.separator = u'\t';
    quoted.ticked = {true, true, false, false, true}; // kep beyond the list: ticked
    DelimitedOptions apostrophe;
    apostrophe.qualifier = u'\'';
    apostrophe.separator = u'|';
    apostrophe.multiLineFields = false;
    apostrophe.ticked = {false, true, false, false, true, false};
    apostrophe.fields = {{u"NEV"_s, u"Név"_s, true, {}}, {u"megj"_s, u"Megjegyzés 'x'"_s, true, {}}};
    DelimitedOptions original = apostrophe;
    original.originalNames = true;
    const Case cases[] = {
        {"separator after every header name, none after the last value", plain,
         u"id;nev;osszeg;datum;megj;kep;\r\n"
         u"1;Kiss Ödön;12,5;2024. 03. 05.;első sor,\\nc:\\\\temp;BLOB\r\n"
         u"2;Nagy \"Öcsi\" Űr;;;;BLOB\r\n"
         u"3;Tóth; Ágnes;-0,25;1999. 12. 31.;egykettő\\nhárom;BLOB\r\n"_s},
        {"header switched off: an empty first line", noHeader,
         u"\r\n"
         u"1;Kiss Ödön;12,5;2024. 03. 05.;első sor,\\nc:\\\\temp;BLOB\r\n"
         u"2;Nagy \"Öcsi\" Űr;;;;BLOB\r\n"
         u"3;Tóth; Ágnes;-0,25;1999. 12. 31.;egykettő\\nhárom;BLOB\r\n"_s},
        {"no field ticked: empty lines", none, u"\r\n\r\n\r\n\r\n"_s},
        {"qualifier doubled inside values; a tab separator stays in a memo only as a comma", quoted,
         u"\"id\"\t\"nev\"\t\"megj\"\t\"kep\"\t\r\n"
         u"\"1\"\t\"Kiss Ödön\"\t\"első sor;\\nc:\\\\temp\"\t\"BLOB\"\r\n"
         u"\"2\"\t\"Nagy \"\"Öcsi\"\" Űr\"\t\"\"\t\"BLOB\"\r\n"
         u"\"3\"\t\"Tóth; Ágnes\"\t\"egykettő\\nhárom\"\t\"BLOB\"\r\n"_s},
        {"display labels, apostrophe qualifier, memos as BLOB", apostrophe,
         u"'Név'|'Megjegyzés ''x'''|\r\n"
         u"'Kiss Ödön'|'BLOB'\r\n"
         u"'Nagy \"Öcsi\" Űr'|'BLOB'\r\n"
         u"'Tóth; Ágnes'|'BLOB'\r\n"_s},
        {"original names instead of labels", original,
         u"'nev'|'megj'|\r\n"
         u"'Kiss Ödön'|'BLOB'\r\n"
         u"'Nagy \"Öcsi\" Űr'|'BLOB'\r\n"
         u"'Tóth; Ágnes'|'BLOB'\r\n"_s},
    };
    for (const Case& c : cases) {
        DelimitedResult r;
        const QByteArray bytes = DelimitedText(d, c.options, {}, &r);
        EXPECT_EQ(s(Codec::cp1250().decode(bytes)), s(c.expected)) << c.what;
        EXPECT_EQ(r.rows, 3) << c.what;
        EXPECT_FALSE(r.stopped);
    }
    // The Hungarian letters are windows-1250 bytes: ő 0xF5, Ű 0xDB.
    EXPECT_TRUE(DelimitedText(d, plain).contains("Nagy \"\xD6"
                                                 "csi\" \xDBr"));
}

TEST(Delimited, EmptyResultAndStop) {
    MemoryDataSet empty({col(u"a"_s, ColumnType::Text), col(u"b"_s, ColumnType::Integer)});
    EXPECT_EQ(s(DelimitedText(empty, {})), "a;b;\r\n");
    DelimitedOptions o;
    o.header = false;
    EXPECT_EQ(s(DelimitedText(empty, o)), "\r\n");

    // Stopping after two rows writes those two rows, as after a complete run.
    const MemoryDataSet d = patients();
    QList<qsizetype> calls;
    DelimitedResult r;
    const QByteArray bytes = DelimitedText(
        d, {},
        [&](qsizetype done, qsizetype total) {
            calls << done;
            EXPECT_EQ(total, 3);
            return done < 2;
        },
        &r);
    EXPECT_EQ(calls, (QList<qsizetype>{0, 1, 2}));
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.rows, 2);
    EXPECT_EQ(bytes.count("\r\n"), 3);
    EXPECT_TRUE(bytes.endsWith("2;Nagy \"\xD6"
                               "csi\" \xDBr;;;;BLOB\r\n"));
}

TEST(Delimited, PlainEditForms) {
    MemoryDataSet d({col(u"t"_s, ColumnType::Time), col(u"dt"_s, ColumnType::DateTime),
                     col(u"dec"_s, ColumnType::Decimal), col(u"big"_s, ColumnType::BigInt),
                     col(u"dbl"_s, ColumnType::Double)});
    d.addRow({Value("09:05:03", ColumnType::Time), Value("2024-03-05 14:07:09", ColumnType::DateTime),
              Value("1500.50", ColumnType::Decimal), Value("-9007199254740993", ColumnType::BigInt),
              Value::fromDouble(0.1)});
    d.addRow({Value("125:00:00", ColumnType::Time), Value("2024-03-05 00:00:00", ColumnType::DateTime),
              Value("-0.05", ColumnType::Decimal), Value("0", ColumnType::BigInt),
              Value::fromDouble(1234567.0)});
    DelimitedOptions o;
    o.header = false;
    EXPECT_EQ(s(DelimitedText(d, o)), "\r\n9:05:03;2024. 03. 05. 14:07:09;1500,50;-9007199254740993;0,1\r\n"
                                      "125:00:00;2024. 03. 05.;-0,05;0;1234567\r\n");
}

TEST(Delimited, RefusalsLeaveNoFile) {
    QTemporaryDir dir;
    // Byte 0x80 of the database's code page is a control character that windows-1250 has no byte for.
    MemoryDataSet bad = patients();
    bad.setValue(2, 1, Value(QByteArray("T\x80th"), ColumnType::Text));
    const QString target = dir.filePath(u"lista.csv"_s);
    try {
        ExportDelimited(bad, target, {});
        FAIL() << "exported";
    } catch (const FormatError& e) {
        EXPECT_TRUE(e.message().contains(u"3. sor „nev” mezőjében"_s)) << s(e.message());
        EXPECT_TRUE(e.message().contains(u"U+0080"_s)) << s(e.message());
    }
    EXPECT_TRUE(filesIn(dir.path()).isEmpty());

    // An existing file stays as it was when the new one cannot be made.
    writeFile(target, "old");
    EXPECT_THROW(ExportDelimited(bad, target, {}), FormatError);
    EXPECT_EQ(s(readFile(target)), "old");
    EXPECT_EQ(filesIn(dir.path()), QStringList{u"lista.csv"_s});

    // Folders that cannot take a file: below a plain file, and a system folder nobody writes to.
    const MemoryDataSet d = patients();
    for (const QString& path : {target + u"/sub/x.csv"_s, u"/proc/sonoria-export-test.csv"_s}) {
        try {
            ExportDelimited(d, path, {});
            FAIL() << s(path);
        } catch (const FileError& e) {
            EXPECT_TRUE(e.message().contains(u"nem hozható létre"_s)) << s(e.message());
        }
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_EQ(s(readFile(target)), "old");

    const DelimitedResult r = ExportDelimited(d, target, {});
    EXPECT_EQ(r.rows, 3);
    EXPECT_EQ(readFile(target), DelimitedText(d, {}));
    EXPECT_EQ(filesIn(dir.path()), QStringList{u"lista.csv"_s});
}

TEST(ExportNames, KindAndDefaults) {
    struct Case {
        QString name;
        ExportKind kind;
    } cases[] = {
        {u"a.xls"_s, ExportKind::Worksheet},     {u"/x/B.XlS"_s, ExportKind::Worksheet},
        {u"a.xml"_s, ExportKind::NotSupported},  {u"a.XML"_s, ExportKind::NotSupported},
        {u"a.csv"_s, ExportKind::Delimited},     {u"noext"_s, ExportKind::Delimited},
        {u"a.xls.txt"_s, ExportKind::Delimited},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExportKindOf(c.name), c.kind) << s(c.name);
    EXPECT_EQ(s(NotSupportedMessage()), "Ebben a verzióban ez nem támogatott.");
    EXPECT_TRUE(DefaultExportFileName({}).endsWith(u"/File001.xls"_s));
    EXPECT_EQ(s(DefaultExportFileName(u"Sonoria.csv"_s)), "Sonoria.csv");
}

// ---------------------------------------------------------------------------------------------
// Worksheet

struct Record {
    quint16 id;
    QByteArray data;
};

QList<Record> records(const QByteArray& bytes) {
    QList<Record> out;
    qsizetype p = 0;
    auto u16 = [&](qsizetype at) {
        return static_cast<quint16>(static_cast<quint8>(bytes[at]) |
                                    (static_cast<quint8>(bytes[at + 1]) << 8));
    };
    while (p + 4 <= bytes.size()) {
        const quint16 id = u16(p), len = u16(p + 2);
        out << Record{id, bytes.mid(p + 4, len)};
        p += 4 + len;
    }
    EXPECT_EQ(p, bytes.size()) << "trailing bytes";
    return out;
}

QByteArray le16(quint16 v) {
    return QByteArray(1, static_cast<char>(v & 0xFF)) + QByteArray(1, static_cast<char>(v >> 8));
}
QByteArray cell(quint16 row, quint16 column, const char attributes[3]) {
    return le16(row) + le16(column) + QByteArray(attributes, 3);
}
QByteArray label(quint16 row, quint16 column, const char attributes[3], const QByteArray& text) {
    return cell(row, column, attributes) + QByteArray(1, static_cast<char>(text.size())) + text;
}
QByteArray number(quint16 row, quint16 column, const char attributes[3], double v) {
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &v, 8); // the machine is little-endian, as the file is
    return cell(row, column, attributes) + b;
}
const char Header[3] = {0, char(0x80), 0};
const char Left[3] = {0, 0, 1};
const char Right[3] = {0, 0, 3};
const char Centre[3] = {0, 0, 2};

QByteArray font(const QByteArray& name, quint16 flags) {
    return le16(200) + le16(flags) + QByteArray(1, static_cast<char>(name.size())) + name;
}

QByteArray worksheet(TDataToXLS& xls) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    xls.SaveToStream(buffer);
    return buffer.data();
}

TEST(Worksheet, RecordByRecord) {
    MemoryDataSet d({col(u"id"_s, ColumnType::Integer), col(u"nev"_s, ColumnType::Text),
                     col(u"osszeg"_s, ColumnType::Double), col(u"dec"_s, ColumnType::Decimal),
                     col(u"datum"_s, ColumnType::Date), col(u"nagy"_s, ColumnType::BigInt),
                     col(u"jo"_s, ColumnType::Other), col(u"kep"_s, ColumnType::Blob)});
    Column& flag = const_cast<Column&>(d.column(6));
    flag.serverType = MYSQL_TYPE_BIT;
    flag.length = 1;
    const QString longText = QString(300, u'ő');
    d.addRow({Value::fromInt(7), text(u"Árvíztűrő"_s), Value::fromDouble(12.5),
              Value("3.25", ColumnType::Decimal), Value::fromDate(QDate(2024, 3, 5)),
              Value("12345678901", ColumnType::BigInt), Value(QByteArray(1, '\x01'), ColumnType::Other),
              Value(QByteArray("\x00\xFF", 2), ColumnType::Blob)});
    d.addRow({Value::fromInt(70000), text(longText), Value(), Value(), Value(), Value(),
              Value(QByteArray(1, '\0'), ColumnType::Other), Value()});
    d.addRow({Value::fromInt(-1), Value(), Value(), Value(), Value(), Value(), Value(), Value()});

    TDataToXLS xls;
    xls.SetDataSet(&d);
    xls.SetFieldInfos({{u"nev"_s, u"Név"_s, true, TAlignment::taCenter}, {u"dec"_s, {}, false, {}}});
    QList<qsizetype> after;
    xls.AfterWriteRecord = [&](TDataExport& e) { after << e.WrittenRows(); };
    const QList<Record> r = records(worksheet(xls));

    QList<Record> expected{
        {0x0009, le16(2) + le16(0x10)},
        {0x0042, le16(1250)},
        {0x0031, font("Arial", 0)},
        {0x0031, font("Arial", 1)},
        {0x0031, font("Arial", 1)},
        {0x0000, le16(0) + le16(1025) + le16(0) + le16(4)},
        {0x0004, label(0, 0, Header, "id")},
        {0x0004, label(0, 1, Header, cp(u"Név"_s))},
        {0x0004, label(0, 2, Header, "osszeg")},
        {0x0004, label(0, 3, Header, "datum")},
        {0x0004, label(0, 4, Header, "nagy")},
        {0x0004, label(0, 5, Header, "jo")},
        {0x0004, label(0, 6, Header, "kep")},
        // row 1: INTEGER, LABEL, NUMBER, date and 64-bit numbers as LABEL, BOOLERR, a BLOB as its word
        {0x0002, cell(1, 0, Right) + le16(7)},
        {0x0004, label(1, 1, Centre, cp(u"Árvíztűrő"_s))},
        {0x0003, number(1, 2, Right, 12.5)},
        {0x0004, label(1, 3, Left, "2024. 03. 05.")},
        {0x0004, label(1, 4, Right, "12345678901")},
        {0x0005, cell(1, 5, Left) + QByteArray("\x01\x00", 2)},
        {0x0004, label(1, 6, Left, "BLOB")},
        // row 2: an integer beyond 16 bits as NUMBER, a label cut to 255 bytes, NULLs as BLANK
        {0x0003, number(2, 0, Right, 70000)},
        {0x0004, label(2, 1, Centre, QByteArray(255, '\xF5'))},
        {0x0001, cell(2, 2, Right)},
        {0x0001, cell(2, 3, Left)},
        {0x0001, cell(2, 4, Right)},
        {0x0005, cell(2, 5, Left) + QByteArray("\x00\x00", 2)},
        {0x0001, cell(2, 6, Left)},
        // row 3: a negative integer as NUMBER, NULL everywhere else
        {0x0003, number(3, 0, Right, -1)},
        {0x0001, cell(3, 1, Centre)},
        {0x0001, cell(3, 2, Right)},
        {0x0001, cell(3, 3, Left)},
        {0x0001, cell(3, 4, Right)},
        {0x0001, cell(3, 5, Left)},
        {0x0001, cell(3, 6, Left)},
        {0x000A, {}},
    };
    ASSERT_EQ(r.size(), expected.size());
    for (qsizetype i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].id, expected[i].id) << "record " << i;
        EXPECT_EQ(r[i].data.toHex().toStdString(), expected[i].data.toHex().toStdString()) << "record " << i;
    }
    EXPECT_EQ(after, (QList<qsizetype>{1, 2, 3}));
    EXPECT_EQ(xls.Columns.Count(), 0) << "automatic columns are built anew for every export";
    EXPECT_FALSE(xls.Running());
}

TEST(Worksheet, TitleNoteWidthsAndUntickedColumns) {
    MemoryDataSet d(
        {col(u"a"_s, ColumnType::Text), col(u"b"_s, ColumnType::Integer), col(u"c"_s, ColumnType::Text)});
    d.addRow({text(u"x"_s), Value::fromInt(1), text(u"z"_s)});
    d.addRow({text(u"skip"_s), Value::fromInt(2), text(u"skip"_s)});
    // Columns from a grid: widths become COLWIDTH records; the dialog's handler unticks column a.
    TDataToXLS xls;
    xls.SetDataSet(&d);
    for (const ExportGridColumn& g :
         {GridColumn(u"A"_s, 10, u"a"_s), GridColumn(u"Bé"_s, 20, u"b"_s), GridColumn(u"C"_s, 0, u"c"_s)})
        xls.Columns.AddColumn().AssignFromGridColumn(g, &d);
    xls.Title.Text = u"Cím"_s;
    xls.Comment = u"Megjegyzés"_s;
    xls.OnBeginExport = [](TDataExport& e) { e.GetColumns().Item(0).Save = false; };
    xls.BeforeWriteRecord = [](TDataExport& e, bool& cancel) { cancel = e.CurrentRow() == 1; };
    const QList<Record> r = records(worksheet(xls));
    const char titleAttributes[3] = {0, 0x40, 0};
    QList<Record> expected{
        {0x0004, label(0, 0, titleAttributes, cp(u"Cím"_s))},
        {0x001C, le16(0) + le16(0) + le16(10) + cp(u"Megjegyzés"_s)},
        {0x0024, QByteArray("\x00\x00", 2) + le16(740)},
        {0x0004, label(1, 0, Header, cp(u"Bé"_s))},
        {0x0004, label(1, 1, Header, "C")},
        {0x0002, cell(2, 0, Right) + le16(1)},
        {0x0004, label(2, 1, Left, "z")},
        {0x000A, {}},
    };
    ASSERT_EQ(r.size(), 6 + expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(r[6 + i].id, expected[i].id) << "record " << i;
        EXPECT_EQ(r[6 + i].data.toHex().toStdString(), expected[i].data.toHex().toStdString())
            << "record " << i;
    }
    EXPECT_EQ(xls.WrittenRows(), 1);
    EXPECT_EQ(xls.Columns.Count(), 3) << "given columns stay";
}

TEST(Worksheet, AttributeBytes) {
    struct Case {
        TCellAttributes a;
        std::array<quint8, 3> bytes;
    } cases[] = {
        {{}, {0, 0, 0}},
        {{caHidden, caLocked}, {0xC0, 0, 0}},
        {{caFont1, caFont3}, {0, 0, 0}},
        {{caFont2, caFont4}, {0, 0x40, 0}},
        {{caFont3}, {0, 0x80, 0}},
        {{caFont4}, {0, 0xC0, 0}},
        {{caShaded, caBottomBorder, caTopBorder, caRightBorder, caLeftBorder}, {0, 0, 0xF8}},
        {{caLeft, caRight}, {0, 0, 1}},
        {{caCenter, caRight}, {0, 0, 2}},
        {{caRight, caFill}, {0, 0, 7}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AttributeBytes(c.a), c.bytes);
}

TEST(Worksheet, RefusalsLeaveNoFile) {
    QTemporaryDir dir;
    const QString target = dir.filePath(u"lista.xls"_s);
    MemoryDataSet empty({col(u"a"_s, ColumnType::Text)});
    MemoryDataSet big({col(u"a"_s, ColumnType::Integer)});
    for (int i = 0; i < 16384; ++i)
        big.addRow({Value::fromInt(i)});
    MemoryDataSet bad({col(u"a"_s, ColumnType::Text)});
    bad.addRow({text(u"jó"_s)});
    bad.addRow({Value(QByteArray("\x80"), ColumnType::Text)});
    struct Case {
        const char* what;
        const DataSet* data;
        QString target;
        const char* message;
    } cases[] = {
        {"no data set", nullptr, target, "Nincs megadva adathalmaz"},
        {"empty", &empty, target, "Az eredmény üres"},
        {"16 384 rows and a header", &big, target, "16383 sor fér"},
        {"a character windows-1250 lacks", &bad, target,
         "2. sor „a” mezőjében: A(z) „\u0080” karakter (U+0080)"},
        {"folder below a file", &bad, target + u"/x.xls"_s, "nem hozható létre"},
        {"a folder nobody writes to", &empty, u"/proc/sonoria-test.xls"_s, "Az eredmény üres"},
        {"a folder nobody writes to", &bad, u"/proc/sonoria-test.xls"_s, "nem hozható létre"},
    };
    for (const Case& c : cases) {
        TDataToXLS xls;
        xls.SetDataSet(c.data);
        try {
            xls.SaveToFile(c.target);
            ADD_FAILURE() << c.what;
        } catch (const SonoriaError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message)))
                << c.what << ": " << s(e.message());
        }
        EXPECT_TRUE(filesIn(dir.path()).isEmpty()) << c.what;
        EXPECT_FALSE(QFile::exists(c.target)) << c.what;
        EXPECT_FALSE(xls.Running()) << c.what;
        EXPECT_EQ(xls.Columns.Count(), 0) << c.what;
    }
    // With a title one row less fits; without one, 16 383 rows and the header are fine.
    big.setValue(0, 0, Value());
    MemoryDataSet fits = big;
    {
        TDataToXLS xls;
        xls.SetDataSet(&fits);
        xls.Title.Text = u"T"_s;
        EXPECT_THROW(xls.SaveToFile(target), FormatError);
    }
    MemoryDataSet most({col(u"a"_s, ColumnType::Integer)});
    for (int i = 0; i < 16383; ++i)
        most.addRow({Value::fromInt(i)});
    TDataToXLS xls;
    xls.SetDataSet(&most);
    xls.SaveToFile(target);
    const QByteArray bytes = readFile(target);
    EXPECT_TRUE(bytes.endsWith(QByteArray("\x0A\x00\x00\x00", 4)));
    EXPECT_EQ(bytes.size(), 8 + 6 + 3 * 14 + 12 + 13 + 16383 * 13 + 4);
}

// ---------------------------------------------------------------------------------------------
// A real result set: every column type with NULLs, through the delimited text and through xlrd.

class ExportDb : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() {
        tdb = new TestDatabase(u"export"_s, TestDatabase::Empty);
        tdb->db().exec(u"CREATE TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, nev VARCHAR(300), n DOUBLE, d "
                       u"DECIMAL(10,2), "
                       u"dat DATE, dt DATETIME, m TEXT, b BLOB, f BIT(1), big BIGINT, s SMALLINT) "
                       u"DEFAULT CHARSET=latin2 COLLATE=latin2_hungarian_ci;"_s);
        tdb->db().exec(u"INSERT INTO t VALUES "
                       u"(1, 'Kiss & Nagy <Bt.>', 1.5, 1234.50, '2024-03-05', '2024-03-05 08:09:10', "
                       u"'a;b\\r\\nc', 'xyz', 1, "
                       u"9000000000, -5),"
                       u"(2, REPEAT('ő', 300), -2, 0, '1999-12-31', '1999-12-31 00:00:00', 'Ű \"idéz\"', "
                       u"NULL, 0, 1, 30000),"
                       u"(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"_s);
    }
    static void TearDownTestSuite() { delete tdb; }
    static ResultSet rows() { return tdb->db().query(u"SELECT * FROM t ORDER BY id;"_s); }
};

TEST_F(ExportDb, DelimitedFromTheServer) {
    const ResultSet r = rows();
    DelimitedOptions o;
    o.qualifier = u'"';
    o.ticked = {true, false, true, true, true, true, true, true, true, true, true};
    EXPECT_EQ(s(Codec::cp1250().decode(DelimitedText(r, o))),
              s(u"\"id\";\"n\";\"d\";\"dat\";\"dt\";\"m\";\"b\";\"f\";\"big\";\"s\";\r\n"
                u"\"1\";\"1,5\";\"1234,50\";\"2024. 03. 05.\";\"2024. 03. 05. "
                u"8:09:10\";\"a,b\\nc\";\"BLOB\";\"\x01\";\"9000000000\";\"-5\"\r\n"
                u"\"2\";\"-2\";\"0,00\";\"1999. 12. 31.\";\"1999. 12. 31.\";\"Ű "
                u"\"\"idéz\"\"\";\"BLOB\";\"\x00\";\"1\";\"30000\"\r\n"
                u"\"3\";\"\";\"\";\"\";\"\";\"\";\"BLOB\";\"\";\"\";\"\"\r\n"_s));
}

// The cells of the first sheet as xlrd (an independent reader of BIFF2) sees them: [type, value].
QJsonArray readWithXlrd(const QString& file) {
    static const char* script = "import sys, json, xlrd\n"
                                "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                                "print(json.dumps([[[s.cell_type(r, c), s.cell_value(r, c)] for c in "
                                "range(s.ncols)] for r in range(s.nrows)]))\n";
    for (const QString& python : {u"/usr/bin/python3"_s, u"python3"_s}) {
        QProcess p;
        p.start(python, {u"-c"_s, QString::fromLatin1(script), file});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) continue;
        return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    }
    ADD_FAILURE() << "python3 with xlrd cannot read " << s(file) << " (scripts/setup installs python3-xlrd)";
    return {};
}

TEST_F(ExportDb, WorksheetReadBackByXlrd) {
    const ResultSet r = rows();
    QTemporaryDir dir;
    const QString file = dir.filePath(u"t.xls"_s);
    TDataToXLS xls;
    xls.SetDataSet(&r);
    xls.SaveToFile(file);
    // xlrd: 1 text, 2 number, 4 boolean, 0 empty (BLANK cells without formatting).
    const QString longText(255, u'ő');
    const QString expected =
        uR"([[[1,"id"],[1,"nev"],[1,"n"],[1,"d"],[1,"dat"],[1,"dt"],[1,"m"],[1,"b"],[1,"f"],[1,"big"],[1,"s"]],
            [[2,1.0],[1,"Kiss & Nagy <Bt.>"],[2,1.5],[2,1234.5],[1,"2024. 03. 05."],[1,"2024. 03. 05. 8:09:10"],
             [1,"a;b\r\nc"],[1,"BLOB"],[4,1],[1,"9000000000"],[2,-5.0]],
            [[2,2.0],[1,"%1"],[2,-2.0],[2,0.0],[1,"1999. 12. 31."],[1,"1999. 12. 31."],[1,"Ű \"idéz\""],[0,""],[4,0],
             [1,"1"],[2,30000.0]],
            [[2,3.0],[0,""],[0,""],[0,""],[0,""],[0,""],[0,""],[0,""],[0,""],[0,""],[0,""]]])"_s.arg(
            longText);
    const QJsonArray cells = readWithXlrd(file);
    EXPECT_EQ(
        s(QString::fromUtf8(QJsonDocument(cells).toJson(QJsonDocument::Compact))),
        s(QString::fromUtf8(QJsonDocument::fromJson(expected.toUtf8()).toJson(QJsonDocument::Compact))));
}

TEST_F(ExportDb, CommandLine) {
    QTemporaryDir dir;
    auto run = [&](const QStringList& args) {
        const ConnectionParams p = tdb->params();
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"SONORIA_PASSWORD"_s, p.password);
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(SONORIA_CLI),
                  QStringList{u"export"_s, u"--host"_s, p.host, u"--port"_s, QString::number(p.port),
                              u"--user"_s, p.user, u"--database"_s, p.database} +
                      args);
        EXPECT_TRUE(cli.waitForFinished(60000));
        return std::pair{cli.exitCode(), QString::fromUtf8(cli.readAllStandardError())};
    };
    const QString sql = u"SELECT id, nev, m FROM t ORDER BY id;"_s;
    const QString csv = dir.filePath(u"a.csv"_s);
    auto [code, err] = run(
        {u"--separator"_s, u"tab"_s, u"--qualifier"_s, u"\""_s, u"--no-header"_s, u"--query"_s, sql, csv});
    EXPECT_EQ(code, 0) << s(err);
    DelimitedOptions o;
    o.separator = u'\t';
    o.qualifier = u'"';
    o.header = false;
    EXPECT_EQ(readFile(csv), DelimitedText(tdb->db().query(sql), o));

    const QString xls = dir.filePath(u"a.xls"_s);
    std::tie(code, err) = run({u"--query"_s, sql, xls});
    EXPECT_EQ(code, 0) << s(err);
    EXPECT_EQ(readWithXlrd(xls).size(), 4);

    const QString htm = dir.filePath(u"oldal.html"_s);
    std::tie(code, err) = run({u"--query"_s, sql, htm});
    EXPECT_EQ(code, 0) << s(err);
    const QByteArray page = readFile(htm);
    EXPECT_TRUE(page.contains("<title>oldal</title>\r\n")) << s(page);
    EXPECT_TRUE(page.contains(
        "<td width=\"33%\"><font face=\"Verdana\" size=\"1\">Kiss &amp; Nagy &lt;Bt.&gt;</font></td>"));

    struct Refusal {
        QStringList args;
        QString file;
        const char* message;
    } refusals[] = {
        {{u"--query"_s, sql}, dir.filePath(u"a.xml"_s), "Ebben a verzióban ez nem támogatott."},
        {{u"--query"_s, sql}, dir.filePath(u"a.doc"_s), "kiterjesztése"},
        {{u"--query"_s, u"SELECT * FROM t WHERE id < 0;"_s}, dir.filePath(u"e.xls"_s), "üres"},
        {{u"--query"_s, u"SELECT * FROM nincs;"_s}, dir.filePath(u"n.csv"_s), "nincs"},
        {{u"--separator"_s, u"x"_s, u"--query"_s, sql}, dir.filePath(u"s.csv"_s), "határoló"},
    };
    for (const Refusal& r : refusals) {
        std::tie(code, err) = run(r.args + QStringList{r.file});
        EXPECT_NE(code, 0) << s(r.file);
        EXPECT_TRUE(err.contains(QString::fromUtf8(r.message))) << s(err);
        EXPECT_FALSE(QFile::exists(r.file)) << s(r.file);
    }
}

// ---------------------------------------------------------------------------------------------
// HTML page

TEST(Html, WidthPercentHalvesToEven) {
    struct Case {
        int width, grid, percent;
    } cases[] = {
        {150, 300, 50}, {50, 300, 17}, {15, 200, 8}, {5, 200, 2},     {1, 200, 0},
        {3, 200, 2},    {0, 300, 0},   {10, 0, 0},   {400, 300, 133},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WidthPercent(c.width, c.grid), c.percent) << c.width << "/" << c.grid;
}

TEST(Html, PageLineByLine) {
    MemoryDataSet d({col(u"id"_s, ColumnType::Integer), col(u"nev"_s, ColumnType::Text),
                     col(u"osszeg"_s, ColumnType::Double), col(u"csoport"_s, ColumnType::Text)});
    d.addRow({Value::fromInt(1), text(u"Kiss & Nagy <Bt.>"_s), Value::fromDouble(1000.5), text(u"A"_s)});
    d.addRow({Value::fromInt(2), text(u"Szabó \"Öcsi\""_s), Value(), text(u"A"_s)});
    d.addRow({Value::fromInt(3), text(u"Őri"_s), Value::fromDouble(250), text(u"B & C"_s)});

    HtmlPageRequest r;
    r.grid.data = &d;
    r.grid.width = 300;
    ExportGridColumn name = GridColumn(u"Név"_s, 150, u"nev"_s);
    name.displayText = [&d](qsizetype row) { return d.value(row, 1).text().toUpper(); };
    ExportGridColumn key = GridColumn(u"Kód"_s, 50, u"id"_s, true);
    key.alignment = TAlignment::taCenter;
    ExportGridColumn button = GridColumn(u"Gomb"_s, 30, {});
    ExportGridColumn amount = GridColumn(u"Összeg <Ft>"_s, 75, u"osszeg"_s);
    amount.displayFormat = u"### ##0"_s;
    r.grid.columns = {name, key, button, amount};
    r.title = u"Páciensek"_s;
    r.totalFields = u"osszeg;id;nincs"_s;
    r.groupField = u"csoport"_s;
    r.now = QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10));
    QList<qsizetype> progress;

    const QStringList lines = HtmlPageLines(r, [&](qsizetype done, qsizetype) {
        progress << done;
        return true;
    });
    const QString header =
        u"    <td width=\"%1%\" bgcolor=\"#C0C0C0\"><font face=\"Verdana\" size=\"1\"><strong>%2</strong></font></td>"_s;
    const QString data = u"    <td width=\"%1%\"><font face=\"Verdana\" size=\"1\">%2</font></td>"_s;
    const QString group =
        u"    <td width=\"95%\" colspan=\"11\" bgcolor=\"#EAEAEA\"><font face=\"Verdana\" size=\"1\"><strong>%1</strong></font></td>"_s;
    const QString right = u"<p align=\"right\">"_s, centre = u"<p align=\"center\">"_s;
    const QStringList expected{
        u"<html>"_s,
        u""_s,
        u"<head>"_s,
        u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">"_s,
        u"<title>Páciensek</title>"_s,
        u"<meta name=\"GENERATOR\" content=\"Zolvan Bt. Grid2Html\">"_s,
        u"</head>"_s,
        u""_s,
        u"<body>"_s,
        u"<p><strong><font face=\"Verdana\" size=\"2\">Páciensek</font></strong></p>"_s,
        u"<p><strong><font face=\"Verdana\" size=\"1\"></font></strong></p>"_s,
        u"<div align=\"center\"><center>"_s,
        u""_s,
        u"<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\" width=\"90%\">"_s,
        u"  <tr>"_s,
        header.arg(50).arg(u"Név"_s),
        header.arg(17).arg(centre + u"Kód"_s),
        header.arg(25).arg(right + u"Összeg &lt;Ft&gt;"_s),
        u"  </tr>"_s,
        u"  <tr>"_s,
        group.arg(u"A"_s),
        u"  </tr>"_s,
        u"  <tr>"_s,
        data.arg(50).arg(u"KISS &amp; NAGY &lt;BT.&gt;"_s),
        data.arg(17).arg(centre + u"1"_s),
        data.arg(25).arg(right + u"1000,5"_s),
        u"  </tr>"_s,
        u"  <tr>"_s,
        data.arg(50).arg(u"SZABÓ &quot;ÖCSI&quot;"_s),
        data.arg(17).arg(centre + u"2"_s),
        data.arg(25).arg(right),
        u"  </tr>"_s,
        u"  <tr>"_s,
        group.arg(u"B &amp; C"_s),
        u"  </tr>"_s,
        u"  <tr>"_s,
        data.arg(50).arg(u"ŐRI"_s),
        data.arg(17).arg(centre + u"3"_s),
        data.arg(25).arg(right + u"250"_s),
        u"  </tr>"_s,
        u"  <tr>"_s,
        header.arg(50).arg(QString()),
        header.arg(17).arg(centre + u"6"_s),
        header.arg(25).arg(right + FormatNumeric(u"### ##0"_s, 1250.5)),
        u"  </tr>"_s,
        u"</table>"_s,
        u"</center></div>"_s,
        u""_s,
        u"<p><font face=\"Verdana\" size=\"1\">Összesen 3 sor.</font></p>"_s,
        u""_s,
        u"<p><font face=\"Verdana\" size=\"1\">2024.03.05 08:09:10</font></p>"_s,
        u""_s,
        u"<p><font face=\"Courier New\" size=\"1\">Sonoria</font></p>"_s,
        u""_s,
        u"</body>"_s,
        u"</html>"_s,
    };
    ASSERT_EQ(lines.size(), expected.size()) << s(lines.join(u'\n'));
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(s(lines[i]), s(expected[i])) << "line " << i + 1;
    EXPECT_TRUE(progress.isEmpty()) << "every tenth row only";

    // No total fields, no group field, no rows: the header row only and the count 0; the first item of
    // the total list decides the totals row.
    MemoryDataSet empty({col(u"nev"_s, ColumnType::Text)});
    HtmlPageRequest e;
    e.grid = {{GridColumn(u"Név"_s, 10, u"nev"_s)}, 10, &empty};
    e.totalFields = u";nev"_s;
    const QStringList few = HtmlPageLines(e);
    EXPECT_EQ(few.size(), 28);
    EXPECT_EQ(s(few[17]), "</table>");
    EXPECT_EQ(s(few[20]), "<p><font face=\"Verdana\" size=\"1\">Összesen 0 sor.</font></p>");
}

TEST(Html, WrittenFileAndProposedName) {
    QTemporaryDir dir;
    MemoryDataSet d({col(u"nev"_s, ColumnType::Text)});
    for (int i = 0; i < 25; ++i)
        d.addRow({text(u"Ő"_s)});
    d.addRow({Value(QByteArray("a\x80z"), ColumnType::Text)});
    HtmlPageRequest r;
    r.grid = {{GridColumn(u"Név"_s, 10, u"nev"_s)}, 10, &d};
    r.title = u"Páciensek"_s;
    const QString file = ProposedHtmlFileName(dir.filePath(u"uj/mappa"_s), r.title);
    EXPECT_EQ(s(file), s(dir.filePath(u"uj/mappa/p_ciensek.htm"_s)));
    QList<qsizetype> progress;
    WriteHtmlPage(r, file, [&](qsizetype done, qsizetype total) {
        progress << done;
        EXPECT_EQ(total, 26);
        return true;
    });
    EXPECT_EQ(progress, (QList<qsizetype>{10, 20}));
    const QByteArray bytes = readFile(file);
    EXPECT_TRUE(bytes.startsWith("<html>\r\n\r\n<head>\r\n"));
    EXPECT_TRUE(bytes.endsWith("</body>\r\n</html>\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 28 + 26 * 3);
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.contains("<title>P\xE1"
                               "ciensek</title>"));
    EXPECT_TRUE(bytes.contains(">\xD5</font>"));
    EXPECT_TRUE(bytes.contains(">a&#128;z</font>"))
        << "a character windows-1250 lacks is kept as a reference";

    // A folder that cannot be created: below a plain file.
    try {
        WriteHtmlPage(r, file + u"/x/p.htm"_s);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_TRUE(e.message().contains(u"nem hozható létre"_s)) << s(e.message());
    }
    EXPECT_FALSE(QFile::exists(file + u"/x/p.htm"_s));
    ExportGridColumn wrong = GridColumn(u"X"_s, 1, u"nincs"_s);
    r.grid.columns << wrong;
    EXPECT_THROW(HtmlPageLines(r), FormatError);
}

// ---------------------------------------------------------------------------------------------
// Mail hand-off, through a stand-in for xdg-email that writes down its arguments.

TEST(Mail, HandsTheMessageToXdgEmail) {
    QTemporaryDir dir;
    const QString log = dir.filePath(u"args"_s);
    const QString fake = dir.filePath(u"xdg-email"_s);
    writeFile(fake, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " + log.toUtf8() +
                        ".tmp\n/bin/mv " + log.toUtf8() + ".tmp " + log.toUtf8() + "\n");
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString page = dir.filePath(u"p_ciensek.htm"_s);
    writeFile(page, "<html>");

    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());
    EXPECT_EQ(SendMailMessage(u"Html küldés"_s, u"Html küldés"_s, page), 0);
    EXPECT_EQ(SendMailMessage(u"x"_s, u"y"_s, dir.filePath(u"nincs.htm"_s)), -1) << "missing attachment";
    for (int i = 0; i < 100 && !QFile::exists(log); ++i)
        QThread::msleep(50);
    EXPECT_EQ(s(QString::fromUtf8(readFile(log))),
              s(u"--utf8\n--subject\nHtml küldés\n--body\nHtml küldés\n--attach\n"_s + page + u"\n"_s));
    QFile::remove(log);
    EXPECT_EQ(SendMailMessage(u"T"_s, {}, {}, u"Én"_s, u"en@example.org"_s, u"Te"_s, u"-te@example.org"_s),
              0);
    for (int i = 0; i < 100 && !QFile::exists(log); ++i)
        QThread::msleep(50);
    EXPECT_EQ(s(readFile(log)), "--utf8\n--subject\nT\n--to\n-te@example.org\n");

    qputenv("PATH", dir.filePath(u"empty"_s).toUtf8());
    EXPECT_EQ(SendMailMessage(u"x"_s, u"y"_s, page), -1) << "no xdg-email";
    qputenv("PATH", oldPath);
}

} // namespace
