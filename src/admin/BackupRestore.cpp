#include "BackupRestore.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "core/PrivateFile.h"
#include "core/SqlText.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>

#include <zip.h>

using namespace Qt::StringLiterals;

namespace {
QString zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

// A name beside the target that no finished file has: the file is written there and renamed at the end.
QString partName(const QString& target) {
    const QFileInfo fi(target);
    return fi.absolutePath() + u"/."_s + fi.fileName() +
           u".%1.part"_s.arg(static_cast<qulonglong>(QRandomGenerator::global()->generate()), 8, 16,
                             QChar(u'0'));
}

// Puts a finished file in place, replacing an older one in one step.
bool renameOver(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Removes the file when the scope ends, unless it was kept.
struct RemoveLater {
    QString path;
    ~RemoveLater() {
        if (!path.isEmpty()) QFile::remove(path);
    }
};

// Deflate level of the backup archives. The file is compressed after it is written; at the highest
// level that takes three times as long as writing it, for an archive hardly smaller than at the usual 6.
constexpr int ZipLevel = 6;

QString sqlNameOf(const QFileInfo& fi) {
    return fi.completeBaseName() + u".sql"_s;
}
} // namespace

QString ProposedBackupName(const QString& database, const QDateTime& now) {
    return database + u'-' + now.toString(u"yyyy-MM-dd-HH-mm-ss"_s) + u".sql"_s;
}

void SetupBackupWriter(TmySQLDump& dump) {
    dump.DumpOption = TDumpOption::dData;
    dump.UseCreateDb = false;
    dump.Delimiter = u";"_s;
    dump.ExtInsert = true;
    dump.AddLocks = false;
    dump.LineComment = u"-- "_s;
    dump.CompleteInsert = true;
}

QStringList BaseTables(Connection& db) {
    const ResultSet rs = db.query(u"SHOW FULL TABLES WHERE Table_type = 'BASE TABLE'"_s);
    QStringList tables;
    for (qsizetype r = 0; r < rs.rowCount(); ++r)
        tables << rs.value(r, 0).text();
    return tables;
}

QString RestoreQuestion(const QString& host, const QString& database) {
    return u"Az adatok betöltés előtt az eredeti adatok törlésre kerülnek.\nBiztosan folytatod a "_s + host +
           u": "_s + database + u" adatbázis felülírását?"_s;
}

QString RestoreTempDirectory() {
    Config(); // fixes the configuration folder when nobody has yet
    return ConfigDirectory() + u"/Temp"_s;
}

void BackupDatabase(Connection& db, const QString& file, const BackupProgress& progress, TmySQLDump* writer) {
    const QFileInfo fi(file);
    const bool zip = fi.suffix().toLower() == u"zip"_s;
    const QString sqlPath = fi.absolutePath() + u'/' + sqlNameOf(fi);

    TmySQLDump own;
    TmySQLDump& dump = writer ? *writer : own;
    if (!writer) SetupBackupWriter(dump);
    dump.Database = &db;
    // An archive's script is written under a name of its own, so an SQL file of the same name that
    // already stands in the folder is left alone.
    RemoveLater temporary;
    if (zip) temporary.path = partName(sqlPath);
    dump.SQLFile = zip ? temporary.path : sqlPath;
    if (progress.table) dump.OnProcess = [&](TmySQLDump&, const QString& t, int p) { progress.table(t, p); };
    try {
        dump.TableList = BaseTables(db);
        dump.DumpToFile();
    } catch (const SonoriaError& e) {
        throw BackupError(u"A biztonsági mentés nem készült el: %1"_s.arg(e.message()), e.code());
    }
    if (!zip) return;

    if (progress.stage) progress.stage(u"Tömörítés"_s);
    try {
        ZipSingleFile(fi.absoluteFilePath(), temporary.path, sqlNameOf(fi));
    } catch (const BackupError& e) {
        QString message = u"Hiba az archiválás közben\n"_s + e.message();
        if (!QFileInfo::exists(sqlPath) && renameOver(temporary.path, sqlPath)) {
            temporary.path.clear();
            message += u"\nAz SQL mentés megmaradt: %1"_s.arg(QDir::toNativeSeparators(sqlPath));
        }
        throw BackupError(message);
    }
}

void ZipSingleFile(const QString& archive, const QString& file, const QString& entryName) {
    // libzip writes the archive under a temporary name and renames it when it is complete; that happens
    // in a folder of the owner's alone, so that nobody else can open the archive while it fills.
    const QFileInfo target(archive);
    QTemporaryDir privateDir(target.absolutePath() + u"/.zip-XXXXXX"_s);
    if (!privateDir.isValid())
        throw BackupError(
            u"A(z) „%1” archívum nem hozható létre: %2"_s.arg(archive, privateDir.errorString()));
    const QString building = privateDir.filePath(target.fileName());
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(building).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!za)
        throw BackupError(u"A(z) „%1” archívum nem hozható létre: %2"_s.arg(archive, zipErrorText(code)));
    const auto fail = [&](const QString& text) {
        zip_discard(za);
        throw BackupError(u"A(z) „%1” archívum nem írható: %2"_s.arg(archive, text));
    };
    zip_source_t* source = zip_source_file(za, QFile::encodeName(file).constData(), 0, 0);
    if (!source) fail(QString::fromUtf8(zip_strerror(za)));
    const zip_int64_t index = zip_file_add(za, entryName.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        fail(QString::fromUtf8(zip_strerror(za)));
    }
    if (zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, ZipLevel) != 0)
        fail(QString::fromUtf8(zip_strerror(za)));
    if (zip_close(za) != 0) fail(QString::fromUtf8(zip_strerror(za)));
    if (!QFile::setPermissions(building, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !renameOver(building, target.absoluteFilePath()))
        throw BackupError(u"A(z) „%1” archívum nem hozható létre."_s.arg(archive));
}

