#include "ScanInPieces.h"
#include "admin/BackupRestore.h"
#include "admin/MySQLBatchExecute.h"
#include "admin/MySQLDump.h"
#include "admin/SqlScanner.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace {
// The configuration folder (and with it the restore's Temp folder) of the tests is a folder of their own.
const bool ConfigFolderSet = [] {
    static QTemporaryDir config;
    QFile ini(config.filePath(u"Sonoria.ini"_s));
    ini.open(QIODevice::WriteOnly);
    SetConfigLocation(config.path());
    return true;
}();

std::string s(const QString& q) {
    return q.toStdString();
}
std::string s(const QByteArray& b) {
    return std::string(b.data(), static_cast<std::size_t>(b.size()));
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// CHECKSUM TABLE of every base table, "table=checksum" in the server's order.
QStringList Checksums(Connection& db) {
    const QStringList tables = BaseTables(db);
    QStringList result;
    if (tables.isEmpty()) return result;
    QStringList quoted;
    for (const QString& t : tables)
        quoted << u'`' + t + u'`';
    const ResultSet rs = db.query(u"CHECKSUM TABLE "_s + quoted.join(u", "_s));
    for (qsizetype r = 0; r < rs.rowCount(); ++r)
        result << rs.value(r, 0).text() + u'=' + rs.value(r, 1).text();
    return result;
}

qint64 Count(Connection& db, const QString& table) {
    return db.query(u"SELECT COUNT(*) FROM "_s + table).value(0, 0).toInt64();
}

void Wipe(Connection& db) {
    for (const QString& t : BaseTables(db))
        db.exec(u"DELETE FROM `"_s + t + u'`');
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden);
}

