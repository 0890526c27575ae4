#include "core/Config.h"
#include "db/QueryHelpers.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(ApplicationTitle());
    SetConfigLocation(QCoreApplication::applicationDirPath());
    QTextStream out(stdout);
    const QList<ProfileEntry> profiles = StartupProfiles(Config());
    out << "Konfiguráció: " << ConfigPath() << Qt::endl;
    if (profiles.isEmpty()) {
        out << "Nincs tárolt kapcsolat." << Qt::endl;
        return 1;
    }
    try {
        Connection db;
        db.open(ConnectionParams::fromProfile(ConnectionProfile::parse(profiles.first().profile)));
        out << "Kapcsolódva: " << profiles.first().entry << ", kiszolgáló " << db.serverVersion() << Qt::endl;
        out << "Adatbázis verzió: " << SelectText(db, QStringLiteral("SELECT MAX(verzio) FROM verzio;"), {})
            << Qt::endl;
        out << "Páciensek: " << SelectInt(db, QStringLiteral("SELECT COUNT(*) FROM vw_ugyfel;"), 0)
            << ", vizsgálatok: " << SelectInt(db, QStringLiteral("SELECT COUNT(*) FROM vw_munkalap;"), 0)
            << Qt::endl;
    } catch (const SonoriaError& e) {
        out << "Sikertelen kapcsolódás: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
