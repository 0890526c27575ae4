#pragma once

#include "core/Config.h"
#include "db/QueryHelpers.h"
#include "support/ScreenTest.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"
#include "ui/Conventions.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

// A database of the schema with a few rows of reference data, laid out anew for every test, and a
// configuration file of its own in a temporary folder.
class MasterFixture : public ScreenTest<MasterFixture> {
protected:
    void SetUp() override {
        Beall.alapVaros = QStringLiteral("Szeged");
        Connection& db = tdb->db();
        for (const char16_t* sql : {
                 u"DELETE FROM tetel;",
                 u"DELETE FROM szotar;",
                 u"DELETE FROM irsz;",
                 u"DELETE FROM ugyfel;",
                 u"DELETE FROM munkalap;",
                 u"DELETE FROM munkalap_tetel;",
                 u"INSERT INTO tetel (tetel, who, tetel_nev, ar) VALUES (1, 'A01', 'Hasi ultrahang', 12000), "
                 u"(2, 'B02', 'Pajzsmirigy vizsgálat', 9000), (3, 'K10', 'Kontroll', 5000), "
                 u"(4, 'KO1', 'O''Brien a\\\\b próba', 100);",
                 u"INSERT INTO szotar (cim, szoveg) VALUES ('Vese', 'Mindkét vese ép.'), ('Máj', 'A máj "
                 u"homogén.'), "
                 u"('Epe''s', 'Epehólyag \\\\ kő'), ('Lép', 'Lép ép, a vese mellett.');",
                 u"INSERT INTO irsz (id, irsz, varos) VALUES (1, '6720', 'Szeged'), (2, '1011', 'Budapest'), "
                 u"(3, '6771', 'Szőreg'), (4, '7621', 'Pécs');",
                 u"INSERT INTO ugyfel (ugyfel, ugyfel_nev, taj, telefon, cim_irsz, cim_varos, cim_cim, "
                 u"dat_utolso) VALUES "
                 u"(1, 'Kovács Anna', '123-456-789', '30/123-4567', '6720', 'Szeged', 'Kossuth u. 1.', "
                 u"'2024-03-05'), "
                 u"(2, 'Ábel Péter', '222-333-444', '20/555-1234', '7621', 'Pécs', 'Fő tér 2.', NULL), "
                 u"(3, 'Nagy Ádám', NULL, '30/333-3333', NULL, NULL, NULL, '2023-12-31'), "
                 u"(4, 'Szabó Éva', '444-555-666', NULL, '1011', 'Budapest', 'Tárnok u. 9.', NULL), "
                 u"(5, 'Tóth Béla', NULL, '70/111-2222', '6771', 'Szőreg', 'Szőregi út 5.', NULL);",
             })
            db.exec(QString::fromUtf16(sql));
    }
};
