#include "admin-ui/Tfrm_Adatbazis.h"
#include "admin-ui/Tfrm_SQL.h"
#include "app/MainRoutines.h"
#include "app/Tfrm_Main.h"
#include "core/Config.h"
#include "exams/ExamRoutines.h"
#include "export-ui/ExportDialogs.h"
#include "ui/Application.h"

// The screens of the other libraries, handed to the main window.
static void WireScreens() {
    MainRoutines& r = Routines();
    r.openExamination = [](Connection& db, QWidget* parent, int examination, int patient, int type) {
        return OpenExamination(parent, db, ExamScreens{}, examination, patient, type);
    };
    r.showConnectionProfiles = [](Connection&, QWidget* parent) { ShowConnectionProfiles(parent); };
    r.exportDataSet = [](QWidget* parent, const DataSet& rows, const QString& fileName) {
        ExportDataSet(parent, rows, fileName);
    };
    r.exportGridToHtml = [](QWidget* parent, QTableView* grid, const QString& title) {
        ExportGridToHtml(parent, grid, title);
    };
    r.showSqlConsole = [](Connection& db, QWidget* parent) { ShowSqlConsole(parent, db, {}); };
}

int main(int argc, char* argv[]) {
    SonoriaApplication app(argc, argv);
    InstallHungarian(app);
    SetConfigLocation(QCoreApplication::applicationDirPath());
    InstallWheelAsArrowKeys(app);
    WireScreens();
    Tfrm_Main window;
    window.show();
    return app.exec();
}