// The client's own text of a server error.
QString ClientRun(const ConnectionParams& p, const QStringList& extra, const QByteArray& input, int* exitCode,
                  const QString& program = u"mariadb"_s) {
    QProcess client;
    QStringList args{u"--no-defaults"_s, u"-h"_s + p.host, u"-P"_s + QString::number(p.port),
                     u"-u"_s + p.user, u"-p"_s + p.password};
    args << extra;
    client.start(program, args);
    client.waitForStarted();
    client.write(input);
    client.closeWriteChannel();
    client.waitForFinished(600000);
    *exitCode = client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
    return QString::fromUtf8(client.readAllStandardError());
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Cutting scripts into statements

struct SplitCase {
    const char* name;
    QByteArray script;
    std::vector<std::string> statements;
    SqlScanner::Problem problem = SqlScanner::Problem::None;
    int problemLine = 0;
};

TEST(Scanner, SplitsAsTheRulesSay) {
    using P = SqlScanner::Problem;
    const SplitCase cases[] = {
        {"two statements", "SELECT 1;SELECT 2;", {"SELECT 1", "SELECT 2"}},
        {"comments, blank lines, several lines",
         "# one\r\n-- two\r\n\r\nSELECT\r\n  1;\r\n",
         {"SELECT\r\n  1"}},
        {"-- followed by a digit is no comment", "SELECT 1--1;", {"SELECT 1--1"}},
        {"-- followed by a letter is no comment", "SELECT 2 --x;", {"SELECT 2 --x"}},
        {"-- at a line end is a comment", "SELECT 3 --\r\n;", {"SELECT 3 --\r\n"}},
        {"comment inside a statement stays in it", "SELECT 4 -- ; no\r\n;", {"SELECT 4 -- ; no\r\n"}},
        {"semicolon in quotes",
         "INSERT INTO t VALUES ('a;b', \"c;d\");",
         {"INSERT INTO t VALUES ('a;b', \"c;d\")"}},
        {"quoted value spans lines",
         "INSERT INTO t VALUES ('a\r\nb;\nc');x;",
         {"INSERT INTO t VALUES ('a\r\nb;\nc')", "x"}},
        {"backslash escapes in quotes",
         "SELECT 'it\\'s;', \"\\\";\";SELECT 5;",
         {"SELECT 'it\\'s;', \"\\\";\"", "SELECT 5"}},
        {"backquotes know no backslash", "SELECT `a\\`;SELECT `b;c`;", {"SELECT `a\\`", "SELECT `b;c`"}},
        {"doubled quote", "SELECT 'a'';b';", {"SELECT 'a'';b'"}},
        {"DELIMITER block",
         "DELIMITER $$\r\nCREATE PROCEDURE p() BEGIN SELECT 1; END$$\r\ndelimiter ;\r\nSELECT 2;",
         {"CREATE PROCEDURE p() BEGIN SELECT 1; END", "SELECT 2"}},
        {"delimiter compared without case",
         "DELIMITER end\nSELECT 1 END\nDeLiMiTeR ;\nSELECT 2;",
         {"SELECT 1 ", "SELECT 2"}},
        {"DELIMITER is a word", "SELECT xdelimiter ;", {"SELECT xdelimiter "}},
        {"conditional comment is a statement",
         "/*!40101 SET NAMES latin2 */;\r\n/* plain; */ SELECT 1;",
         {"/*!40101 SET NAMES latin2 */", "SELECT 1"}},
        {"conditional comment inside a statement", "SELECT /*!1 2; */ 3;", {"SELECT /*!1 2; */ 3"}},
        {"empty statements do not count", "SELECT 1;;  ; SELECT 2", {"SELECT 1", "SELECT 2"}},
        {"CR-only line ends", "SELECT 1;\r# c; d\rSELECT\r2;\r", {"SELECT 1", "SELECT\r2"}},
        {"LF CR is one line end", "# a\n\rSELECT 1;", {"SELECT 1"}},
        {"comment at the end", "SELECT 1; -- end", {"SELECT 1"}},
        {"comment at the end of the last statement", "SELECT 1 # end", {"SELECT 1 # end"}},
        {"block comment open at the end", "SELECT 1; /* end", {"SELECT 1"}},
        {"only comments", "-- a\r\n/* b */\r\n# c", {}},
        {"empty", "", {}},
        {"unterminated quote", "SELECT 1;\r\nSELECT 'abc;\r\nx;", {"SELECT 1"}, P::UnterminatedQuote, 2},
        {"unterminated backquote", "SELECT `a", {}, P::UnterminatedQuote, 1},
        {"lone DELIMITER line", "SELECT 1;\r\nDELIMITER\r\nSELECT 2;", {"SELECT 1"}, P::EmptyDelimiter, 2},
        {"DELIMITER with only spaces", "DELIMITER   \t\nSELECT 2;", {}, P::EmptyDelimiter, 1},
    };
    for (const SplitCase& c : cases) {
        SqlScanner scanner(std::string_view(c.script.constData(), c.script.size()), ";");
        std::vector<std::string> got;
        SqlScanner::Statement st;
        while (scanner.next(st))
            got.emplace_back(c.script.constData() + st.begin, st.end - st.begin);
        EXPECT_EQ(got, c.statements) << c.name;
        EXPECT_EQ(scanner.problem(), c.problem) << c.name;
        if (c.problem != P::None) {
            EXPECT_EQ(scanner.problemLine(), c.problemLine) << c.name;
        }
        // A script read in pieces is cut exactly as the whole one, whatever the pieces' size.
        const std::string_view script(c.script.constData(), static_cast<std::size_t>(c.script.size()));
        const ScanResult whole = ScanInPieces(script, 0);
        EXPECT_EQ(whole.statements, c.statements) << c.name;
        for (const std::size_t piece : {1, 2, 3, 7, 11})
            EXPECT_TRUE(ScanInPieces(script, piece) == whole) << c.name << ", pieces of " << piece;
    }
    // After a delimiter that ends in a letter of a name, "delimiter" is no command, whichever piece it
    // begins; the piece before it must not be forgotten.
    const ScanResult afterDollars = ScanInPieces("$$delimiter;", 0, "$$");
    EXPECT_EQ(afterDollars.statements, std::vector<std::string>{"delimiter;"});
    for (const std::size_t piece : {1, 2, 5})
        EXPECT_TRUE(ScanInPieces("$$delimiter;", piece, "$$") == afterDollars) << "pieces of " << piece;
    // A new delimiter longer than the first is looked for in whole, not at a piece's end.
    const std::string_view longer = "DELIMITER end-of-it\nSELECT 1end-of-it\nSELECT 2end-of-it";
    const ScanResult longerWhole = ScanInPieces(longer, 0);
    EXPECT_EQ(longerWhole.statements, (std::vector<std::string>{"SELECT 1", "SELECT 2"}));
    for (const std::size_t piece : {1, 9, 13})
        EXPECT_TRUE(ScanInPieces(longer, piece) == longerWhole) << "pieces of " << piece;
    EXPECT_EQ(
        ScanInPieces("# one\r\n-- two\r\nSELECT 1 -- in it\r\n;\r\n/* block */--\r\n-- end", 3).comments,
        (std::vector<std::string>{"# one", "-- two", "--", "-- end"}));
}

TEST(Executor, DataStatementsAndTypes) {
    EXPECT_TRUE(TMySQLBatchExecute::IsDataStatement("INSERT INTO t VALUES (1)"));
    EXPECT_TRUE(TMySQLBatchExecute::IsDataStatement("delete from t"));
    EXPECT_TRUE(TMySQLBatchExecute::IsDataStatement("REPLACE INTO t VALUES (1)"));
    EXPECT_TRUE(
        TMySQLBatchExecute::IsDataStatement("/*!40101 SET NAMES latin2 COLLATE latin2_hungarian_ci */"));
    EXPECT_TRUE(TMySQLBatchExecute::IsDataStatement("SET NAMES utf8mb4"));
    EXPECT_FALSE(TMySQLBatchExecute::IsDataStatement("/*!40101 SET NAMES latin2 */ DROP TABLE t"));
    EXPECT_FALSE(TMySQLBatchExecute::IsDataStatement("/*!40000 ALTER TABLE `t` DISABLE KEYS */"));
    EXPECT_FALSE(TMySQLBatchExecute::IsDataStatement("LOCK TABLES `t` WRITE"));
    EXPECT_FALSE(TMySQLBatchExecute::IsDataStatement("INSERTX"));
    EXPECT_TRUE(TMySQLBatchExecute::IsDataStatement(
        "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */"));
    EXPECT_FALSE(TMySQLBatchExecute::IsDataStatement("SET autocommit = 1"));
    EXPECT_FALSE(TMySQLBatchExecute::IsDataStatement("SET GLOBAL sql_mode = ''"));
    EXPECT_FALSE(
        TMySQLBatchExecute::IsDataStatement("/*!40101 SET TRANSACTION ISOLATION LEVEL READ COMMITTED */"));
    EXPECT_EQ(TMySQLBatchExecute::StatementType("show tables"), TmySQLStatementType::mstCursor);
    EXPECT_EQ(TMySQLBatchExecute::StatementType("Explain SELECT 1"), TmySQLStatementType::mstCursor);
    EXPECT_EQ(TMySQLBatchExecute::StatementType("UPDATE t SET a = 1"), TmySQLStatementType::mstNonCursor);
}

TEST(Writer, EscapesTheSevenCharacters) {
    QByteArray out;
    AppendEscapedSql(out, QByteArrayView("a\0b\tc\nd\re\"f'g\\h%_\x1a\xff", 19));
    EXPECT_EQ(s(out), std::string("a\\0b\\tc\\nd\\re\\\"f\\'g\\\\h%_\x1a\xff"));
}

TEST(Backup, ProposedNameAndQuestion) {
    EXPECT_EQ(s(ProposedBackupName(u"sonoria"_s, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)))),
              "sonoria-2024-03-05-14-07-09.sql");
    EXPECT_EQ(s(RestoreQuestion(u"szerver"_s, u"sonoria"_s)),
              "Az adatok betöltés előtt az eredeti adatok törlésre kerülnek.\nBiztosan folytatod a szerver: "
              "sonoria "
              "adatbázis felülírását?");
    TmySQLDump dump;
    SetupBackupWriter(dump);
    EXPECT_EQ(dump.DumpOption, TDumpOption::dData);
    EXPECT_FALSE(dump.UseCreateDb);
    EXPECT_FALSE(dump.AddLocks);
    EXPECT_TRUE(dump.ExtInsert && dump.CompleteInsert && dump.DropObject && dump.RewriteFile &&
                dump.IncludeHeader);
    EXPECT_EQ(dump.ExtInsertsCount, 100);
    EXPECT_EQ(dump.Limit, 1024);
    ConnectionParams params;
    params.host = u"h"_s;
    params.port = 3307;
    params.user = u"u"_s;
    params.password = u"titok"_s;
    params.database = u"db"_s;
    const QStringList args = ServerDumpArguments(params, u"/x/y.sql"_s);
    EXPECT_EQ(s(args.join(u' ')),
              "-c -C --force --routines --databases db --port=3307 --host=h --user=u --result-file=/x/y.sql");
}

// ---------------------------------------------------------------------------------------------
// The writer's file

class AdminDb : public ::testing::Test {
protected:
    static inline TestDatabase* tdb = nullptr;
    static void SetUpTestSuite() { tdb = new TestDatabase(u"admin"_s, TestDatabase::Empty); }
    static void TearDownTestSuite() { delete tdb; }
    Connection& db() { return tdb->db(); }
    void SetUp() override {
        recreate();
        ASSERT_TRUE(dir.isValid());
    }
    void recreate() {
        db().exec(u"DROP DATABASE `"_s + tdb->name() + u'`');
        db().exec(u"CREATE DATABASE `"_s + tdb->name() +
                  u"` CHARACTER SET latin2 COLLATE latin2_hungarian_ci"_s);
        db().exec(u"USE `"_s + tdb->name() + u'`');
    }
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes the data-only backup of the given tables and returns the file.
    QByteArray dump(const QStringList& tables, const std::function<void(TmySQLDump&)>& adjust = {}) {
        TmySQLDump d;
        SetupBackupWriter(d);
        d.Database = &db();
        d.TableList = tables;
        d.SQLFile = path(u"dump.sql"_s);
        d.DumpTime = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
        if (adjust) adjust(d);
        EXPECT_TRUE(d.DumpToFile());
        return readFile(d.SQLFile);
    }
};

