#pragma once

#include "db/RowEditor.h"
#include "master/MasterBrowser.h"
#include "ui/SonoriaDialog.h"
#include "ui/TextBox.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The patient record: one row of ugyfel, created or edited in place and written on OK.
class Tfrm_Szerkeszt : public SonoriaDialog {
    Q_OBJECT
public:
    Tfrm_Szerkeszt(QWidget* parent, Connection& db);

    // New patient (key -1) or the row of the key; false when that row does not exist.
    bool start(int key);
    int run(); // the saved key, or -1

    QLineEdit* edit(const QString& column) const;
    TextBox* remark() const { return m_remark; }
    QDateEdit* visitDate() const { return m_date; }
    QToolButton* postalCodeButton() const { return m_postalButton; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* picture() const { return m_picture; }
    int pictureIndex() const { return m_pictureIndex; }

    // The city of the postal code, unless the user typed or picked another city than the default.
    void fillCityFromPostalCode();
    void pickPostalCode();

    // Which picture a random number 0 to 6 selects.
    static int PictureForNumber(int number);
    static QString PicturePath(int index);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Box {
        QString column;
        QLineEdit* edit;
    };
    void okClicked();
    void copyIntoRow();
    QString boxValue(const Box& b) const;

    Connection& m_db;
    RowEditor m_row;
    QList<Box> m_boxes;
    QStringList m_shown;
    QDate m_dateShown;
    TextBox* m_remark;
    QDateEdit* m_date;
    QToolButton* m_postalButton;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_picture;
    int m_pictureIndex = -1;
    int m_saved = -1;
};

// Creates (key -1) or edits a patient; the key of the saved row, or -1 when nothing was saved.
int OpenPatient(QWidget* parent, Connection& db, int key);

// The patient browser with the patient record as its editor.
KeyAndName BrowsePatients(QWidget* parent, Connection& db, int key, bool pickMode, const QString& caption);
