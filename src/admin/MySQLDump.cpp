#include "MySQLDump.h"

#include "ReconnectGuard.h"

#include "core/Codec.h"
#include "core/PrivateFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <array>

using namespace Qt::StringLiterals;

namespace {
const QByteArray CrLf = "\r\n";

QByteArray latin2(const QString& text) {
    return EncodeOrThrow(Codec::latin2(), text);
}

enum class ValueKind { Bare, Quoted, Escaped };

ValueKind kindOf(const Column& c) {
    if (c.flags & 16 /* BLOB_FLAG */) return ValueKind::Escaped;
    switch (c.type) {
    case ColumnType::Integer:
    case ColumnType::BigInt:
    case ColumnType::Double:
    case ColumnType::Decimal:
        return ValueKind::Bare;
    case ColumnType::Date:
    case ColumnType::Time:
    case ColumnType::DateTime:
        return ValueKind::Quoted;
    default:
        return ValueKind::Escaped;
    }
}

QString headerTime(const QDateTime& t) {
    const QLocale hu(QLocale::Hungarian, QLocale::Hungary);
    const QString text =
        hu.toString(t.date(), QLocale::ShortFormat) + u' ' + hu.toString(t.time(), QLocale::LongFormat);
    return Codec::latin2().canEncode(text) ? text : t.toString(u"yyyy.MM.dd HH:mm:ss"_s);
}
} // namespace

void AppendEscapedSql(QByteArray& out, QByteArrayView value) {
    // The escape letter of each byte that takes a backslash, 0 for the bytes written as they are.
    static constexpr auto Escapes = [] {
        std::array<char, 256> e{};
        e[0] = '0';
        e['\t'] = 't';
        e['\n'] = 'n';
        e['\r'] = 'r';
        e['"'] = '"';
        e['\''] = '\'';
        e['\\'] = '\\';
        return e;
    }();
    const char* p = value.data();
    const char* const end = p + value.size();
    while (p < end) {
        const char* run = p;
        while (p < end && !Escapes[static_cast<unsigned char>(*p)])
            ++p;
        out.append(run, p - run);
        if (p == end) break;
        const char escaped[2] = {'\\', Escapes[static_cast<unsigned char>(*p)]};
        out.append(escaped, 2);
        ++p;
    }
}

// The target file, written through a buffer under a temporary name and put in place by commit().
class TmySQLDump::Writer {
public:
    explicit Writer(const QString& path, bool append) : m_file(path) {
        if (!m_file.open(QIODevice::WriteOnly))
            throw FileError(u"A(z) „%1” fájl nem hozható létre: %2"_s.arg(path, m_file.errorString()));
        MakeOwnerOnly(m_file);
        if (append && QFileInfo::exists(path)) {
            QFile old(path);
            if (!old.open(QIODevice::ReadOnly))
                throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(path, old.errorString()));
            while (!old.atEnd()) {
                const QByteArray chunk = old.read(1 << 20);
                if (chunk.isEmpty() && old.error() != QFileDevice::NoError)
                    throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(path, old.errorString()));
                write(chunk);
            }
        }
        m_buffer.reserve(BufferSize + (1 << 16));
    }
    void write(QByteArrayView bytes) {
        m_buffer.append(bytes);
        if (m_buffer.size() >= BufferSize) flush();
    }
    void line(QByteArrayView bytes = {}) {
        m_buffer.append(bytes);
        m_buffer.append(CrLf);
        if (m_buffer.size() >= BufferSize) flush();
    }
    void flush() {
        if (m_buffer.isEmpty()) return;
        if (m_file.write(m_buffer) != m_buffer.size())
            throw FileError(u"A(z) „%1” fájl nem írható: %2"_s.arg(m_file.fileName(), m_file.errorString()));
        m_buffer.resize(0); // keeps its memory for the next round
    }
    void commit() {
        flush();
        if (!m_file.commit())
            throw FileError(u"A(z) „%1” fájl nem írható: %2"_s.arg(m_file.fileName(), m_file.errorString()));
    }

private:
    static constexpr qsizetype BufferSize = 1 << 18;
    QSaveFile m_file;
    QByteArray m_buffer;
};

QByteArray TmySQLDump::quoteName(const QString& name) const {
    QByteArray n = latin2(name);
    if (Database && Database->serverVersionNumber() >= 32307) return '`' + n.replace('`', "``") + '`';
    return n;
}

void TmySQLDump::pumpEvents() {
    if (ProcessEvents && QCoreApplication::instance()) QCoreApplication::processEvents();
}

void TmySQLDump::checkStop() {
    if (m_stop) throw EmySQLDumpError(u"A mentés megszakítva; a fájl nem készült el."_s);
}