TEST_F(AdminDb, WriterFormat) {
    db().exec(u"CREATE TABLE t (id INT PRIMARY KEY, s VARCHAR(20), d DATE, x DOUBLE, n INT) ENGINE=InnoDB"_s);
    db().exec(u"CREATE TABLE e (id INT) ENGINE=InnoDB"_s);
    db().exec(
        u"INSERT INTO t VALUES (1, 'O''R\\\\x', '2024-03-05', 2.5, NULL), (2, '', '2000-01-01', -1e-300, 7)"_s);
    const QByteArray file = dump({u"t"_s, u"e"_s});
    const QStringList lines = QString::fromLatin1(file).split(u"\r\n"_s);
    EXPECT_FALSE(file.contains("\n\n")) << "every line ends in CR LF";
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(s(lines[0]), "--   MySQL Database Dump (Sonoria) 1.3");
    EXPECT_EQ(s(lines[1]), "--   Host: 127.0.0.1    Database: " + s(tdb->name()));
    EXPECT_EQ(s(lines[2]), "--   Server version " + s(db().serverVersion()));
    EXPECT_EQ(s(lines[3]), "-- ");
    EXPECT_TRUE(lines[4].startsWith(u"--   Dump database "_s + tdb->name() + u" on 2024. 03. 05. 14:07:09"_s))
        << s(lines[4]);
    const QString rest = lines.mid(5).join(u"\r\n"_s);
    EXPECT_EQ(s(rest), "-- \r\n"
                       "\r\n"
                       "/*!40101 SET NAMES latin2 COLLATE latin2_hungarian_ci */;\r\n"
                       "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;\r\n"
                       "\r\n"
                       "-- \r\n"
                       "--   Table data for table \"t\". Record count - 2 \r\n"
                       "-- \r\n"
                       "DELETE FROM `t`;\r\n"
                       "INSERT INTO `t`(`id`, `s`, `d`, `x`, `n`) VALUES\r\n"
                       "(1,'O\\'R\\\\x','2024-03-05',2.5,NULL),\r\n"
                       "(2,'','2000-01-01',-1e-300,7);\r\n"
                       "\r\n\r\n\r\n"
                       "-- \r\n"
                       "--   Table data for table \"e\". Record count - 0 \r\n"
                       "-- \r\n"
                       "DELETE FROM `e`;\r\n"
                       "\r\n\r\n\r\n"
                       "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;\r\n"
                       "\r\n"
                       "--   Dump completed\r\n");

    // The other options: structure, locks, keys, REPLACE, one row per statement, no column list.
    const QByteArray all = dump({u"t"_s}, [](TmySQLDump& d) {
        d.DumpOption = TDumpOption::dAll;
        d.IncludeHeader = false;
        d.UseCreateDb = true;
        d.AddLocks = true;
        d.DisableKeys = true;
        d.ExtInsert = false;
        d.CompleteInsert = false;
        d.UseReplaceStmt = true;
        d.LineComment = u"# "_s;
    });
    const QByteArray create = db().query(u"SHOW CREATE TABLE t"_s).rawBytes(0, 1).toByteArray();
    const QByteArray name = tdb->name().toLatin1();
    EXPECT_EQ(s(all), "/*!40101 SET NAMES latin2 COLLATE latin2_hungarian_ci */;\r\n"
                      "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;\r\n\r\n"
                      "CREATE DATABASE /*!32312 IF NOT EXISTS*/ `" +
                          s(name) +
                          "`;\r\n"
                          "USE `" +
                          s(name) +
                          "`;\r\n\r\n"
                          "# \r\n#   Table structure for table \"t\"\r\n# \r\n"
                          "DROP TABLE IF EXISTS `t`;\r\n\r\n" +
                          s(create) +
                          ";\r\n\r\n"
                          "/*!40000 ALTER TABLE `t` DISABLE KEYS */;\r\n"
                          "# \r\n#   Table data for table \"t\". Record count - 2 \r\n# \r\n"
                          "LOCK TABLES `t` WRITE;\r\n"
                          "DELETE FROM `t`;\r\n"
                          "REPLACE INTO `t` VALUES (1,'O\\'R\\\\x','2024-03-05',2.5,NULL);\r\n"
                          "REPLACE INTO `t` VALUES (2,'','2000-01-01',-1e-300,7);\r\n"
                          "\r\n/*!40000 ALTER TABLE `t` ENABLE KEYS */;\r\n\r\nUNLOCK TABLES;\r\n\r\n"
                          "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;\r\n\r\n#   Dump completed\r\n");

    // Appending to an existing file keeps its content.
    const QByteArray appended = dump({u"e"_s}, [](TmySQLDump& d) {
        d.RewriteFile = false;
        d.IncludeHeader = false;
    });
    EXPECT_TRUE(appended.startsWith(all));
    EXPECT_TRUE(
        appended.endsWith("DELETE FROM `e`;\r\n\r\n\r\n\r\n/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;\r\n\r\n"
                          "--   Dump completed\r\n"));
}

TEST_F(AdminDb, WriterGroupsRowsAndReportsPages) {
    db().exec(u"CREATE TABLE g (id INT PRIMARY KEY, v VARCHAR(10)) ENGINE=InnoDB"_s);
    struct Case {
        int rows;
        int statements;
        int lastStatementRows;
        std::vector<int> pages;
    } cases[] = {
        {1, 1, 1, {100}},      {100, 1, 100, {100}},       {101, 2, 1, {100}},
        {1023, 11, 23, {100}}, {1024, 11, 24, {100, 100}}, {1025, 11, 25, {99, 100}},
    };
    for (const Case& c : cases) {
        db().exec(u"DELETE FROM g"_s);
        db().exec(u"INSERT INTO g SELECT seq, 'x' FROM seq_1_to_%1"_s.arg(c.rows));
        std::vector<int> pages;
        std::vector<int> tablePercents;
        const QByteArray file = dump({u"g"_s}, [&](TmySQLDump& d) {
            d.OnDataProcess = [&](TmySQLDump&, int p) { pages.push_back(p); };
            d.OnProcess = [&](TmySQLDump&, const QString&, int p) { tablePercents.push_back(p); };
        });
        EXPECT_EQ(file.count("INSERT INTO `g`(`id`, `v`) VALUES\r\n("), c.statements) << c.rows;
        const qsizetype last = file.lastIndexOf("INSERT INTO");
        EXPECT_EQ(file.mid(last).count("\r\n("), c.lastStatementRows) << c.rows;
        EXPECT_EQ(file.count("'x'),\r\n("), c.rows - c.statements) << c.rows;
        EXPECT_EQ(pages, c.pages) << c.rows;
        EXPECT_EQ(tablePercents, std::vector<int>{100});
        EXPECT_TRUE(file.contains("(" + QByteArray::number(c.rows) + ",'x');\r\n\r\n\r\n\r\n"));
    }
}

