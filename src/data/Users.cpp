#include "Users.h"

using namespace Qt::StringLiterals;

ListedTable UsersTable() {
    return {u"felhasznalo"_s, u"felhasznalo"_s, true, u"felhasznalo IS NOT NULL"_s, u"felhasznalo"_s, {}};
}
