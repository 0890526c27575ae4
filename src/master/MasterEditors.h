#pragma once

#include "data/MasterData.h"
#include "db/RowEditor.h"
#include "ui/SonoriaDialog.h"

#include <QList>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The small editors of the reference data: one row of one table in a fixed-size dialog.
struct EditorField {
    enum Kind { Line, Number, Memo };
    QString label;
    QString column;
    Kind kind = Line;
    bool capitalize = false; // a letter a to z typed into the empty box becomes a capital
    int width = 0;           // a short box of this width; 0: as wide as the dialog
    bool required = false;   // a box left empty (or only spaces) is refused
};

struct EditorDescription {
    QString section;
    QString caption;
    ListedTable table;
    QString tabTitle; // the fields sit on one tab page of this title; empty: no tab
    QList<EditorField> fields;
    bool ctrlEnterAccepts = false;
};

class Tfrm_TorzsSzerkeszt : public SonoriaDialog {
    Q_OBJECT
public:
    Tfrm_TorzsSzerkeszt(QWidget* parent, Connection& db, EditorDescription description);

    // Inserts (NULL key) or loads the row; false when the row no longer exists.
    bool start(const Value& key);
    // Runs the dialog; the key of the saved row, or NULL.
    Value run();

    QLineEdit* lineEdit(const QString& column) const;
    QPlainTextEdit* memo(const QString& column) const;
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    RowEditor& row() { return m_row; }

private:
    void okClicked();
    void copyIntoRow(); // throws FormatError / EncodingError for a value the column cannot hold or a required
                        // box left empty
    QString boxText(int field) const;

    EditorDescription m_desc;
    RowEditor m_row;
    QList<QWidget*> m_boxes;
    QStringList m_shown; // the texts as loaded: an untouched box writes nothing back
    QPushButton* m_ok;
    QPushButton* m_cancel;
    Value m_saved;
};

class Tfrm_TorzsTetel_Szerkeszt : public Tfrm_TorzsSzerkeszt {
public:
    Tfrm_TorzsTetel_Szerkeszt(QWidget* parent, Connection& db);
};
class Tfrm_TorzsSzotar_Szerkeszt : public Tfrm_TorzsSzerkeszt {
public:
    Tfrm_TorzsSzotar_Szerkeszt(QWidget* parent, Connection& db);
};
class Tfrm_TorzsIrsz_Szerkeszt : public Tfrm_TorzsSzerkeszt {
public:
    Tfrm_TorzsIrsz_Szerkeszt(QWidget* parent, Connection& db);
};

EditorDescription ItemEditorDescription();
EditorDescription SnippetEditorDescription();
EditorDescription PostalCodeEditorDescription();

// The key of the saved row, or -1 (empty) when nothing was saved.
int EditItem(QWidget* parent, Connection& db, int key);
QString EditSnippet(QWidget* parent, Connection& db, const QString& title);
int EditPostalCode(QWidget* parent, Connection& db, int key);