TEST_F(AdminDb, ExtendedInsertStaysBelowOneMebibyte) {
    db().exec(u"CREATE TABLE big (id INT PRIMARY KEY, b LONGBLOB) ENGINE=InnoDB"_s);
    // Rows of 400 KB: two fit one statement; a row of 1.5 MB stands alone.
    db().exec(u"INSERT INTO big VALUES (1, REPEAT('a', 400000)), (2, REPEAT('b', 400000)), "
              u"(3, REPEAT('c', 400000)), (4, REPEAT('d', 1500000)), (5, 'e'), (6, 'f')"_s);
    const QByteArray file = dump({u"big"_s});
    QList<qsizetype> sizes;
    for (qsizetype at = file.indexOf("INSERT INTO"); at >= 0;) {
        const qsizetype end = file.indexOf(";\r\n", at);
        sizes << end + 1 - at;
        at = file.indexOf("INSERT INTO", end);
    }
    ASSERT_EQ(sizes.size(), 4);
    EXPECT_LE(sizes[0], 1024 * 1024);
    EXPECT_GT(sizes[0], 800000);  // rows 1 and 2
    EXPECT_LT(sizes[1], 500000);  // row 3 alone: row 4 would pass the limit
    EXPECT_GT(sizes[2], 1500000); // row 4 alone
    EXPECT_LT(sizes[3], 200);     // rows 5 and 6
    const QByteArray before = Checksums(db()).join(u' ').toLatin1();
    db().exec(u"DELETE FROM big"_s);
    RestoreDatabase(db(), path(u"dump.sql"_s));
    EXPECT_EQ(s(Checksums(db()).join(u' ')), s(before));
}

TEST_F(AdminDb, WriterTakesOneSnapshotOfInnoDbTablesAndLocksOthers) {
    db().exec(u"CREATE TABLE a (id INT) ENGINE=InnoDB"_s);
    db().exec(u"CREATE TABLE b (id INT) ENGINE=InnoDB"_s);
    db().exec(u"CREATE TABLE m (id INT) ENGINE=MyISAM"_s);
    db().exec(u"INSERT INTO a VALUES (1)"_s);
    db().exec(u"INSERT INTO b VALUES (1)"_s);
    // Another workstation adds a row to b after the dump has begun with a: the file shows b as it was.
    Connection other;
    other.open(tdb->params());
    bool snapshot = false;
    const QByteArray file = dump({u"a"_s, u"b"_s}, [&](TmySQLDump& d) {
        d.OnProcess = [&](TmySQLDump& self, const QString& table, int) {
            snapshot = self.usedSnapshot();
            if (table == u"b"_s) other.exec(u"INSERT INTO b VALUES (2)"_s);
        };
    });
    EXPECT_TRUE(snapshot);
    EXPECT_TRUE(file.contains("Table data for table \"b\". Record count - 1 "));
    EXPECT_FALSE(file.contains("(2)"));
    EXPECT_EQ(Count(db(), u"b"_s), 2);

    // A table of another engine: each table is locked for reading while it is written.
    dump({u"a"_s, u"m"_s}, [&](TmySQLDump& d) {
        d.OnProcess = [&](TmySQLDump& self, const QString& table, int) {
            snapshot = self.usedSnapshot();
            const ResultSet locks =
                other.query(u"SHOW OPEN TABLES FROM "_s + tdb->name() + u" WHERE In_use > 0"_s);
            ASSERT_EQ(locks.rowCount(), 1);
            EXPECT_EQ(s(locks.value(0, 1).text()), s(table));
        };
    });
    EXPECT_FALSE(snapshot);
    EXPECT_EQ(other.query(u"SHOW OPEN TABLES FROM "_s + tdb->name() + u" WHERE In_use > 0"_s).rowCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Backup and restore on the real server

class RoundTrip : public AdminDb {
protected:
    void fill() {
        tdb->runFile(SourcePath(u"schema/sonoria.sql"_s));
        db().exec(
            u"CREATE TABLE minden (id INT AUTO_INCREMENT PRIMARY KEY, ti TINYINT, si SMALLINT, bi BIGINT, "
            u"de DECIMAL(14,4), fl FLOAT, du DOUBLE, da DATE, tm TIME, dt DATETIME(6), ts TIMESTAMP NULL, "
            u"ye YEAR, ch CHAR(5), vc VARCHAR(200), en ENUM('a','b''c'), se SET('x','y'), tx TEXT, "
            u"lt LONGTEXT, bl BLOB, lb LONGBLOB, vb VARBINARY(20)) ENGINE=InnoDB DEFAULT CHARSET=latin2 "
            u"COLLATE=latin2_hungarian_ci"_s);
        QString hex;
        for (int b = 0; b < 256; ++b)
            hex += u"%1"_s.arg(b, 2, 16, QChar(u'0'));
        db().exec(
            u"INSERT INTO minden (ti, si, bi, de, fl, du, da, tm, dt, ts, ye, ch, vc, en, se, tx, lt, bl, "
            u"lb, vb) "
            u"VALUES (-128, 32767, -9223372036854775808, -1234567890.1234, 0.5, 0.1, '2024-02-29', "
            u"'-838:59:59', "
            u"'2024-03-05 14:07:09.123456', '2024-03-05 14:07:09', 2024, 'ab', 'Árvíztűrő tükörfúrógép ő ű', "
            u"'b''c', 'x,y', CONCAT('quote '' \" back \\\\ cr ', CHAR(13), ' lf ', CHAR(10), ' tab ', "
            u"CHAR(9), "
            u"' zero ', CHAR(0), ' end'), REPEAT('hosszú szöveg \\'', 60000), UNHEX('"_s +
            hex + u"'), UNHEX(REPEAT('"_s + hex +
            u"', 40)), UNHEX('00ff5c27')), "_s
            u"(NULL, NULL, NULL, NULL, NULL, 1.7976931348623157e308, NULL, NULL, NULL, NULL, NULL, '', '', "
            u"NULL, '', '', '', '', '', ''), "
            u"(1, 2, 3, 0.0001, -1.25, -2.2250738585072014e-308, '1000-01-01', '00:00:00', "
            u"'9999-12-31 23:59:59.999999', NULL, 1901, 'x', ';', 'a', '', ';\\n;', '--', '#', '/*', '*/')"_s);
        db().exec(u"INSERT INTO ugyfel (ugyfel_nev, taj, megjegyzes, dat_utolso) VALUES ('Őrző Ödön', '123', "
                  u"'első sor\\r\\nmásodik; sor', '2024-01-02'), ('Kovács ''Kis'' Éva', NULL, NULL, NULL)"_s);
        db().exec(u"INSERT INTO munkalap (ev, sorszam, ugyfel, datum, szoveg, ar_ossz) VALUES "
                  u"(2024, 1, 1, '2024-01-02', 'lelet \\\\ ok', 12500.5)"_s);
        db().exec(u"INSERT INTO munkalap_tetel (munkalap, tetel, tetel_nev, ar) SELECT 1, seq, CONCAT('tétel "
                  u"', seq), "
                  u"seq * 1.5 FROM seq_1_to_2500"_s);
        db().exec(u"INSERT INTO szotar VALUES ('cím', 'szöveg\\twith tab')"_s);
    }
};

TEST_F(RoundTrip, BackupWipeRestoreGivesTheSameTables) {
    fill();
    const QStringList before = Checksums(db());
    ASSERT_EQ(Count(db(), u"irsz"_s), 0);
    for (const QString& name : {u"mentes.sql"_s, u"mentes.zip"_s}) {
        std::vector<int> tablePercents;
        BackupProgress progress;
        progress.table = [&](const QString&, int p) { tablePercents.push_back(p); };
        BackupDatabase(db(), path(name), progress);
        EXPECT_EQ(tablePercents.size(), static_cast<std::size_t>(BaseTables(db()).size()));
        EXPECT_EQ(tablePercents.back(), 100);
        EXPECT_EQ(s(FilesIn(dir.path()).join(u',')), s(name)) << "only the chosen file is left";

        Wipe(db());
        db().exec(u"INSERT INTO irsz (irsz, varos) VALUES ('1000', 'after the backup')"_s);
        int lastStatement = 0, maximum = 0;
        progress.statement = [&](int no, int max) {
            lastStatement = no;
            maximum = max;
        };
        RestoreDatabase(db(), path(name), progress);
        EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n'))) << s(name);
        EXPECT_EQ(Count(db(), u"irsz"_s), 0) << "an empty table is empty again";
        EXPECT_GT(lastStatement, 10);
        EXPECT_GE(maximum, lastStatement);
        QFile::remove(path(name));
    }
    // The archive: one deflated entry named like the archive, and the restore leaves the folder clean
    // of the script it unpacked.
    BackupDatabase(db(), path(u"arch.zip"_s));
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(path(u"arch.zip"_s)).constData(), ZIP_RDONLY, &err);
    ASSERT_NE(za, nullptr);
    ASSERT_EQ(zip_get_num_entries(za, 0), 1);
    zip_stat_t st;
    zip_stat_index(za, 0, 0, &st);
    EXPECT_STREQ(st.name, "arch.sql");
    EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE);
    EXPECT_LT(st.comp_size, st.size / 3);
    zip_discard(za);
    RestoreDatabase(db(), path(u"arch.zip"_s));
    EXPECT_FALSE(QFileInfo::exists(RestoreTempDirectory() + u"/arch.sql"_s));
}

