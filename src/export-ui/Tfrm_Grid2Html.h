#pragma once

#include "export/HtmlExport.h"
#include "ui/SonoriaDialog.h"

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "HTML export": the page of an on-screen grid, opened in the browser or handed to the mail client.
class Tfrm_Grid2Html : public SonoriaDialog {
public:
    Tfrm_Grid2Html(QWidget* parent, HtmlPageRequest request);
    QLineEdit* eMentes = nullptr;
    QCheckBox* chkMegnyit = nullptr;
    QPushButton *btnOK = nullptr, *btnMegsem = nullptr, *btnEmail = nullptr;
    QProgressBar* progress = nullptr;

    void writePage(); // the page to the file in the box; opens it when the box is ticked
    void email();     // "E-Mail"

protected:
    void accept() override;

private:
    HtmlPageRequest m_request;
};
