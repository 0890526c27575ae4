#pragma once

#include "ui/BrowseList.h"
#include "ui/SonoriaDialog.h"

#include <functional>

class QAction;
class QProgressBar;
class QStatusBar;
class QTabWidget;
class QTableView;
class QsciScintilla;

// The grid's result handed to the export dialog.
using ExportResultFunction = std::function<void(QWidget* parent, ResultSetModel* result)>;

// "SQL lekérdezés": free SQL on the program's connection. A query shows its rows, other text runs as a
// script statement by statement, and "table: name" on the first line opens a table for editing.
class Tfrm_SQL : public SonoriaDialog {
public:
    Tfrm_SQL(QWidget* parent, Connection& db, ExportResultFunction exportResult);

    QsciScintilla* editor = nullptr;
    QTabWidget* pages = nullptr;
    QTableView* grid = nullptr;
    QProgressBar* progress = nullptr;
    QStatusBar* status = nullptr;
    QAction *aUj, *aMegnyit, *aMent, *aExport, *aMasol, *aFuttat, *aEredmeny, *aTab, *aBezar;

    void aFuttatExecute();
    void aEredmenyExecute();
    void aMasolExecute();
    void openFile(const QString& path);
    void saveFile(const QString& path);
    const QString& fileName() const { return m_fileName; }
    ResultSetModel* shownResult() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool tableMode(); // opens the table of a "table: name" first line
    void showQuery(const QString& sql);
    void runScript(const QString& script);
    void showResultPage();
    void setResultActions(bool enabled);
    QString sqlFolder() const;

    Connection& m_db;
    ExportResultFunction m_export;
    BrowseList* m_query = nullptr;
    BrowseList* m_table = nullptr;
    QString m_fileName;
};

void ShowSqlConsole(QWidget* parent, Connection& db, ExportResultFunction exportResult);