QStringList UnzipAll(const QString& archive, const QString& folder) {
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!za)
        throw BackupError(u"A(z) „%1” nem olvasható ZIP-archívum: %2"_s.arg(archive, zipErrorText(code)));
    struct Closer {
        zip_t* za;
        ~Closer() { zip_discard(za); }
    } closer{za};
    const QDir base(folder);
    QStringList extracted;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (!raw)
            throw BackupError(
                u"A(z) „%1” archívum hibás: %2"_s.arg(archive, QString::fromUtf8(zip_strerror(za))));
        const QString name = QString::fromUtf8(raw);
        const QString clean = QDir::cleanPath(name);
        if (name.isEmpty() || QDir::isAbsolutePath(name) || clean == u".."_s || clean.startsWith(u"../"_s) ||
            name.contains(u'\\'))
            throw BackupError(u"A(z) „%1” archívum „%2” bejegyzése a kibontás mappáján kívülre mutat; az "
                              u"archívum nem bontható ki."_s.arg(archive, name));
        const QString target = base.filePath(clean);
        if (name.endsWith(u'/')) {
            base.mkpath(clean);
            continue;
        }
        if (!QFileInfo(target).dir().exists() && !base.mkpath(QFileInfo(clean).path()))
            throw BackupError(u"A(z) „%1” mappa nem hozható létre."_s.arg(QFileInfo(target).path()));
        zip_file_t* entry = zip_fopen_index(za, static_cast<zip_uint64_t>(i), 0);
        if (!entry)
            throw BackupError(u"A(z) „%1” archívum „%2” bejegyzése nem olvasható: %3"_s.arg(
                archive, name, QString::fromUtf8(zip_strerror(za))));
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly)) {
            zip_fclose(entry);
            throw BackupError(u"A(z) „%1” fájl nem hozható létre: %2"_s.arg(target, out.errorString()));
        }
        MakeOwnerOnly(out);
        QByteArray buffer(1 << 16, Qt::Uninitialized);
        for (;;) {
            const zip_int64_t n = zip_fread(entry, buffer.data(), static_cast<zip_uint64_t>(buffer.size()));
            if (n < 0) {
                const QString text = QString::fromUtf8(zip_file_strerror(entry));
                zip_fclose(entry);
                throw BackupError(
                    u"A(z) „%1” archívum „%2” bejegyzése sérült: %3"_s.arg(archive, name, text));
            }
            if (n == 0) break;
            if (out.write(buffer.constData(), n) != n) {
                zip_fclose(entry);
                throw BackupError(u"A(z) „%1” fájl nem írható: %2"_s.arg(target, out.errorString()));
            }
        }
        zip_fclose(entry);
        if (!out.commit())
            throw BackupError(u"A(z) „%1” fájl nem írható: %2"_s.arg(target, out.errorString()));
        extracted << target;
    }
    return extracted;
}

