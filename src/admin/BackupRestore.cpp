#include "BackupRestore.h"

#include "core/Config.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>

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
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
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
    if (zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9) != 0)
        fail(QString::fromUtf8(zip_strerror(za)));
    // libzip writes the archive under a temporary name and renames it when it is complete.
    if (zip_close(za) != 0) fail(QString::fromUtf8(zip_strerror(za)));
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

void RestoreDatabase(Connection& db, const QString& file, const BackupProgress& progress) {
    const QFileInfo fi(file);
    TMySQLBatchExecute executor;
    executor.Database = &db;
    executor.Delimiter = u";"_s;
    executor.Action = TmySQLBatchAction::baFail;
    executor.DataOnlyTransaction = true;
    try {
        if (fi.suffix().toLower() == u"zip"_s) {
            const QString temp = RestoreTempDirectory();
            if (!QDir().mkpath(temp))
                throw BackupError(
                    u"A(z) „%1” ideiglenes mappa nem hozható létre."_s.arg(QDir::toNativeSeparators(temp)));
            if (progress.stage) progress.stage(u"Kibontás"_s);
            const QStringList extracted = UnzipAll(fi.absoluteFilePath(), temp);
            const QString script = QDir(temp).filePath(sqlNameOf(fi));
            if (!QFileInfo::exists(script)) {
                QStringList names;
                for (const QString& e : extracted)
                    names << QDir(temp).relativeFilePath(e);
                throw BackupError(
                    u"A(z) „%1” archívumban nincs „%2” nevű SQL fájl (az archívumban: %3). "
                    u"Az archívum a benne lévő fájl nevét viseli; átnevezett archívum így nem "
                    u"állítható vissza."_s.arg(fi.fileName(), sqlNameOf(fi),
                                               names.isEmpty() ? u"semmi"_s : names.join(u", "_s)));
            }
            RemoveLater remove{script};
            executor.loadFromFile(script);
        } else {
            executor.loadFromFile(fi.absoluteFilePath());
        }
    } catch (const BackupError&) {
        throw;
    } catch (const SonoriaError& e) {
        throw BackupError(u"A visszaállítás nem indult el: %1"_s.arg(e.message()), e.code());
    }

    const int maximum = static_cast<int>(std::count(executor.SQL.cbegin(), executor.SQL.cend(), ';'));
    if (progress.statement)
        executor.OnProcess = [&](TMySQLBatchExecute&, QByteArrayView, int no) {
            progress.statement(no, maximum);
        };
    // A script may switch the session's character set (a file of the server's dump tool does); the
    // connection speaks latin2 again afterwards.
    struct ResetNames {
        Connection& db;
        ~ResetNames() {
            try {
                if (db.isOpen()) Connection::DefaultReconnectHandler(db);
            } catch (const SonoriaError&) {
            }
        }
    } resetNames{db};
    try {
        executor.ExecuteBatch();
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
