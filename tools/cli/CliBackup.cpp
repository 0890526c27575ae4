// backup FILE, restore FILE: the profiles window's backup and restore, on the same engines.
#include "CliCommon.h"

#include "admin/BackupRestore.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
void checkFileArgument(const CliContext& c) {
    if (c.args.size() != 1) throw UsageError(u"Egy fájlt kell megadni."_s);
    const QString suffix = QFileInfo(c.args[0]).suffix().toLower();
    if (suffix != u"sql"_s && suffix != u"zip"_s)
        throw UsageError(u"A fájl neve .sql vagy .zip végű legyen: %1"_s.arg(c.args[0]));
}

// One progress line on the terminal, rewritten in place at most a few times a second.
class ProgressLine {
public:
    explicit ProgressLine(CliContext& c) : m_c(c) { m_timer.start(); }
    void show(const QString& text, bool force = false) {
        if (!m_c.progress || (!force && m_shown && m_timer.elapsed() < 200)) return;
        m_timer.restart();
        m_shown = true;
        m_c.err << '\r' << text.leftJustified(m_width) << Qt::flush;
        m_width = std::max(m_width, static_cast<int>(text.size()));
    }
    void end() {
        if (m_c.progress && m_shown) m_c.err << '\r' << QString(m_width, u' ') << '\r' << Qt::flush;
        m_shown = false;
    }

private:
    CliContext& m_c;
    QElapsedTimer m_timer;
    bool m_shown = false;
    int m_width = 0;
};

int RunBackup(CliContext& c) {
    ProgressLine line(c);
    BackupProgress progress;
    progress.table = [&](const QString& table, int percent) {
        line.show(u"Mentés: %1% (%2)"_s.arg(percent).arg(table), true);
    };
    progress.stage = [&](const QString& stage) { line.show(stage + u"…"_s, true); };
    try {
        BackupDatabase(*c.db, c.args[0], progress);
    } catch (const BackupError& e) {
        line.end();
        c.err << "Hiba: " << e.message() << Qt::endl;
        return 1;
    }
    line.end();
    if (c.progress) c.err << "A mentés elkészült: " << c.args[0] << Qt::endl;
    return 0;
}

int RunRestore(CliContext& c) {
    ProgressLine line(c);
    BackupProgress progress;
    progress.statement = [&](int no, int maximum) {
        line.show(maximum > 0 ? u"Visszaállítás: %1 / %2 utasítás"_s.arg(no).arg(maximum)
                              : u"Visszaállítás: %1. utasítás"_s.arg(no));
    };
    progress.stage = [&](const QString& stage) { line.show(stage + u"…"_s, true); };
    try {
        RestoreDatabase(*c.db, c.args[0], progress);
    } catch (const BackupError& e) {
        line.end();
        c.err << "Hiba: " << e.message() << Qt::endl;
        return 1;
    }
    line.end();
    if (c.progress) c.err << "A visszaállítás kész: " << c.args[0] << Qt::endl;
    return 0;
}

CliRegistration
    backupCommand({u"backup"_s,
                   u"backup FÁJL                     adatmentés .sql vagy .zip fájlba, ugyanazzal az "
                   u"íróval, mint a Tárhelyek ablak\n"
                   u"                                  (pl. sonoria-cli backup --profile 1 "
                   u"sonoria-2024-03-05.zip)"_s,
                   CliTarget::Database,
                   {},
                   &RunBackup,
                   &checkFileArgument});
CliRegistration
    restoreCommand({u"restore"_s,
                    u"restore FÁJL                    a backup által írt .sql vagy .zip, vagy a "
                    u"kiszolgáló mentőprogramjának SQL fájlja\n"
                    u"                                  betöltése (pl. sonoria-cli restore --host db "
                    u"--user admin --database sonoria mentes.sql)"_s,
                    CliTarget::Database,
                    {},
                    &RunRestore,
                    &checkFileArgument});
} // namespace
