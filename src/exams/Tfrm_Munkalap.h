#pragma once

#include "ExamRoutines.h"
#include "db/RowEditor.h"
#include "ui/BrowseList.h"
#include "ui/SonoriaDialog.h"
#include "ui/TextBox.h"

#include <QHash>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;

// "Vizsgálat rögzítése": one examination with its measurements, texts and billed line items. The row
// is written only by OK and before printing; line items are written at once. The type decides the
// measurement tab.
class Tfrm_Munkalap : public SonoriaDialog {
public:
    enum class EditOperation { Cut, Copy, Paste, Undo, SelectAll };
    Tfrm_Munkalap(QWidget* parent, Connection& db, const ExamScreens& screens, int type);

    // Loads the examination; newExamination: made by this window, so Mégsem removes it again.
    void load(int key, bool newExamination);
    int key() const { return m_key; }

    QTabWidget* tabs = nullptr;
    QLineEdit *eMunkalap = nullptr, *eDatum = nullptr, *eBeteg = nullptr, *eTaj = nullptr,
              *eMegjelent = nullptr;
    QLineEdit *ePanasz = nullptr, *eTipus = nullptr, *eOsszesen = nullptr;
    TextBox *mSzoveg = nullptr, *mVelemeny = nullptr;
    QTableView* gridTetel = nullptr;
    QPushButton *btnOK = nullptr, *btnMegsem = nullptr, *btnNyomtat = nullptr, *btnElokep = nullptr;
    QAction *aUj = nullptr, *aSzerkeszt = nullptr, *aTorol = nullptr, *aBeszur = nullptr;
    QPlainTextEdit* snippetTarget() const { return m_snippetTarget; }
    BrowseList* lines() const { return m_lines; }

    void aUjExecute();
    void aSzerkesztExecute();
    void aTorolExecute();
    void aBeszurExecute();
    void RecomputeTotal();

protected:
    void accept() override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void storePlacement() override;

private:
    QWidget* buildExamTab();
    QWidget* buildTextTab();
    void addMeasurementTab(int type);
    QLineEdit* readOnlyBox();
    QLineEdit* boundBox(const QString& column);
    void showTotal();
    // The boxes and texts into the row, and the row saved; false (with the message shown) when it is not.
    bool saveRow();
    void print(bool print);
    // Tells the user which texts the findings sheet continues on a page of their own.
    void noteContinuation();
    void editAction(EditOperation op);

    Connection& m_db;
    ExamScreens m_screens;
    RowEditor m_row;
    BrowseList* m_lines = nullptr;
    QHash<QString, QLineEdit*> m_bound; // every box written to the row, by column
    QPlainTextEdit* m_snippetTarget = nullptr;
    int m_key = 0;
    bool m_new = false;
    bool m_closing = false;
};