bool TmySQLDump::allInnoDb() {
    if (TableList.isEmpty()) return false;
    const ResultSet rs = Database->query(
        u"SELECT TABLE_NAME, ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE()"_s);
    QHash<QString, QString> engines;
    for (qsizetype r = 0; r < rs.rowCount(); ++r)
        engines.insert(rs.value(r, 0).text(), rs.value(r, 1).text());
    for (const QString& t : TableList)
        if (engines.value(t).compare(u"InnoDB"_s, Qt::CaseInsensitive) != 0) return false;
    return true;
}

bool TmySQLDump::DumpToFile() {
    if (!Database) throw EmySQLDumpError(u"(%1) property Database is not set!"_s.arg(Name));
    m_stop = false;
    m_snapshot = false;
    if (!Database->isOpen()) Database->open(Database->params());
    const QString database = Database->params().database;
    const QString path = SQLFile.isEmpty() ? database + u".sql"_s : SQLFile;
    Writer out(path, !RewriteFile);
    const QByteArray delimiter = latin2(Delimiter);
    const QByteArray comment = latin2(LineComment);

    if (IncludeHeader) {
        out.line(comment + latin2(u"  MySQL Database Dump (Sonoria) %1"_s.arg(DumpFormatVersion)));
        out.line(comment + latin2(u"  Host: %1    Database: %2"_s.arg(Database->params().host, database)));
        out.line(comment + latin2(u"  Server version %1"_s.arg(Database->serverVersion())));
        out.line(comment);
        const QDateTime when = DumpTime.isValid() ? DumpTime : QDateTime::currentDateTime();
        out.line(comment + latin2(u"  Dump database %1 on %2"_s.arg(database, headerTime(when))));
        out.line(comment);
        out.line();
    }
    // The file's bytes are latin2: a client that starts in another character set (the mariadb client
    // starts in utf8mb4) switches to it before the first text.
    out.line("/*!40101 SET NAMES latin2 COLLATE latin2_hungarian_ci */" + delimiter);
    // Rows that a server with a lax SQL mode accepted (a zero date, a zero in an auto-increment key) load
    // on a strict one too.
    out.line("/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='" + latin2(DumpSqlMode) + "' */" + delimiter);
    out.line();
    if (UseCreateDb) {
        out.line("CREATE DATABASE /*!32312 IF NOT EXISTS*/ " + quoteName(database) + delimiter);
        out.line("USE " + quoteName(database) + delimiter);
        out.line();
    }

    // Locks and snapshots belong to the session: a silent reconnect in the middle would lose them.
    ReconnectGuard guard(*Database, u"A kapcsolat a kiszolgálóval megszakadt a mentés közben."_s);
    // With InnoDB tables only, one consistent snapshot covers all of them and nobody is locked out.
    m_snapshot = allInnoDb();
    if (m_snapshot) {
        Database->exec(u"SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"_s);
        Database->exec(u"START TRANSACTION WITH CONSISTENT SNAPSHOT"_s);
    }
    try {
        const qsizetype count = TableList.size();
        for (qsizetype i = 0; i < count; ++i) {
            const QString& table = TableList[i];
            if (!m_snapshot)
                Database->exec(u"LOCK TABLES %1 READ"_s.arg(Codec::latin2().decode(quoteName(table))));
            try {
                if (OnProcess) OnProcess(*this, table, static_cast<int>((i + 1) * 100 / count));
                pumpEvents();
                checkStop();
                dumpTable(out, table);
            } catch (...) {
                if (!m_snapshot) {
                    try {
                        Database->exec(u"UNLOCK TABLES"_s);
                    } catch (const DbError&) {
                    }
                }
                throw;
            }
            if (!m_snapshot) Database->exec(u"UNLOCK TABLES"_s);
        }
    } catch (...) {
        if (m_snapshot) {
            try {
                Database->exec(u"ROLLBACK"_s);
            } catch (const DbError&) {
            }
        }
        throw;
    }
    if (m_snapshot) Database->exec(u"COMMIT"_s);
    out.line("/*!40101 SET SQL_MODE=@OLD_SQL_MODE */" + delimiter);
    out.line();
    // The last line: a file that lacks it was cut short.
    out.line(comment + latin2(DumpClosingText));
    out.commit();
    return true;
}

void TmySQLDump::dumpTable(Writer& out, const QString& table) {
    if (DumpOption == TDumpOption::dStructure || DumpOption == TDumpOption::dAll)
        structureSection(out, table);
    if (DumpOption == TDumpOption::dData || DumpOption == TDumpOption::dAll) dataSection(out, table);
}

