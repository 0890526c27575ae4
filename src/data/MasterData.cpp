#include "MasterData.h"

using namespace Qt::StringLiterals;

ListedTable ItemsTable() {
    return {u"tetel"_s, u"tetel"_s, false, u"(tetel > 0)"_s, u"who"_s, {}};
}

ListedTable SnippetsTable() {
    return {u"szotar"_s, u"cim"_s, true, u"(cim <> '')"_s, u"1"_s, {}};
}

ListedTable PostalCodesTable() {
    return {u"irsz"_s, u"id"_s, false, u"(irsz <> '')"_s, u"irsz"_s, {}};
}