namespace {
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The words and names of a statement's beginning, with comments dropped and the markers of conditional
// comments ("/*!40000", "*/") taken away so that their content counts: "CREATE DATABASE /*!32312 IF
// NOT EXISTS*/ `md`" gives CREATE, DATABASE, IF, NOT, EXISTS, md. At most `count` tokens.
QList<QByteArray> leadingTokens(QByteArrayView s, int count) {
    QList<QByteArray> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && tokens.size() < count) {
        const char c = s[i];
        if (isSpace(c) || c == ';') {
            ++i;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            if (i + 2 < n && s[i + 2] == '!') {
                i += 3;
                while (i < n && s[i] >= '0' && s[i] <= '9')
                    ++i;
            } else {
                const qsizetype close = s.indexOf("*/", i + 2);
                i = close < 0 ? n : close + 2;
            }
        } else if (c == '*' && i + 1 < n && s[i + 1] == '/') {
            i += 2;
        } else if (c == '`') {
            QByteArray name;
            ++i;
            while (i < n) {
                if (s[i] == '`') {
                    if (i + 1 < n && s[i + 1] == '`') {
                        name += '`';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += s[i++];
            }
            tokens << name;
        } else {
            const qsizetype b = i;
            while (i < n && !isSpace(s[i]) && s[i] != ';' && s[i] != '`' && s[i] != '/' && s[i] != '*')
                ++i;
            if (i == b) ++i;
            tokens << s.sliced(b, i - b).toByteArray();
        }
    }
    return tokens;
}

// The database a statement selects, creates or drops (USE, CREATE/DROP DATABASE or SCHEMA), or null.
std::optional<QByteArray> selectedDatabase(QByteArrayView sql) {
    const QList<QByteArray> t = leadingTokens(sql, 6);
    if (t.isEmpty()) return std::nullopt;
    const auto is = [&](int i, const char* word) { return i < t.size() && t[i].toUpper() == word; };
    if (is(0, "USE") && t.size() > 1) return t[1];
    if ((is(0, "CREATE") || is(0, "DROP")) && (is(1, "DATABASE") || is(1, "SCHEMA"))) {
        int at = 2;
        if (is(at, "IF")) at += is(at + 1, "NOT") ? 3 : 2;
        if (at < t.size()) return t[at];
    }
    return std::nullopt;
}

// "-- ... Table data for table "name". Record count - N": the writer's count of a table's rows.
std::optional<std::pair<QByteArray, qint64>> recordCount(QByteArrayView comment) {
    static constexpr QByteArrayView head = "  Table data for table \"";
    const qsizetype at = comment.indexOf(head);
    if (at < 0) return std::nullopt;
    static constexpr QByteArrayView tail = "\". Record count - ";
    const qsizetype end = comment.lastIndexOf(tail);
    if (end < at + head.size()) return std::nullopt;
    bool ok = false;
    const qint64 count = comment.sliced(end + tail.size()).trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    return std::pair{comment.sliced(at + head.size(), end - at - head.size()).toByteArray(), count};
}

// The table an INSERT or REPLACE writes into.
std::optional<QByteArray> insertTarget(QByteArrayView sql) {
    const QList<QByteArray> t = leadingTokens(sql, 3);
    if (t.size() < 3) return std::nullopt;
    const QByteArray verb = t[0].toUpper();
    if ((verb != "INSERT" && verb != "REPLACE") || t[1].toUpper() != "INTO") return std::nullopt;
    QByteArray name = t[2];
    const qsizetype paren = name.indexOf('(');
    if (paren >= 0) name.truncate(paren);
    return name;
}

// What the first line of the writer's files says: its line comment and format version.
struct WriterHeader {
    QByteArray lineComment;
    int major = 0, minor = 0;
};

std::optional<WriterHeader> writerHeader(QFile& f) {
    const QByteArray first = f.readLine(4096);
    static constexpr QByteArrayView mark = "  MySQL Database Dump (Sonoria) ";
    const qsizetype at = first.indexOf(mark);
    if (at < 0) return std::nullopt;
    WriterHeader h;
    h.lineComment = first.left(at);
    const QList<QByteArray> version = first.sliced(at + mark.size()).trimmed().split('.');
    h.major = version.value(0).toInt();
    h.minor = version.value(1).toInt();
    return h;
}

// The file's last line that is not empty (up to 4 KiB of it).
QByteArray lastLine(QFile& f) {
    const qint64 size = f.size();
    const qint64 from = std::max<qint64>(0, size - 4096);
    if (!f.seek(from)) return {};
    QByteArray tail = f.read(size - from);
    while (!tail.isEmpty() && isSpace(tail.back()))
        tail.chop(1);
    return tail.sliced(tail.lastIndexOf('\n') + 1);
}

QString plain(const QByteArray& latin2Name) {
    return Codec::latin2().decode(latin2Name);
}
} // namespace

void RestoreDatabase(Connection& db, const QString& file, const BackupProgress& progress) {
    const QFileInfo fi(file);
    TMySQLBatchExecute executor;
    executor.Database = &db;
    executor.Delimiter = u";"_s;
    executor.Action = TmySQLBatchAction::baFail;
    executor.DataOnlyTransaction = true;
    executor.RefuseEmptyScript = true;

    // An archive is unpacked into a private folder of its own that goes when the restore ends.
    std::optional<QTemporaryDir> unpacked;
    QString script = fi.absoluteFilePath();
    if (fi.suffix().toLower() == u"zip"_s) {
        const QString temp = RestoreTempDirectory();
        if (!QDir().mkpath(temp) ||
            !QFile::setPermissions(temp,
                                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            throw BackupError(
                u"A(z) „%1” ideiglenes mappa nem hozható létre."_s.arg(QDir::toNativeSeparators(temp)));
        unpacked.emplace(temp + u"/restore-XXXXXX"_s);
        if (!unpacked->isValid())
            throw BackupError(u"A(z) „%1” mappában nem hozható létre ideiglenes mappa: %2"_s.arg(
                QDir::toNativeSeparators(temp), unpacked->errorString()));
        if (progress.stage) progress.stage(u"Kibontás"_s);
        const QStringList extracted = UnzipAll(fi.absoluteFilePath(), unpacked->path());
        script = QDir(unpacked->path()).filePath(sqlNameOf(fi));
        if (!QFileInfo::exists(script)) {
            QStringList names;
            for (const QString& e : extracted)
                names << QDir(unpacked->path()).relativeFilePath(e);
            throw BackupError(u"A(z) „%1” archívumban nincs „%2” nevű SQL fájl (az archívumban: %3). "
                              u"Az archívum a benne lévő fájl nevét viseli; átnevezett archívum így nem "
                              u"állítható vissza."_s.arg(fi.fileName(), sqlNameOf(fi),
                                                         names.isEmpty() ? u"semmi"_s : names.join(u", "_s)));
        }
    }
    executor.ScriptFile = script;

    // A file of this program's writer: one that does not end as the writer ends its files was cut short.
    std::optional<WriterHeader> header;
    {
        QFile f(script);
        if (!f.open(QIODevice::ReadOnly))
            throw BackupError(u"A visszaállítás nem indult el: a(z) „%1” fájl nem olvasható: %2"_s.arg(
                QDir::toNativeSeparators(file), f.errorString()));
        header = writerHeader(f);
        if (header && (header->major > 1 || (header->major == 1 && header->minor >= 3)) &&
            lastLine(f) != header->lineComment + DumpClosingText.toLatin1())
            throw BackupError(
                u"A(z) „%1” mentés hiányos: hiányzik a vége (a fájl a mentés vagy a másolás "
                u"közben megszakadhatott). Semmi sem változott."_s.arg(QDir::toNativeSeparators(file)));
    }

    // Statements that select, create or drop a database: a file may name one database, and it is loaded
    // into the connection's database (the one the confirmation named), never into another.
    const QByteArray own = EncodeOrThrow(Codec::latin2(), db.params().database);
    QSet<QByteArray> named;
    executor.OnCheckStatement = [&](TMySQLBatchExecute&, QByteArrayView sql, int) {
        if (const auto name = selectedDatabase(sql)) named.insert(*name);
        if (named.size() > 1) {
            QStringList names;
            for (const QByteArray& n : named)
                names << plain(n);
            names.sort();
            throw BackupError(u"A(z) „%1” fájl több adatbázisba is írna (%2); csak egy adatbázis mentése "
                              u"állítható vissza. Semmi sem változott."_s.arg(QDir::toNativeSeparators(file),
                                                                              names.join(u", "_s)));
        }
    };
    executor.OnBeforeStatement = [&](TMySQLBatchExecute&, QByteArrayView sql, int, bool& allow) {
        if (own.isEmpty()) return;
        const char first = sql.isEmpty() ? 0 : static_cast<char>(QChar::toUpper(static_cast<uchar>(sql[0])));
        if (first != 'U' && first != 'C' && first != 'D' && first != '/') return;
        if (const auto name = selectedDatabase(sql)) allow = *name == own;
    };

    // The writer's count of each table's rows against the rows the table received.
    QHash<QByteArray, qint64> announced, received;
    if (header) {
        executor.OnComment = [&](TMySQLBatchExecute&, QByteArrayView comment) {
            if (const auto count = recordCount(comment)) {
                announced.insert(count->first, count->second);
                received.insert(count->first, 0);
            }
        };
        executor.OnAfterStatement = [&](TMySQLBatchExecute&, QByteArrayView sql, int, qint64 rows, bool ok) {
            if (!ok) return;
            if (const auto table = insertTarget(sql)) received[*table] += rows;
        };
        executor.OnScriptEnd = [&](TMySQLBatchExecute& ex) {
            QStringList short_;
            for (auto it = announced.cbegin(); it != announced.cend(); ++it)
                if (received.value(it.key()) != it.value())
                    short_ << u"%1: %2 sor helyett %3"_s.arg(plain(it.key()))
                                  .arg(it.value())
                                  .arg(received.value(it.key()));
            if (short_.isEmpty()) return;
            short_.sort();
            QString message =
                u"A(z) „%1” mentés hiányos vagy sérült: a táblák nem annyi sort kaptak, amennyit "
                u"a mentés tartalmaz (%2)."_s.arg(QDir::toNativeSeparators(file), short_.join(u"; "_s));
            if (!ex.ranInTransaction()) message += u"\nA betöltött utasítások hatása megmaradt."_s;
            throw EmySQLBatchExecutorError(message);
        };
    }

    if (progress.statement)
        executor.OnProcess = [&](TMySQLBatchExecute& ex, QByteArrayView, int no) {
            progress.statement(no, ex.plannedStatements());
        };
    // A script may switch the session's character set (a file of the server's dump tool does) and its
    // SQL mode (files of the writer do); the connection is as before afterwards.
    const QString sqlMode = db.query(u"SELECT @@SESSION.sql_mode"_s).value(0, 0).text();
    struct ResetSession {
        Connection& db;
        QString sqlMode;
        ~ResetSession() {
            try {
                if (!db.isOpen()) return;
                Connection::DefaultReconnectHandler(db);
                db.exec(u"SET SESSION sql_mode = "_s + SqlQuote(sqlMode));
            } catch (const SonoriaError&) {
            }
        }
    } resetSession{db, sqlMode};
    try {
        executor.ExecuteBatch();
    } catch (const BackupError&) {
        throw;
    } catch (const EmySQLBatchExecutorError& e) {
        throw BackupError(u"A visszaállítás nem sikerült. "_s + e.message(), e.code());
    } catch (const DbError& e) {
        QString server = e.message();
        if (server.endsWith(u". "_s)) server.chop(2);
        throw BackupError(u"A visszaállítás a(z) %1. utasításnál (a szkript %2. sorában) hibával leállt: %3\n"
                          u"Az előtte lefutott utasítások hatása megmaradt."_s.arg(executor.statementCount())
                              .arg(executor.currentLine())
                              .arg(server),
                          e.code());
    } catch (const SonoriaError& e) {
        throw BackupError(u"A visszaállítás nem sikerült: %1"_s.arg(e.message()), e.code());
    }
}

// The profile's TLS, so that the tool is refused rather than talking in clear text.
static QStringList serverDumpTlsArguments(const TlsSettings& tls) {
    QStringList args;
    if (!tls.enabled) return args;
    args << u"--ssl"_s;
    if (!tls.caFile.isEmpty()) args << u"--ssl-ca=%1"_s.arg(tls.caFile);
    if (tls.verify) args << u"--ssl-verify-server-cert"_s;
    return args;
}

QStringList ServerDumpArguments(const ConnectionParams& params, const QString& resultFile) {
    return QStringList{u"-c"_s,
                       u"-C"_s,
                       u"--force"_s,
                       u"--routines"_s,
                       u"--databases"_s,
                       params.database,
                       u"--port=%1"_s.arg(params.port),
                       u"--host=%1"_s.arg(params.host),
                       u"--user=%1"_s.arg(params.user),
                       u"--result-file=%1"_s.arg(resultFile)} +
           serverDumpTlsArguments(params.tls);
}

ServerDumpResult RunServerDump(const QString& toolPath, const ConnectionParams& params, const QString& file) {
    ServerDumpResult result;
    if (toolPath.trimmed().isEmpty()) {
        result.errorText = u"Adja meg a mentőprogram (mysqldump vagy mariadb-dump) helyét."_s;
        return result;
    }
    const QString part = partName(file);
    RemoveLater remove{part};
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The password reaches the tool through its own environment: not on the command line, which every
    // user of the machine can read, and not in a file.
    env.insert(u"MYSQL_PWD"_s, params.password);
    tool.setProcessEnvironment(env);
    tool.setProgram(toolPath);
    tool.setArguments(ServerDumpArguments(params, part));
    {
        // The tool keeps the mode of a file that is there: the owner's alone.
        QFile placeholder(part);
        if (!placeholder.open(QIODevice::WriteOnly) || !MakeOwnerOnly(placeholder)) {
            result.errorText = u"A(z) „%1” fájl nem hozható létre: %2"_s.arg(QDir::toNativeSeparators(file),
                                                                             placeholder.errorString());
            return result;
        }
    }
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setStandardOutputFile(QProcess::nullDevice());
    Config();
    if (QFileInfo(ConfigDirectory()).isDir()) tool.setWorkingDirectory(ConfigDirectory());
    tool.start();
    if (!tool.waitForStarted(-1)) {
        result.errorText = u"A mentőprogram („%1”) nem indítható: %2"_s.arg(toolPath, tool.errorString());
        return result;
    }
    if (QCoreApplication::instance()) {
        QEventLoop loop;
        QObject::connect(&tool, &QProcess::finished, &loop, &QEventLoop::quit);
        if (tool.state() != QProcess::NotRunning) loop.exec();
    }
    tool.waitForFinished(-1);
    result.exitCode = tool.exitCode();
    const QString errors = QString::fromLocal8Bit(tool.readAllStandardError()).trimmed();
    if (tool.exitStatus() != QProcess::NormalExit) {
        result.errorText = u"A mentőprogram váratlanul leállt. %1"_s.arg(errors).trimmed();
        return result;
    }
    if (result.exitCode != 0) {
        result.errorText =
            errors.isEmpty() ? u"A mentőprogram %1 kóddal állt le."_s.arg(result.exitCode) : errors;
        return result;
    }
    if (!renameOver(part, file)) {
        result.errorText = u"A(z) „%1” fájl nem hozható létre."_s.arg(QDir::toNativeSeparators(file));
        return result;
    }
    remove.path.clear();
    result.ok = true;
    result.errorText = errors; // warnings of a run that succeeded
    return result;
}