void TmySQLDump::structureSection(Writer& out, const QString& table) {
    const QByteArray quoted = quoteName(table);
    const ResultSet rs = Database->query(u"SHOW CREATE TABLE "_s + Codec::latin2().decode(quoted));
    if (rs.rowCount() < 1 || rs.columnCount() < 2)
        throw EmySQLDumpError(u"A(z) %1 tábla szerkezete nem olvasható."_s.arg(table));
    const QByteArray comment = latin2(LineComment), delimiter = latin2(Delimiter);
    out.line(comment);
    out.line(comment + "  Table structure for table \"" + latin2(table) + '"');
    out.line(comment);
    if (DropObject) {
        out.line("DROP TABLE IF EXISTS " + quoted + delimiter);
        out.line();
    }
    out.write(rs.rawBytes(0, 1));
    out.line(delimiter);
    out.line();
}

void TmySQLDump::dataSection(Writer& out, const QString& table) {
    const QByteArray quoted = quoteName(table);
    const QString quotedText = Codec::latin2().decode(quoted);
    const QByteArray comment = latin2(LineComment), delimiter = latin2(Delimiter);
    const qint64 rowCount =
        Database->query(u"SELECT Count(*) FROM %1%2"_s.arg(quotedText, Delimiter)).value(0, 0).toInt64();
    const qint64 limit = Limit > 0 ? Limit : 1024;
    const qint64 pages = rowCount / limit + 1;

    if (DisableKeys) out.line("/*!40000 ALTER TABLE " + quoted + " DISABLE KEYS */" + delimiter);
    out.line(comment);
    out.line(comment + "  Table data for table \"" + latin2(table) + "\". Record count - " +
             QByteArray::number(rowCount) + ' ');
    out.line(comment);
    if (AddLocks) out.line("LOCK TABLES " + quoted + " WRITE" + delimiter);
    // Also for a table without rows, so that running the file leaves every table as it was dumped.
    out.line("DELETE FROM " + quoted + delimiter);

    if (rowCount > 0) {
        StreamingResult rows = Database->stream(u"SELECT * FROM "_s + quotedText);
        const int columns = rows.columnCount();
        std::vector<ValueKind> kinds;
        QByteArray head = UseReplaceStmt ? "REPLACE INTO " : "INSERT INTO ";
        head += quoted;
        if (CompleteInsert) {
            head += '(';
            for (int c = 0; c < columns; ++c) {
                if (c) head += ", ";
                head += quoteName(rows.columns()[c].name);
            }
            head += ')';
        }
        head += " VALUES";
        for (int c = 0; c < columns; ++c)
            kinds.push_back(kindOf(rows.columns()[c]));

        const int perStatement = ExtInsertsCount > 0 ? ExtInsertsCount : 1;
        QByteArray row;
        qint64 written = 0, pagesReported = 0;
        int inStatement = 0;
        qsizetype statementBytes = 0;
        const auto report = [&] {
            ++pagesReported;
            if (OnDataProcess) OnDataProcess(*this, static_cast<int>(written * 100 / rowCount));
            pumpEvents();
            checkStop();
        };
        while (rows.next()) {
            row.resize(0); // keeps its memory for the next row
            row += '(';
            for (int c = 0; c < columns; ++c) {
                if (c) row += ',';
                if (rows.isNull(c)) {
                    row += "NULL";
                    continue;
                }
                const QByteArrayView v = rows.rawBytes(c);
                switch (kinds[c]) {
                case ValueKind::Bare:
                    row += v;
                    break;
                case ValueKind::Quoted:
                    row += '\'';
                    row += v;
                    row += '\'';
                    break;
                case ValueKind::Escaped:
                    row += '\'';
                    AppendEscapedSql(row, v);
                    row += '\'';
                    break;
                }
            }
            row += ')';
            if (ExtInsert) {
                if (inStatement > 0 &&
                    (inStatement >= perStatement ||
                     statementBytes + 3 + row.size() + delimiter.size() > MaxStatementBytes)) {
                    out.line(delimiter);
                    inStatement = 0;
                }
                if (inStatement == 0) {
                    out.write(head);
                    statementBytes = head.size();
                } else {
                    out.write(",");
                    ++statementBytes;
                }
                out.write(CrLf);
                out.write(row);
                statementBytes += 2 + row.size();
                ++inStatement;
            } else {
                out.write(head);
                out.write(" ");
                out.write(row);
                out.line(delimiter);
            }
            ++written;
            if (written % limit == 0) report();
        }
        if (ExtInsert && inStatement > 0) out.line(delimiter);
        while (pagesReported < pages)
            report();
    }
    out.line();
    if (DisableKeys) out.line("/*!40000 ALTER TABLE " + quoted + " ENABLE KEYS */" + delimiter);
    out.line();
    if (AddLocks) out.line("UNLOCK TABLES" + delimiter);
    out.line();
}
