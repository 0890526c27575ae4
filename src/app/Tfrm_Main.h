#pragma once

#include "data/Patients.h"
#include "db/Connection.h"

#include <QMainWindow>
#include <QRect>
#include <QTimer>

class BrowseList;
class QAction;
class QLabel;
class QLineEdit;
class QTabBar;
class QTabWidget;
class QTableView;
class QToolBar;

// The main window. Creating it is the program's start-up: profile, connection, shared settings,
// version check, login, year tabs and the patient list. A start-up that fails on the way closes
// the window a second later without saving anything.
class Tfrm_Main : public QMainWindow {
    Q_OBJECT
public:
    explicit Tfrm_Main(QWidget* parent = nullptr);
    ~Tfrm_Main() override;

    Connection& db() { return mySQLDatabase1; }
    bool abandoned() const { return m_abandoned; }
    void AbandonStartup();
    void ReadSharedSettings();

    // The lists: patients and examinations.
    BrowseList* QryU = nullptr;
    BrowseList* QryMLap = nullptr;
    QTableView* DBGrid1 = nullptr; // patients
    QTableView* DBGrid2 = nullptr; // examinations
    QLineEdit* Edit1 = nullptr;    // the search box
    QTabWidget* TabControl1 = nullptr;
    QTabBar* TabControl2 = nullptr; // years
    QLabel* ProfileLabel = nullptr;
    QList<QLabel*> StatusPanels;
    QToolBar* TopToolBar = nullptr;
    QToolBar* PatientToolBar = nullptr;
    QToolBar* ExamToolBar = nullptr;

    QAction *aUj, *aSzerkeszt, *aTorol, *aMostJart, *aFigyelmeztet, *aMLapNeki, *aUgyfelAdatlap, *aMlapjai,
        *aNyomtat, *aNyomtatKep, *aExcelbe, *aHtml, *aBoritek, *aAjanlott, *aArbevetel, *aFogyas,
        *aTeljesLista, *aWhoOssz, *aTetel, *aSzotar, *aNovel, *aCsokkent, *aFrissit, *aFelhasznalo, *aSQL,
        *aAdatbazis, *aBeallit, *aSugo, *aHonlap, *aLevel, *aNevjegy, *aBezar;

    QString PatientSortField = QStringLiteral("ugyfel_nev");
    QString ExamSortField = QStringLiteral("munkalap");
    QString PatientBaseFilter = PatientsTable().baseCondition;
    QString YearFilter = QStringLiteral("(ev > 0)");

    bool patientsShown() const;
    BrowseList* visibleList() const;

    void setVisible(bool visible) override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions();
    void buildWindow();
    void startUp();
    bool chooseProfile();
    void connectDatabase();
    void prepareLists();
    void applyFont();
    void fitColumns(); // the width shares of both grids
    void placeForFirstShowing();
    QRect storedBounds() const; // what closing writes to the configuration file

    void Edit1Change();
    void TabControl1Change();
    void TabControl2Change();
    void TitleClick(BrowseList* list, int column);

    void aUjExecute();
    void aSzerkesztExecute();
    void aTorolExecute();
    void aMostJartExecute();
    void aFigyelmeztetExecute();
    void aMLapNekiExecute();
    void aUgyfelAdatlapExecute();
    void aMlapjaiExecute();
    void printExecute(bool preview);
    void periodReport(const std::function<void(Connection&, QWidget*, QDate, QDate)>& report);
    void changeFont(int step);
    void aFelhasznaloExecute();
    void aAdatbazisExecute();
    void aBeallitExecute();
    void afterPatientSaved(int key);
    int askExaminationType();
    int currentPatient() const; // ugyfel of the visible list's row, -1 if none

    Connection mySQLDatabase1;
    bool m_abandoned = false;
    bool m_firstShown = false;
    QTimer m_closeTimer;
    QRect m_initialBounds;
};
