#pragma once

#include "ui/BrowseList.h"
#include "ui/SonoriaDialog.h"

#include <QDate>

class QAction;
class QLabel;
class QStatusBar;
class QTableView;

// "Vizsgálatok": the performed items of a period summed by WHO code and item name.
class Tfrm_WhoOssz : public SonoriaDialog {
public:
    Tfrm_WhoOssz(QWidget* parent, Connection& db, QDate from, QDate to);
    QTableView* grid = nullptr;
    QLabel* title = nullptr;
    QStatusBar* status = nullptr;
    QAction *aExcelbe = nullptr, *aBezar = nullptr;
    BrowseList* list() const { return m_list; }
    void sortBy(int column);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    BrowseList* m_list = nullptr;
};
