#pragma once

#include "ui/BrowseList.h"
#include "ui/SonoriaDialog.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTableView;

// "Vizsgálatok": every examination of one patient, with the findings and the opinion of the selected one.
class Tfrm_MunkalapBongeszo : public SonoriaDialog {
public:
    Tfrm_MunkalapBongeszo(QWidget* parent, Connection& db, int patient);
    QTableView* grid = nullptr;
    QLabel* title = nullptr;
    QPlainTextEdit *mSzoveg = nullptr, *mVelemeny = nullptr;
    QSplitter* splitter = nullptr;
    QStatusBar* status = nullptr;
    QAction *aNyomtat = nullptr, *aExcelbe = nullptr, *aBezar = nullptr;
    BrowseList* list() const { return m_list; }
    void sortBy(int column);
    void aNyomtatExecute();
    void sizeColumns();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Connection& m_db;
    BrowseList* m_list = nullptr;
    int m_patient;
};
