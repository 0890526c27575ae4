// sonoria-cli create-database: a practice's database on an existing server, from the schema the
// package installs.
#include "CliCommon.h"

#include "admin/MySQLBatchExecute.h"
#include "core/Config.h"
#include "core/SqlText.h"
#include "db/QueryHelpers.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

// A file of the installed data (beside the build folder's tool too).
QString dataFile(const QString& name) {
    const QString path = DataDirectory() + u'/' + name;
    if (!QFileInfo::exists(path)) throw FileError(u"Nem található a(z) %1 fájl."_s.arg(path));
    return path;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(u"A(z) %1 fájl nem olvasható: %2"_s.arg(path, f.errorString()));
    return f.readAll();
}

// The demo data generator's SQL for the given number of patients (three examinations each).
QByteArray demoData(int patients) {
    QProcess generator;
    generator.start(u"python3"_s, {dataFile(u"demo-data"_s), u"--seed"_s, u"1"_s, u"--patients"_s,
                                   QString::number(patients), u"--exams"_s, QString::number(3 * patients)});
    if (!generator.waitForStarted())
        throw FileError(
            u"A demó adatok nem készíthetők: a python3 nem indítható (%1)."_s.arg(generator.errorString()));
    QByteArray sql;
    while (generator.waitForReadyRead(-1))
        sql += generator.readAllStandardOutput();
    generator.waitForFinished(-1);
    sql += generator.readAllStandardOutput();
    if (generator.exitStatus() != QProcess::NormalExit || generator.exitCode() != 0)
        throw FileError(u"A demó adatok nem készültek el: %1"_s.arg(
            QString::fromUtf8(generator.readAllStandardError()).trimmed()));
    return sql;
}

QString identifier(const QString& name) {
    return u'`' + QString(name).replace(u"`"_s, u"``"_s) + u'`';
}

void runScript(Connection& db, const QByteArray& sql) {
    TMySQLBatchExecute script;
    script.Database = &db;
    script.SQL = sql;
    script.ExecuteBatch();
    Connection::DefaultReconnectHandler(db); // the scripts speak UTF-8; the program speaks latin2
}

// Everything a failed run made in a database that was empty before it.
void emptyDatabase(Connection& db, const QString& name) {
    const QString schema = SqlQuote(name);
    db.exec(u"SET FOREIGN_KEY_CHECKS = 0;"_s);
    const ResultSet objects = db.query(
        u"SELECT IF(TABLE_TYPE = 'VIEW', 'VIEW', 'TABLE'), TABLE_NAME FROM information_schema.TABLES WHERE "
        u"TABLE_SCHEMA = %1 "
        u"UNION ALL SELECT ROUTINE_TYPE, ROUTINE_NAME FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = %1;"_s
            .arg(schema));
    for (qsizetype i = 0; i < objects.rowCount(); ++i)
        db.exec(u"DROP %1 IF EXISTS %2.%3;"_s.arg(objects.value(i, 0).text(), identifier(name),
                                                  identifier(objects.value(i, 1).text())));
}

// The practice row from the options given; a text longer than its column is refused, not cut.
void fillPractice(Connection& db, const CliContext& c) {
    static const std::pair<const char16_t*, const char16_t*> fields[] = {
        {u"--name", u"tulajdonos"}, {u"--postal-code", u"irsz"}, {u"--city", u"varos"},
        {u"--address", u"cim"},     {u"--phone", u"telefon"},
    };
    QStringList assignments;
    for (const auto& [option, column] : fields) {
        if (!c.has(QString::fromUtf16(option))) continue;
        const QString value = c.option(QString::fromUtf16(option));
        const int width = SelectInt(
            db,
            u"SELECT CHARACTER_MAXIMUM_LENGTH FROM information_schema.COLUMNS WHERE "
            u"TABLE_SCHEMA = DATABASE() AND TABLE_NAME = 'tulajdonos' AND COLUMN_NAME = '%1';"_s.arg(
                QString::fromUtf16(column)),
            0);
        if (width > 0 && value.size() > width)
            throw FormatError(
                u"A(z) %1 értéke legfeljebb %2 karakter lehet, ez %3: %4"_s.arg(QString::fromUtf16(option))
                    .arg(width)
                    .arg(value.size())
                    .arg(value));
        assignments << u"%1 = %2"_s.arg(QString::fromUtf16(column), SqlQuote(value));
    }
    if (!assignments.isEmpty()) db.exec(u"UPDATE tulajdonos SET %1;"_s.arg(assignments.join(u", "_s)));
}

