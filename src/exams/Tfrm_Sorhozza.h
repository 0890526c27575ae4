#pragma once

#include "db/RowEditor.h"
#include "ui/SonoriaDialog.h"

class QLineEdit;
class QPushButton;

// "Tétel hozzáadása": the name and price of one line item.
class Tfrm_Sorhozza : public SonoriaDialog {
public:
    Tfrm_Sorhozza(QWidget* parent, RowEditor& line);
    QLineEdit* eTetel = nullptr;
    QLineEdit* eAr = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnMegsem = nullptr;

protected:
    void accept() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool priceIsValid();
    RowEditor& m_line;
};
