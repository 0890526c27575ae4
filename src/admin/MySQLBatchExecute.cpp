#include "MySQLBatchExecute.h"

#include "ReconnectGuard.h"
#include "SqlScanner.h"
#include "SqlScriptReader.h"

#include "core/Codec.h"

#include <QFile>
#include <QtDebug>

#include <new>

using namespace Qt::StringLiterals;

namespace {
bool space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QByteArrayView trimmedLeft(QByteArrayView s) {
    qsizetype i = 0;
    while (i < s.size() && space(s[i]))
        ++i;
    return s.sliced(i);
}

// The text begins with the word (any letter case) followed by something that is not a letter.
bool startsWithWord(QByteArrayView s, QByteArrayView word) {
    if (s.size() < word.size()) return false;
    for (qsizetype i = 0; i < word.size(); ++i)
        if (QChar::toUpper(static_cast<uchar>(s[i])) != static_cast<uchar>(word[i])) return false;
    if (s.size() == word.size()) return true;
    const char after = s[word.size()];
    return !((after >= 'A' && after <= 'Z') || (after >= 'a' && after <= 'z') ||
             (after >= '0' && after <= '9') || after == '_');
}

// A SET of session variables that leaves the transaction alone.
bool isSessionSet(QByteArrayView s) {
    if (!startsWithWord(s, "SET")) return false;
    const QByteArray upper = s.toByteArray().toUpper();
    for (const char* word : {"AUTOCOMMIT", "TRANSACTION", "GLOBAL", "COMPLETION_TYPE"})
        if (upper.contains(word)) return false;
    return true;
}

QString scanProblemText(const SqlScanner& scanner) {
    switch (scanner.problem()) {
    case SqlScanner::Problem::UnterminatedQuote:
        return u"A szkript nem futtatható: a(z) %1. sorban nyitott %2 idézőjel nincs lezárva. "
               u"Egyetlen utasítás sem futott le."_s.arg(scanner.problemLine())
                   .arg(QChar::fromLatin1(scanner.openQuote()));
    case SqlScanner::Problem::EmptyDelimiter:
        return u"A szkript nem futtatható: a(z) %1. sor DELIMITER utasítása nem ad meg új elválasztót. "
               u"Egyetlen utasítás sem futott le."_s.arg(scanner.problemLine());
    case SqlScanner::Problem::None:
        break;
    }
    return {};
}

} // namespace

void TMySQLBatchExecute::setLines(const QStringList& lines) {
    QString text;
    for (const QString& l : lines)
        text += l + u"\r\n"_s;
    SQL = EncodeOrThrow(Codec::latin2(), text);
}

void TMySQLBatchExecute::loadFromFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(path, f.errorString()));
    try {
        SQL = f.readAll();
    } catch (const std::bad_alloc&) {
        throw EmySQLBatchExecutorError(u"Can't allocate %1 bytes buffer (out of memory)"_s.arg(f.size() + 1));
    }
    if (f.error() != QFileDevice::NoError)
        throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(path, f.errorString()));
}

TmySQLStatementType TMySQLBatchExecute::StatementType(QByteArrayView sql) {
    for (const char* w : {"SELECT", "SHOW", "DESCRIBE", "EXPLAIN"}) {
        const QByteArrayView word(w);
        if (sql.size() >= word.size() && sql.first(word.size()).compare(word, Qt::CaseInsensitive) == 0)
            return TmySQLStatementType::mstCursor;
    }
    return TmySQLStatementType::mstNonCursor;
}

bool TMySQLBatchExecute::IsDataStatement(QByteArrayView sql) {
    sql = trimmedLeft(sql);
    if (sql.startsWith("/*!")) {
        qsizetype i = 3;
        while (i < sql.size() && sql[i] >= '0' && sql[i] <= '9')
            ++i;
        const qsizetype close = sql.indexOf("*/", i);
        if (close < 0 || !trimmedLeft(sql.sliced(close + 2)).isEmpty()) return false;
        return isSessionSet(trimmedLeft(sql.sliced(i, close - i)));
    }
    return startsWithWord(sql, "DELETE") || startsWithWord(sql, "INSERT") || startsWithWord(sql, "REPLACE") ||
           isSessionSet(sql);
}

std::unique_ptr<SqlScriptReader> TMySQLBatchExecute::reader(const QByteArray& delimiter) const {
    if (!ScriptFile.isEmpty()) return std::make_unique<SqlScriptReader>(ScriptFile, delimiter);
    return std::make_unique<SqlScriptReader>(QByteArrayView(SQL), delimiter);
}

void TMySQLBatchExecute::ExecuteBatch() {
    if (!Database) throw EmySQLBatchExecutorError(u"(%1) property Database is not set!"_s.arg(Name));
    m_rowsAffected = 0;
    m_statementNo = 0;
    m_planned = 0;
    m_inTransaction = false;
    if (OnBeforeExecute) OnBeforeExecute(*this);
    if (!Database->isOpen()) Database->open(Database->params());

    const QByteArray delimiter = EncodeOrThrow(Codec::latin2(), Delimiter);

    // The whole script is cut once before anything runs.
    bool dataOnly = true;
    {
        const auto check = reader(delimiter);
        check->setHeadsOnly(true);
        QByteArrayView sql;
        int line = 0;
        while (check->next(sql, line)) {
            ++m_planned;
            if (dataOnly && !IsDataStatement(sql)) dataOnly = false;
            if (OnCheckStatement) OnCheckStatement(*this, sql, line);
        }
        if (check->scanner().problem() != SqlScanner::Problem::None)
            throw EmySQLBatchExecutorError(scanProblemText(check->scanner()));
        if (RefuseEmptyScript && m_planned == 0) {
            const int open = check->scanner().openCommentLine();
            throw EmySQLBatchExecutorError(
                open > 0
                    ? u"A szkriptben nincs futtatható utasítás: a(z) %1. sorban nyitott /* megjegyzés nincs "
                      u"lezárva, így a szöveg többi része is megjegyzés. Semmi sem változott."_s.arg(open)
                    : u"A szkriptben nincs futtatható utasítás (üres, vagy csak megjegyzést tartalmaz). "
                      u"Semmi sem változott."_s);
        }
    }

    if (DataOnlyTransaction && dataOnly && m_planned > 0)
        runTransaction(delimiter);
    else {
        if (!runAll(delimiter)) return;
        if (OnScriptEnd) OnScriptEnd(*this);
    }
    if (OnAfterExecute) OnAfterExecute(*this);
}