TEST_F(RoundTrip, OurFileThroughTheMariadbClient) {
    fill();
    const QStringList before = Checksums(db());
    BackupDatabase(db(), path(u"kliens.sql"_s));
    Wipe(db());
    int code = 0;
    // The client starts in its default character set (utf8mb4); the file's own SET NAMES line switches it.
    const QString errors = ClientRun(tdb->params(), {tdb->name()}, readFile(path(u"kliens.sql"_s)), &code);
    ASSERT_EQ(code, 0) << s(errors);
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n')));
}

TEST_F(RoundTrip, ServerDumpToolFileThroughTheExecutor) {
    fill();
    db().exec(u"CREATE TRIGGER trg_tetel BEFORE INSERT ON tetel FOR EACH ROW BEGIN\n"
              u"  -- a comment; in the body\n  IF NEW.ar IS NULL THEN SET NEW.ar = 0; END IF;\nEND"_s);
    db().exec(u"INSERT INTO tetel (who, tetel_nev) VALUES ('A1', 'Hasi ultrahang')"_s);
    const QStringList before = Checksums(db());
    QProcess dumpTool;
    const ConnectionParams p = tdb->params();
    dumpTool.setProcessEnvironment([&] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"MYSQL_PWD"_s, p.password);
        return env;
    }());
    dumpTool.start(u"mariadb-dump"_s,
                   {u"--no-defaults"_s, u"-h"_s + p.host, u"-P"_s + QString::number(p.port), u"-u"_s + p.user,
                    u"--routines"_s, u"--triggers"_s, p.database});
    ASSERT_TRUE(dumpTool.waitForFinished(120000));
    ASSERT_EQ(dumpTool.exitCode(), 0) << s(QString::fromUtf8(dumpTool.readAllStandardError()));
    const QByteArray peerFile = dumpTool.readAllStandardOutput();
    ASSERT_TRUE(peerFile.contains("DELIMITER ;;"));
    ASSERT_TRUE(peerFile.contains("/*!40101 SET NAMES utf8mb4 */;"));
    writeFile(path(u"peer.sql"_s), peerFile);

    recreate();
    RestoreDatabase(db(), path(u"peer.sql"_s));
    EXPECT_EQ(s(SelectText(db(), u"SELECT @@character_set_client"_s, {})), "latin2");
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n')));
    EXPECT_EQ(
        SelectInt(db(),
                  u"SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = DATABASE()"_s, 0),
        2);
    db().exec(u"INSERT INTO tetel (who, tetel_nev) VALUES ('A2', 'trigger')"_s);
    EXPECT_EQ(SelectText(db(), u"SELECT ar FROM tetel WHERE who = 'A2'"_s, {}), u"0"_s);
    EXPECT_EQ(s(SelectText(db(), u"SELECT ugyfel_nev FROM vw_ugyfel WHERE ugyfel = 1"_s, {})), "Őrző Ödön");
}

TEST_F(RoundTrip, FailingDataOnlyRestoreRollsEverythingBack) {
    fill();
    BackupDatabase(db(), path(u"m.sql"_s));
    db().exec(u"UPDATE ugyfel SET ugyfel_nev = 'changed after the backup'"_s);
    db().exec(u"INSERT INTO irsz (irsz, varos) VALUES ('1000', 'x')"_s);
    const QStringList before = Checksums(db());
    // A duplicate key in the last statement of the script.
    QByteArray script = readFile(path(u"m.sql"_s));
    script.replace("/*!40101 SET SQL_MODE=@OLD_SQL_MODE */",
                   "INSERT INTO `ugyfel`(`ugyfel`) VALUES\r\n(1);\r\n/*!40101 SET SQL_MODE=@OLD_SQL_MODE */");
    writeFile(path(u"m.sql"_s), script);
    try {
        RestoreDatabase(db(), path(u"m.sql"_s));
        FAIL() << "the restore went through";
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.message().contains(u"Duplicate entry '1'"_s)) << s(e.message());
        EXPECT_TRUE(e.message().contains(u"visszavonva"_s)) << s(e.message());
    }
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n')));

    // A script with other statements runs statement by statement; what ran before the error stays.
    writeFile(path(u"mixed.sql"_s),
              "DELETE FROM irsz;\r\nCREATE TABLE tmp_x (id INT);\r\nINSERT INTO nincs VALUES (1);\r\n");
    try {
        RestoreDatabase(db(), path(u"mixed.sql"_s));
        FAIL();
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.message().contains(u"3. utasításnál"_s)) << s(e.message());
        EXPECT_TRUE(e.message().contains(u"doesn't exist"_s)) << s(e.message());
    }
    EXPECT_EQ(Count(db(), u"irsz"_s), 0);
    db().exec(u"DROP TABLE tmp_x"_s);
}

