#include "DbError.h"

#include <QList>

#include <errmsg.h>
#include <mysqld_error.h>

using namespace Qt::StringLiterals;

namespace {
struct Advice {
    QList<int> codes;
    const char16_t* text;
};

// One row per situation the user can act on; the server numbers that lead to it beside it.
const Advice Advices[] = {
    {{ER_DUP_ENTRY, ER_DUP_ENTRY_WITH_KEY_NAME, ER_DUP_KEY},
     u"Ilyen adat már szerepel az adatbázisban, pedig egyedinek kell lennie. Adjon meg másik értéket, "
     u"vagy keresse meg és módosítsa a meglévő sort."},
    {{ER_NO_DEFAULT_FOR_FIELD, ER_BAD_NULL_ERROR},
     u"Egy kötelező adat nincs kitöltve. Töltse ki a hiányzó mezőt, és mentse újra."},
    {{ER_DATA_TOO_LONG}, u"Egy érték hosszabb, mint amennyi a mezőben elfér. Rövidítse le, és mentse újra."},
    {{ER_CONSTRAINT_FAILED},
     u"Egy érték nem felel meg az adatbázis szabályának, például üresen maradt, aminek nem szabad. Javítsa "
     u"ki, és mentse újra."},
    {{ER_TRUNCATED_WRONG_VALUE_FOR_FIELD},
     u"Egy érték nem illik a mezőhöz, például szöveg került egy szám helyére. Javítsa ki, és mentse újra."},
    {{ER_WARN_DATA_OUT_OF_RANGE},
     u"Egy szám túl nagy vagy túl kicsi ahhoz, hogy a mezőben tárolni lehessen. Javítsa ki, és mentse újra."},
    {{ER_LOCK_WAIT_TIMEOUT},
     u"Egy másik munkaállomás éppen ugyanezeket az adatokat módosítja, és a kiszolgáló nem várhatott "
     u"tovább. Várjon néhány másodpercet, majd ismételje meg a műveletet."},
    {{ER_LOCK_DEADLOCK},
     u"A művelet egy másik munkaállomás egyidejű módosításával ütközött, ezért a kiszolgáló "
     u"visszavonta. Ismételje meg a műveletet."},
    {{CR_SERVER_GONE_ERROR, CR_SERVER_LOST, ER_CONNECTION_KILLED, 4031 /* ER_CLIENT_INTERACTION_TIMEOUT */},
     u"Megszakadt a kapcsolat az adatbázis-kiszolgálóval, a művelet nem fejeződött be. Ellenőrizze a "
     u"hálózatot, majd ismételje meg a műveletet; ha nem sikerül, indítsa újra a programot."},
    {{ER_ACCESS_DENIED_ERROR, ER_ACCESS_DENIED_NO_PASSWORD_ERROR},
     u"Az adatbázis-kiszolgáló nem engedte be a felhasználót: hibás a felhasználónév vagy a jelszó, vagy "
     u"erről a gépről nem léphet be. Ellenőrizze a kapcsolat adatait."},
    {{ER_DBACCESS_DENIED_ERROR, ER_TABLEACCESS_DENIED_ERROR, ER_COLUMNACCESS_DENIED_ERROR,
      ER_SPECIFIC_ACCESS_DENIED_ERROR, ER_PROCACCESS_DENIED_ERROR},
     u"Az adatbázis felhasználójának nincs joga ehhez a művelethez. Kérje az adatbázis gazdájától a "
     u"jogosultságot, vagy lépjen be másik felhasználóval."},
    {{ER_BAD_DB_ERROR},
     u"A megadott adatbázis nem létezik a kiszolgálón. Ellenőrizze az adatbázis nevét a kapcsolat "
     u"adatainál."},
    {{CR_CONNECTION_ERROR, CR_CONN_HOST_ERROR, CR_UNKNOWN_HOST},
     u"Nem sikerült kapcsolódni az adatbázis-kiszolgálóhoz. Ellenőrizze, hogy a kiszolgáló fut-e, és "
     u"helyes-e a kiszolgáló neve és a port, majd próbálja újra."},
};
} // namespace

QString ServerErrorAdvice(int code) {
    for (const Advice& a : Advices)
        if (a.codes.contains(code)) return QString::fromUtf16(a.text);
    return {};
}

QString ServerErrorText(int code, const QString& serverText) {
    const QString advice = ServerErrorAdvice(code);
    if (advice.isEmpty()) return serverText;
    return u"%1\nA kiszolgáló üzenete: %2 (hibaszám: %3)"_s.arg(advice, serverText.trimmed()).arg(code);
}

DbError DbError::fromServer(int code, const QString& serverText) {
    DbError e(ServerErrorText(code, serverText), code);
    e.m_serverText = serverText;
    return e;
}
