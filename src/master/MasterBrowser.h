#pragma once

#include "data/MasterData.h"
#include "ui/BrowseList.h"
#include "ui/SonoriaDialog.h"

#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QToolBar;

// Opens the editor of a list on a key (NULL: a new row); gives back the key of the saved row, or NULL
// when nothing was saved.
using RowEditorFunction = std::function<Value(QWidget* parent, Connection& db, const Value& key)>;
// The patient record's opening routine (key -1: a new patient; gives back the saved key or -1). The
// record lives above this library and opens the postal-code browser, so it is handed in.
using PatientOpener = std::function<int(QWidget* parent, Connection& db, int key)>;

// What sets one reference-data list apart from the others; everything else the browsers share.
struct MasterDescription {
    QString section;      // "frm_" and the window's name
    QString caption;      // window caption
    QString title;        // bold title in the panel
    ListedTable table;    // table, key and base condition; the statements follow from them
    QString sortField;    // initial sort field
    bool sortable = true; // a click on a title sorts (otherwise it only goes to the search box)
    QString searchFields; // LikeFilter columns
    QList<GridColumn> columns;
    QList<double> widthShares;
    int widthMargin = 40;
    QString deleteCaption;        // "Sor törlése" or "Töröl"
    bool hasRefresh = false;      // "Frissítés" (F5)
    bool hasSearchAction = false; // "Kereső" (Ctrl+F)
    QString textField;            // shown below the grid in a read-only box; empty: no box
    RowEditorFunction editor;
};

// The browser of a reference-data list: search box, toolbar, grid, status bar. In pick mode it also
// hands back the row the user accepts.
class Tfrm_Torzs : public SonoriaDialog {
    Q_OBJECT
public:
    Tfrm_Torzs(QWidget* parent, Connection& db, MasterDescription description, bool pickMode);

    const MasterDescription& description() const { return m_desc; }
    bool pickMode() const { return m_pick; }
    BrowseList& list() { return *m_list; }
    QTableView* grid() const { return m_grid; }
    QLineEdit* searchBox() const { return m_search; }
    QPlainTextEdit* textBox() const { return m_text; }
    QLabel* statusText() const { return m_status; }
    QToolBar* toolBar() const { return m_toolBar; }
    const QString& sortField() const { return m_sortField; }

    // Opens the list on the first row, or on the row whose field holds the key when there is one.
    void openList(const QString& field = {}, const Value& key = {});
    void setSearchText(const QString& text);

    // Where the dialog was accepted: the row that was current, -1 for an empty list.
    int acceptedRow() const { return m_acceptedRow; }
    Value acceptedValue(const QString& field) const;
    QString acceptedDisplayText(const QString& field) const;

    QAction *aFrissit, *aUj, *aSzerkeszt, *aTorol, *aKeres, *aElfogad, *aBezar;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void aFrissitExecute();
    void aUjExecute();
    void aSzerkesztExecute();
    void aTorolExecute();
    void aElfogadExecute();
    void searchChanged(const QString& text);
    void titleClicked(int column);
    void rowChanged();
    void editRow(const Value& key);

    Connection& m_db;
    MasterDescription m_desc;
    bool m_pick;
    QString m_sortField;
    QLineEdit* m_search;
    QToolBar* m_toolBar;
    QTableView* m_grid;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_status;
    BrowseList* m_list;
    int m_acceptedRow = -1;
};

// The four lists.
class Tfrm_TorzsTetel : public Tfrm_Torzs {
public:
    Tfrm_TorzsTetel(QWidget* parent, Connection& db, bool pickMode);
};
class Tfrm_TorzsSzotar : public Tfrm_Torzs {
public:
    Tfrm_TorzsSzotar(QWidget* parent, Connection& db, bool pickMode);
};
class Tfrm_TorzsIrsz : public Tfrm_Torzs {
public:
    Tfrm_TorzsIrsz(QWidget* parent, Connection& db, bool pickMode);
};
class Tfrm_TorzsUgyfel : public Tfrm_Torzs {
public:
    Tfrm_TorzsUgyfel(QWidget* parent, Connection& db, bool pickMode, const QString& caption,
                     PatientOpener patientEditor);
};

MasterDescription ItemsDescription();
MasterDescription SnippetsDescription();
MasterDescription PostalCodesDescription();
MasterDescription PatientsDescription(PatientOpener patientEditor);

struct KeyAndName {
    int key = -1;
    QString name;
};
struct SnippetChoice {
    QString title; // empty when nothing was chosen
    QString text;
};
struct PostalCodeChoice {
    QString code; // empty when nothing was chosen
    QString city;
};

// The opening routines. In browse mode the result is always the empty one.
KeyAndName BrowseItems(QWidget* parent, Connection& db, int key, bool pickMode);
SnippetChoice BrowseSnippets(QWidget* parent, Connection& db, const QString& searchText, bool pickMode);
PostalCodeChoice BrowsePostalCodes(QWidget* parent, Connection& db, const QString& code, bool pickMode);
KeyAndName BrowsePatients(QWidget* parent, Connection& db, int key, bool pickMode, const QString& caption,
                          PatientOpener patientEditor);