TEST_F(RoundTrip, ServerGoneInTheMiddle) {
    fill();
    const QStringList before = Checksums(db());
    Connection admin;
    admin.open(TestServerParams());
    // During a dump: the connection is killed before the third table.
    {
        Connection victim;
        victim.open(tdb->params());
        TmySQLDump writer;
        SetupBackupWriter(writer);
        int tables = 0;
        writer.OnProcess = [&](TmySQLDump&, const QString&, int) {
            if (++tables == 3) admin.exec(u"KILL CONNECTION %1"_s.arg(victim.threadId()));
        };
        try {
            BackupDatabase(victim, path(u"gone.sql"_s), {}, &writer);
            FAIL() << "the backup went through";
        } catch (const BackupError& e) {
            EXPECT_TRUE(e.message().startsWith(u"A biztonsági mentés nem készült el"_s)) << s(e.message());
        }
        EXPECT_TRUE(FilesIn(dir.path()).isEmpty()) << s(FilesIn(dir.path()).join(u','));
    }
    // During a restore: killed after the fifth statement; the data-only script is rolled back.
    BackupDatabase(db(), path(u"ok.sql"_s));
    db().exec(u"UPDATE ugyfel SET ugyfel_nev = 'after'"_s);
    const QStringList changed = Checksums(db());
    {
        Connection victim;
        victim.open(tdb->params());
        BackupProgress progress;
        progress.statement = [&](int no, int) {
            if (no == 5) admin.exec(u"KILL CONNECTION %1"_s.arg(victim.threadId()));
        };
        try {
            RestoreDatabase(victim, path(u"ok.sql"_s), progress);
            FAIL() << "the restore went through";
        } catch (const BackupError& e) {
            EXPECT_TRUE(e.message().contains(u"megszakadt"_s)) << s(e.message());
            EXPECT_TRUE(e.message().contains(u"visszavonva"_s) || e.message().contains(u"elvet"_s))
                << s(e.message());
        }
    }
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(changed.join(u'\n')));
    // Even where errors are to be ignored, a lost session ends a transaction's run: the statements after
    // it would otherwise run on a new session, outside the transaction.
    {
        Connection victim;
        victim.open(tdb->params());
        TMySQLBatchExecute ex;
        ex.Database = &victim;
        ex.DataOnlyTransaction = true;
        ex.Action = TmySQLBatchAction::baIgnore;
        ex.loadFromFile(path(u"ok.sql"_s));
        ex.OnProcess = [&](TMySQLBatchExecute&, QByteArrayView, int no) {
            if (no == 5) admin.exec(u"KILL CONNECTION %1"_s.arg(victim.threadId()));
        };
        EXPECT_THROW(ex.ExecuteBatch(), EmySQLBatchExecutorError);
    }
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(changed.join(u'\n')));
    EXPECT_NE(changed, before);
}

TEST_F(AdminDb, BadInputGivesClearMessages) {
    db().exec(u"CREATE TABLE t (id INT) ENGINE=InnoDB"_s);
    db().exec(u"INSERT INTO t VALUES (1)"_s);
    const auto restoreError = [&](const QString& file) -> std::string {
        try {
            RestoreDatabase(db(), file);
        } catch (const BackupError& e) {
            return s(e.message());
        }
        return "no error";
    };
    // Scripts that cannot be cut: nothing of them runs.
    writeFile(path(u"quote.sql"_s), "DELETE FROM t;\r\nINSERT INTO t VALUES ('1);\r\n");
    EXPECT_NE(restoreError(path(u"quote.sql"_s)).find("2. sorban nyitott ' idézőjel nincs lezárva"),
              std::string::npos);
    writeFile(path(u"delim.sql"_s), "DELETE FROM t;\rDELIMITER\rSELECT 1;\r");
    EXPECT_NE(restoreError(path(u"delim.sql"_s)).find("2. sor DELIMITER"), std::string::npos);
    EXPECT_EQ(Count(db(), u"t"_s), 1);
    EXPECT_NE(restoreError(path(u"nincs.sql"_s)).find("nem olvasható"), std::string::npos);

    // Archives: one renamed after it was made, a damaged one, one with an entry leading out of the folder.
    BackupDatabase(db(), path(u"eredeti.zip"_s));
    QFile::rename(path(u"eredeti.zip"_s), path(u"uj.zip"_s));
    const std::string renamed = restoreError(path(u"uj.zip"_s));
    EXPECT_NE(renamed.find("nincs „uj.sql” nevű SQL fájl (az archívumban: eredeti.sql)"), std::string::npos)
        << renamed;
    QFile::remove(RestoreTempDirectory() + u"/eredeti.sql"_s);
    QByteArray damaged = readFile(path(u"uj.zip"_s));
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
    writeFile(path(u"serult.zip"_s), damaged.left(damaged.size() - 30));
    EXPECT_NE(restoreError(path(u"serult.zip"_s)).find("ZIP-archívum"), std::string::npos);
    damaged = readFile(path(u"uj.zip"_s));
    // The compressed data changed, the directory intact: the entry's check sum fails on reading.
    const auto le16 = [&](qsizetype at) {
        return static_cast<uchar>(damaged[at]) | static_cast<uchar>(damaged[at + 1]) << 8;
    };
    const qsizetype dataAt = 30 + le16(26) + le16(28) + 10;
    damaged[dataAt] = static_cast<char>(damaged[dataAt] ^ 0xff);
    writeFile(path(u"uj.zip"_s), damaged);
    const std::string crc = restoreError(path(u"uj.zip"_s));
    EXPECT_TRUE(crc.find("sérült") != std::string::npos || crc.find("nem olvasható") != std::string::npos)
        << crc;
    writeFile(path(u"szemet.zip"_s), "this is no archive");
    EXPECT_NE(restoreError(path(u"szemet.zip"_s)).find("nem olvasható ZIP-archívum"), std::string::npos);
    writeFile(path(u"x.sql"_s), "SELECT 1;");
    ZipSingleFile(path(u"kifele.zip"_s), path(u"x.sql"_s), u"../kifele.sql"_s);
    EXPECT_NE(restoreError(path(u"kifele.zip"_s)).find("kívülre mutat"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(RestoreTempDirectory()).path() + u"/kifele.sql"_s));
    EXPECT_EQ(Count(db(), u"t"_s), 1);

    // A dump stopped from its progress event leaves nothing behind.
    TmySQLDump stopped;
    SetupBackupWriter(stopped);
    stopped.Database = &db();
    stopped.TableList = {u"t"_s};
    stopped.SQLFile = path(u"stop.sql"_s);
    stopped.OnProcess = [](TmySQLDump& d, const QString&, int) { d.Stop(); };
    EXPECT_THROW(stopped.DumpToFile(), EmySQLDumpError);
    EXPECT_TRUE(FilesIn(dir.path()).filter(u"stop"_s).isEmpty());

    // A target that cannot be written.
    try {
        BackupDatabase(db(), path(u"nincs-ilyen-mappa/m.sql"_s));
        FAIL();
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.message().contains(u"nem hozható létre"_s)) << s(e.message());
    }
    // An archive that cannot be written keeps its script beside it.
    QDir(dir.path()).mkdir(u"arch.zip"_s);
    try {
        BackupDatabase(db(), path(u"arch.zip"_s));
        FAIL();
    } catch (const BackupError& e) {
        EXPECT_TRUE(e.message().startsWith(u"Hiba az archiválás közben\n"_s)) << s(e.message());
    }
    EXPECT_TRUE(readFile(path(u"arch.sql"_s)).contains("DELETE FROM `t`;"));
    // An SQL file of the archive's name that stands there already is left alone.
    writeFile(path(u"mas.sql"_s), "my own file");
    BackupDatabase(db(), path(u"mas.zip"_s));
    EXPECT_EQ(readFile(path(u"mas.sql"_s)), QByteArray("my own file"));
    EXPECT_TRUE(QFileInfo::exists(path(u"mas.zip"_s)));
}

