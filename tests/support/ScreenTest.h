#pragma once

#include "core/Config.h"
#include "support/TestDatabase.h"
#include "support/UiTest.h"

#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

inline std::string s(const QString& q) {
    return q.toStdString();
}

// The fixture of a screen test suite: the application object, a configuration folder of its own with an
// empty Sonoria.ini, a database of its own (from the schema unless told otherwise), and the messages the
// user was shown. Suite is the deriving fixture, so each suite has its own database; its
// SetUpTestSuite calls OpenSuite and then fills the database.
template <class Suite> class ScreenTest : public ::testing::Test {
public:
    static void OpenSuite(const QString& database, TestDatabase::Content content = TestDatabase::Schema) {
        TestApplication();
        config = std::make_unique<QTemporaryDir>();
        QFile ini(config->filePath(QStringLiteral("Sonoria.ini")));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.close();
        SetConfigLocation(config->path());
        tdb = std::make_unique<TestDatabase>(database, content);
    }
    static void TearDownTestSuite() {
        tdb.reset();
        config.reset();
    }
    static Connection& db() { return tdb->db(); }

    static void DoubleClickCurrentRow(QTableView* grid) {
        const QPoint at = grid->visualRect(grid->currentIndex()).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
    // Runs action on the next modal window once it is active (shortcuts and focus need that).
    static void WhenActive(std::function<void(QWidget*)> action) {
        WhenModalShown([action](QWidget* w) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            action(w);
        });
    }
    static void ShowActive(QWidget* w) {
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    }

protected:
    static inline std::unique_ptr<TestDatabase> tdb;
    static inline std::unique_ptr<QTemporaryDir> config;
    MessageRecorder messages;
};