// The number of demo patients asked for, 0 without --demo.
int demoPatientsOf(const CliContext& c) {
    if (!c.has(u"--demo"_s)) return 0;
    bool ok = false;
    const int patients = c.option(u"--demo"_s).toInt(&ok);
    if (!ok || patients < 1 || patients > 1000000)
        throw UsageError(
            u"A --demo értéke a páciensek száma, 1 és 1000000 között: %1"_s.arg(c.option(u"--demo"_s)));
    return patients;
}

void checkCreateDatabase(const CliContext& c) {
    if (!c.args.isEmpty()) throw UsageError(u"Fölösleges argumentum: %1"_s.arg(c.args.first()));
    demoPatientsOf(c);
}

int RunCreateDatabase(CliContext& c) {
    const int demoPatients = demoPatientsOf(c);
    const QString name = c.params.database;
    // Everything is read before the server is touched: a missing file leaves no database behind.
    const QByteArray schema = readAll(dataFile(u"sonoria.sql"_s));
    const QByteArray demo = demoPatients > 0 ? demoData(demoPatients) : QByteArray();

    Connection& server = *c.db;
    const bool existed =
        SelectInt(
            server,
            u"SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = %1;"_s.arg(SqlQuote(name)),
            0) > 0;
    if (existed) {
        const int objects =
            SelectInt(server,
                      u"SELECT (SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = %1) + "
                      u"(SELECT COUNT(*) FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = %1);"_s.arg(
                          SqlQuote(name)),
                      0);
        if (objects > 0)
            throw FormatError(
                u"A(z) %1 adatbázisban már vannak táblák; a create-database csak új vagy üres adatbázisba "
                u"tölti a sémát, a meglévő adatokhoz nem nyúl."_s.arg(name));
        server.exec(
            u"ALTER DATABASE %1 CHARACTER SET latin2 COLLATE latin2_hungarian_ci;"_s.arg(identifier(name)));
    } else {
        server.exec(
            u"CREATE DATABASE %1 CHARACTER SET latin2 COLLATE latin2_hungarian_ci;"_s.arg(identifier(name)));
    }
    try {
        Connection db;
        db.open(c.params);
        if (c.progress) c.err << "A séma betöltése…" << Qt::endl;
        runScript(db, schema);
        if (!demo.isEmpty()) {
            if (c.progress)
                c.err << "Demó adatok: " << demoPatients << " páciens, " << 3 * demoPatients << " vizsgálat…"
                      << Qt::endl;
            runScript(db, demo);
        }
        fillPractice(db, c);
    } catch (const SonoriaError&) {
        // A half-made database would pass for a finished one next time.
        try {
            if (existed)
                emptyDatabase(server, name);
            else
                server.exec(u"DROP DATABASE IF EXISTS %1;"_s.arg(identifier(name)));
        } catch (const SonoriaError& e) {
            c.err << "Figyelem: a félkész adatbázis nem törölhető: " << e.message() << Qt::endl;
        }
        throw;
    }
    QTextStream(stdout) << "A(z) " << name << " adatbázis elkészült a(z) " << c.params.host << " kiszolgálón."
                        << Qt::endl;
    return 0;
}

CliRegistration reg(
    {u"create-database"_s,
     u"create-database [--name NÉV] [--postal-code IRSZ] [--city VÁROS] [--address CÍM] [--phone TELEFON] "
     u"[--demo N]\n"
     u"                                  új adatbázis a kiszolgálón (latin2, latin2_hungarian_ci) a program "
     u"sémájával; a\n"
     u"                                  rendelő adatai a kapcsolókból, --demo N: N páciens és 3N vizsgálat "
     u"demó adata.\n"
     u"                                  Táblákat már tartalmazó adatbázisba nem tölt. (pl. sonoria-cli "
     u"create-database\n"
     u"                                  --host db --user admin --database sonoria --name \"Doppler Rendelő\")"_s,
     CliTarget::Server,
     {{u"--name"_s, u"NÉV"_s},
      {u"--postal-code"_s, u"IRSZ"_s},
      {u"--city"_s, u"VÁROS"_s},
      {u"--address"_s, u"CÍM"_s},
      {u"--phone"_s, u"TELEFON"_s},
      {u"--demo"_s, u"N"_s}},
     &RunCreateDatabase,
     &checkCreateDatabase});

} // namespace