TEST_F(AdminDb, ExecutorEventsAndActions) {
    db().exec(u"CREATE TABLE t (id INT PRIMARY KEY) ENGINE=InnoDB"_s);
    TMySQLBatchExecute ex;
    EXPECT_THROW(ex.ExecuteBatch(), EmySQLBatchExecutorError);
    ex.Database = &db();
    ex.setLines({u"INSERT INTO t VALUES (1);"_s, u"INSERT INTO t VALUES (1);"_s,
                 u"INSERT INTO t VALUES (2), (3);"_s, u"SELECT * FROM t"_s});
    std::vector<std::string> log;
    ex.OnAfterStatement = [&](TMySQLBatchExecute&, QByteArrayView, int no, qint64 rows, bool ok) {
        log.push_back(std::to_string(no) + ":" + std::to_string(rows) + (ok ? "ok" : "failed"));
    };
    try {
        ex.ExecuteBatch();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().endsWith(u". "_s)) << s(e.message());
        EXPECT_EQ(e.code(), 1062);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"1:1ok"}));

    for (const auto action :
         {TmySQLBatchAction::baIgnore, TmySQLBatchAction::baContinue, TmySQLBatchAction::baAbort}) {
        db().exec(u"DELETE FROM t"_s);
        log.clear();
        ex.Action = action;
        int shown = 0;
        ex.ShowError = [&](const SonoriaError&) { ++shown; };
        ex.ExecuteBatch();
        if (action == TmySQLBatchAction::baAbort) {
            EXPECT_EQ(log, (std::vector<std::string>{"1:1ok"}));
        } else {
            EXPECT_EQ(log, (std::vector<std::string>{"1:1ok", "2:0failed", "3:2ok", "4:0ok"}));
            EXPECT_EQ(ex.rowsAffected(), 3);
        }
        EXPECT_EQ(shown, action == TmySQLBatchAction::baContinue ? 1 : 0);
    }
    // Handlers: skipping a statement, handling it oneself, changing the action.
    db().exec(u"DELETE FROM t"_s);
    log.clear();
    ex.Action = TmySQLBatchAction::baFail;
    std::vector<std::pair<int, TmySQLStatementType>> seen;
    ex.OnBeforeStatement = [](TMySQLBatchExecute&, QByteArrayView, int no, bool& allow) { allow = no != 3; };
    ex.OnProcessEx = [&](TMySQLBatchExecute&, QByteArrayView, TmySQLStatementType type, int no,
                         bool& processed) {
        seen.emplace_back(no, type);
        processed = no == 4;
    };
    ex.OnBatchErrorEx = [](TMySQLBatchExecute&, const DbError&, QByteArrayView, int, TmySQLBatchAction& a) {
        a = TmySQLBatchAction::baIgnore;
    };
    ex.ExecuteBatch();
    EXPECT_EQ(log, (std::vector<std::string>{"1:1ok", "2:0failed", "4:0ok"}));
    EXPECT_EQ(seen, (std::vector<std::pair<int, TmySQLStatementType>>{{1, TmySQLStatementType::mstNonCursor},
                                                                      {2, TmySQLStatementType::mstNonCursor},
                                                                      {4, TmySQLStatementType::mstCursor}}));
    EXPECT_EQ(Count(db(), u"t"_s), 1);
}

TEST_F(RoundTrip, FullBackupWithTheServerDumpTool) {
    fill();
    const QString tool = QStandardPaths::findExecutable(u"mariadb-dump"_s);
    ASSERT_FALSE(tool.isEmpty());
    const ConnectionParams p = tdb->params();
    const ServerDumpResult ok = RunServerDump(tool, p, path(u"teljes.sql"_s));
    ASSERT_TRUE(ok.ok) << s(ok.errorText);
    const QByteArray file = readFile(path(u"teljes.sql"_s));
    EXPECT_TRUE(file.contains("CREATE DATABASE /*!32312 IF NOT EXISTS*/ `" + p.database.toLatin1() + '`'));
    EXPECT_TRUE(file.contains("PROCEDURE `sp_ujmunkalap`"));
    EXPECT_TRUE(file.contains("INSERT INTO `munkalap_tetel` (`munkalap_tetel`"));
    EXPECT_EQ(s(FilesIn(dir.path()).join(u',')), "teljes.sql");

    ConnectionParams wrong = p;
    wrong.password = u"rossz"_s;
    const ServerDumpResult denied = RunServerDump(tool, wrong, path(u"rossz.sql"_s));
    EXPECT_FALSE(denied.ok);
    EXPECT_TRUE(denied.errorText.contains(u"Access denied"_s)) << s(denied.errorText);
    const ServerDumpResult missing = RunServerDump(u"/nincs/mysqldump"_s, p, path(u"nincs.sql"_s));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.errorText.contains(u"nem indítható"_s)) << s(missing.errorText);
    EXPECT_EQ(s(FilesIn(dir.path()).join(u',')), "teljes.sql");
}

// ---------------------------------------------------------------------------------------------
// Restores that succeed whole or change nothing

namespace {
bool OwnerOnly(const QString& file) {
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    return QFileInfo::exists(file) && !(QFile::permissions(file) & others);
}

// The message of a refused restore, or "no error".
std::string RestoreRefusal(Connection& db, const QString& file) {
    try {
        RestoreDatabase(db, file);
    } catch (const BackupError& e) {
        return s(e.message());
    }
    return "no error";
}
} // namespace

