#pragma once

#include "export/ExportCommon.h"
#include "ui/SonoriaDialog.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class DataSet;

// "Határolt szöveg export": the fields to write, the separator and qualifier, and the file.
class Tfrm_Hatarolt : public SonoriaDialog {
public:
    Tfrm_Hatarolt(QWidget* parent, const DataSet& data, QList<ExportFieldInfo> fields,
                  const QString& fileName);

    QListWidget* lstMezok = nullptr;
    QButtonGroup* grpHatarolo = nullptr;     // 0 ";", 1 TAB, 2 ",", 3 "|"
    QButtonGroup* grpSzovegjelolo = nullptr; // 0 '"', 1 "'", 2 none
    QCheckBox *chkTobbsoros = nullptr, *chkEredeti = nullptr, *chkFejlec = nullptr, *chkMegnyit = nullptr;
    QLineEdit* eFilenev = nullptr;
    QPushButton *btnIndit = nullptr, *btnMegallit = nullptr, *btnBezar = nullptr;
    QProgressBar* progress = nullptr;

    void startExport(); // "Export indítás"
    QString browse();   // the save dialog; the chosen name, or empty

private:
    void exportDelimited(const QString& file);
    void exportWorksheet(const QString& file);
    QList<bool> ticked() const;
    const DataSet& m_data;
    QList<ExportFieldInfo> m_fields;
    bool m_running = false;
};