bool TMySQLBatchExecute::runAll(const QByteArray& delimiter) {
    const auto run = reader(delimiter);
    if (OnComment) run->setCommentHandler([this](QByteArrayView c) { OnComment(*this, c); });
    QByteArrayView sql;
    while (run->next(sql, m_currentLine))
        if (executeStatement(sql) == Outcome::Stop) return false;
    return true;
}

void TMySQLBatchExecute::runTransaction(const QByteArray& delimiter) {
    Connection& db = *Database;
    const QString lostText = u"A kapcsolat a kiszolgálóval megszakadt."_s;
    ReconnectGuard guard(db, lostText);
    db.exec(u"START TRANSACTION"_s);
    m_inTransaction = true;

    const auto rollBack = [&](const QString& what) -> QString {
        // A session that is gone takes its open transaction with it; otherwise undo it here.
        QString tail =
            u"A betöltés minden változtatása visszavonva: az adatbázis olyan, mint a visszaállítás "
            u"előtt volt."_s;
        try {
            db.exec(u"ROLLBACK"_s);
            const ResultSet warnings = db.query(u"SHOW WARNINGS"_s);
            for (qsizetype r = 0; r < warnings.rowCount(); ++r)
                if (warnings.value(r, 1).toInt() == 1196)
                    tail =
                        u"A tranzakciót kezelő táblák változásai visszavonva, de a többi (nem tranzakciós) "
                        u"tábla változásai megmaradtak."_s;
        } catch (const DbError& e) {
            if (!e.connectionLost()) throw;
        }
        return what + u"\n"_s + tail;
    };

    try {
        if (!runAll(delimiter)) {
            rollBack({});
            return;
        }
        if (OnScriptEnd) OnScriptEnd(*this);
    } catch (const EmySQLBatchExecutorError& e) {
        throw EmySQLBatchExecutorError(rollBack(e.message()), e.code());
    } catch (const DbError& e) {
        QString server = e.message();
        if (server.endsWith(u". "_s)) server.chop(2);
        const QString what =
            e.connectionLost()
                ? u"A kapcsolat a kiszolgálóval megszakadt a(z) %1. utasításnál (%2. sor): %3"_s
                : u"Hiba a(z) %1. utasításnál (%2. sor): %3"_s;
        throw EmySQLBatchExecutorError(rollBack(what.arg(m_statementNo).arg(m_currentLine).arg(server)),
                                       e.code());
    } catch (...) {
        rollBack({});
        throw;
    }
    try {
        db.exec(u"COMMIT"_s);
    } catch (const DbError& e) {
        if (e.connectionLost())
            throw EmySQLBatchExecutorError(u"A kapcsolat a kiszolgálóval a betöltés véglegesítése közben "
                                           u"megszakadt (%1); nem tudható, hogy "
                                           u"a változtatások érvénybe léptek-e. Ellenőrizze az adatbázist, "
                                           u"és szükség esetén ismételje meg "
                                           u"a visszaállítást."_s.arg(e.message()),
                                           e.code());
        throw EmySQLBatchExecutorError(rollBack(u"A betöltés nem véglegesíthető: %1"_s.arg(e.message())),
                                       e.code());
    }
}

TMySQLBatchExecute::Outcome TMySQLBatchExecute::executeStatement(QByteArrayView sql) {
    const int no = ++m_statementNo;
    bool allow = true;
    if (OnBeforeStatement) OnBeforeStatement(*this, sql, no, allow);
    if (!allow) return Outcome::Next;
    const TmySQLStatementType type = StatementType(sql);
    bool processed = false;
    if (OnProcessEx) OnProcessEx(*this, sql, type, no, processed);
    qint64 rows = 0;
    bool success = true;
    try {
        if (!processed) {
            rows = Database->execRaw(sql);
            m_rowsAffected += rows;
        }
        if (!OnProcessEx && OnProcess) OnProcess(*this, sql, no);
    } catch (const DbError& e) {
        QString message = e.message();
        if (!message.isEmpty()) message += u". "_s;
        const DbError error(message, e.code());
        TmySQLBatchAction action = Action;
        if (OnBatchErrorEx)
            OnBatchErrorEx(*this, error, sql, no, action);
        else if (OnBatchError)
            OnBatchError(*this, error, sql, no);
        // The transaction went with the session: going on would run the rest outside of it.
        if (m_inTransaction && e.connectionLost()) action = TmySQLBatchAction::baFail;
        switch (action) {
        case TmySQLBatchAction::baFail:
            throw error;
        case TmySQLBatchAction::baAbort:
            return Outcome::Stop;
        case TmySQLBatchAction::baIgnore:
            break;
        case TmySQLBatchAction::baContinue:
            if (ShowError)
                ShowError(error);
            else
                qWarning().noquote() << error.message();
            break;
        }
        success = false;
    }
    if (OnAfterStatement) OnAfterStatement(*this, sql, no, rows, success);
    return Outcome::Next;
}