TEST_F(RoundTrip, DamagedOrEmptyFilesAreRefusedAndChangeNothing) {
    fill();
    BackupDatabase(db(), path(u"jo.sql"_s));
    BackupDatabase(db(), path(u"jo.zip"_s));
    EXPECT_TRUE(OwnerOnly(path(u"jo.sql"_s)) && OwnerOnly(path(u"jo.zip"_s)));
    db().exec(u"UPDATE ugyfel SET ugyfel_nev = 'after the backup'"_s);
    const QStringList before = Checksums(db());
    const QByteArray good = readFile(path(u"jo.sql"_s));

    // Cut right after a statement of the munkalap_tetel rows.
    const qsizetype at = good.indexOf("INSERT INTO `munkalap_tetel`");
    const QByteArray cut = good.left(good.indexOf(";\r\n", at) + 3);
    // Complete to its last line, but one group of rows is missing.
    QByteArray missingRows = good;
    const qsizetype second = good.indexOf("INSERT INTO `munkalap_tetel`", at + 1);
    missingRows.remove(at, second - at);
    // The same file as an archive.
    writeFile(path(u"hiany.sql"_s), cut);
    ZipSingleFile(path(u"hiany.zip"_s), path(u"hiany.sql"_s), u"hiany.sql"_s);

    const struct {
        const char* name;
        QByteArray content;
        const char* message;
    } cases[] = {
        {"ures.sql", "", "nincs futtatható utasítás (üres"},
        {"szokoz.sql", " \r\n\r\n\t", "nincs futtatható utasítás (üres"},
        {"megjegyzes.sql", "-- csak megjegyzés\r\n# ez is\r\n", "csak megjegyzést"},
        {"nyitott.sql", "-- fejléc\r\n/* DELETE FROM ugyfel;\r\nDELETE FROM munkalap;\r\n",
         "2. sorban nyitott /* megjegyzés nincs lezárva"},
        {"hiany.sql", cut, "mentés hiányos: hiányzik a vége"},
        {"sorok.sql", missingRows, "munkalap_tetel: 2500 sor helyett 2400"},
        {"ket-db.sql", "USE `a`;\r\nDELETE FROM ugyfel;\r\nUSE `b`;\r\n", "több adatbázisba is írna (a, b)"},
    };
    for (const auto& c : cases) {
        writeFile(path(QString::fromLatin1(c.name)), c.content);
        const std::string message = RestoreRefusal(db(), path(QString::fromLatin1(c.name)));
        EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
        EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n'))) << c.name;
    }
    EXPECT_NE(RestoreRefusal(db(), path(u"hiany.zip"_s)).find("hiányzik a vége"), std::string::npos);
    EXPECT_TRUE(FilesIn(RestoreTempDirectory()).isEmpty() &&
                QDir(RestoreTempDirectory()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty())
        << "the unpacked script is gone";
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n')));

    // The complete files load.
    RestoreDatabase(db(), path(u"jo.zip"_s));
    EXPECT_EQ(SelectText(db(), u"SELECT ugyfel_nev FROM ugyfel WHERE ugyfel = 1"_s, {}), u"Őrző Ödön"_s);
}

TEST_F(RoundTrip, FullBackupOfTheServerToolLoadsIntoTheProfilesDatabaseOnly) {
    fill();
    const QStringList original = Checksums(db());
    const QString tool = QStandardPaths::findExecutable(u"mariadb-dump"_s);
    ASSERT_TRUE(RunServerDump(tool, tdb->params(), path(u"teljes.sql"_s)).ok);
    ASSERT_TRUE(readFile(path(u"teljes.sql"_s)).contains("USE `" + tdb->name().toLatin1() + "`;"));
    db().exec(u"UPDATE ugyfel SET ugyfel_nev = 'md changed after the backup'"_s);
    const QStringList changed = Checksums(db());

    // Another profile's database ("md3") on the same server.
    ConnectionParams md3 = tdb->params();
    md3.database = tdb->name() + u"_md3"_s;
    db().exec(u"DROP DATABASE IF EXISTS `"_s + md3.database + u'`');
    db().exec(u"CREATE DATABASE `"_s + md3.database +
              u"` CHARACTER SET latin2 COLLATE latin2_hungarian_ci"_s);
    {
        Connection other;
        other.open(md3);
        RestoreDatabase(other, path(u"teljes.sql"_s));
        EXPECT_EQ(s(Checksums(other).join(u'\n').replace(md3.database + u'.', tdb->name() + u'.')),
                  s(original.join(u'\n')));
        EXPECT_EQ(s(SelectText(other, u"SELECT DATABASE()"_s, {})), s(md3.database));
    }
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(changed.join(u'\n')))
        << "the file's own database is untouched";
    db().exec(u"DROP DATABASE `"_s + md3.database + u'`');
}

TEST_F(RoundTrip, SpaceInATableNameAndRowsOfALaxSqlMode) {
    db().exec(u"SET SESSION sql_mode = ''"_s);
    db().exec(u"CREATE TABLE `sp ace` (id INT AUTO_INCREMENT PRIMARY KEY, d DATE NOT NULL, "
              u"s VARCHAR(5)) ENGINE=InnoDB"_s);
    db().exec(u"SET SESSION sql_mode = 'NO_AUTO_VALUE_ON_ZERO'"_s);
    db().exec(u"INSERT INTO `sp ace` VALUES (0, '0000-00-00', 'nulla'), (5, '2024-02-30', 'öt')"_s);
    db().exec(u"SET SESSION sql_mode = DEFAULT"_s);
    const QStringList before = Checksums(db());
    ASSERT_EQ(SelectText(db(), u"SELECT GROUP_CONCAT(id, ' ', d ORDER BY id) FROM `sp ace`"_s, {}),
              u"0 0000-00-00,5 0000-00-00"_s);
    BackupDatabase(db(), path(u"lax.sql"_s));
    Wipe(db());
    db().exec(u"INSERT INTO `sp ace` (d) VALUES ('2024-01-01')"_s);

    const QString strict = u"STRICT_ALL_TABLES,NO_ZERO_DATE,NO_ZERO_IN_DATE,ERROR_FOR_DIVISION_BY_ZERO"_s;
    db().exec(u"SET SESSION sql_mode = '"_s + strict + u'\'');
    const QString mode = SelectText(db(), u"SELECT @@SESSION.sql_mode"_s, {});
    RestoreDatabase(db(), path(u"lax.sql"_s));
    EXPECT_EQ(s(Checksums(db()).join(u'\n')), s(before.join(u'\n')));
    EXPECT_EQ(s(SelectText(db(), u"SELECT @@SESSION.sql_mode"_s, {})), s(mode)) << "the session is as before";
    db().exec(u"SET SESSION sql_mode = DEFAULT"_s);
}
