#pragma once

#include "admin/BackupRestore.h"
#include "db/Connection.h"
#include "ui/SonoriaDialog.h"

#include <QList>

#include <functional>

class QAction;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QToolButton;
class QWidget;

// One connection profile as the profiles window keeps it.
struct ProfileRow {
    QString adatbazisnev; // display name
    QString adatbazis;    // database
    QString kiszolgalo;   // host
    int port = 3306;
    QString felhasznalo;
    QString jelszo;
    QString verzio;              // read by the test, stored nowhere
    ProfileOptions options;      // compression, TLS, further servers: stored beside the profile
    QString profileText() const; // database;host;port;user;password;name; (each field followed by ";")
};

// "Tárhelyek": the connection profiles of the configuration file, written back when it closes.
class Tfrm_Adatbazis : public SonoriaDialog {
public:
    explicit Tfrm_Adatbazis(QWidget* parent = nullptr);

    QTableWidget* grid = nullptr;
    QLineEdit* eMysqlDump = nullptr;
    QWidget* pnlTeljes = nullptr; // the full-backup panel, hidden at first
    QAction *aUj, *aSzerkeszt, *aTorol, *aTeszt, *aBezar;
    QAction *aBackup, *aRestore, *aMySQLDump, *aTeljesMentes;

    QList<ProfileRow>& rows() { return m_rows; }
    int currentIndex() const; // the selected row of the list, -1 when none
    void sortBy(int column);
    void refresh(int select = 0);

    void aUjExecute();
    void aSzerkesztExecute();
    void aTorolExecute();
    void aTesztExecute();
    // The selected profile's database, backed up to file / restored from file (.sql or .zip).
    void backupTo(const QString& file);
    void restoreFrom(const QString& file);
    void runServerDump(const QString& file);
    QProgressBar* progress = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void storePlacement() override; // also writes the profiles and the dump tool's path

private:
    void load();
    void save();
    ConnectionParams selectedParams() const;
    bool openSelected(Connection& c); // false (with "Hiba: " shown) when the profile does not connect
    // Runs a backup or restore with the progress bar shown and the window taking no second command.
    void withProgress(const std::function<void(const BackupProgress&)>& work);
    QList<ProfileRow> m_rows;
};

// The edit dialog of one profile ("Tárhely"); true when closed with OK (the row is then changed).
bool EditProfile(QWidget* parent, ProfileRow& row);

void ShowConnectionProfiles(QWidget* parent);
