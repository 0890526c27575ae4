#include "Settings.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "db/QueryHelpers.h"
#include "db/RowEditor.h"
#include "ui/Conventions.h"
#include "ui/Icons.h"
#include "ui/Messages.h"
#include "ui/SonoriaDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
class Tfrm_Beallit : public SonoriaDialog {
public:
    Tfrm_Beallit(Connection& db, QWidget* parent)
        : SonoriaDialog(u"frm_Beallit"_s, Placement::Position, parent),
          m_row(db, u"beallit"_s, u"beallit"_s) {
        setObjectName(u"Tfrm_Beallit"_s);
        setWindowTitle(u"Beállítások"_s);
        fullScreen = new QCheckBox(u"Megnyitáskor teljes képernyő"_s, this);
        fullScreen->setObjectName(u"teljesKep"_s);
        fullScreen->setChecked(Beall.teljesKep);
        login = new QCheckBox(u"Belépésnél jelszót kér"_s, this);
        login->setObjectName(u"vanbelep"_s);
        printer = new QComboBox(this);
        printer->setObjectName(u"printer"_s);
        printer->setEditable(true);
        printer->addItems(QPrinterInfo::availablePrinterNames());
        printer->setEditText(Beall.printerName);
        printer->setMinimumWidth(240);
        days = new QLineEdit(this);
        days->setObjectName(u"figynap"_s);
        formatDb = new QLineEdit(Beall.formatDb, this);
        formatDb->setObjectName(u"formatDb"_s);
        formatFt = new QLineEdit(Beall.formatFt, this);
        formatFt->setObjectName(u"formatFt"_s);

        // The first row of beallit; an empty table gets a new one.
        const QString first = SelectText(db, u"SELECT MIN(beallit) FROM beallit;"_s, {});
        if (first.isEmpty() || !m_row.load(first.toLongLong())) m_row.startNew();
        login->setChecked(m_row.text(u"vanbelep"_s) == u"I"_s);
        days->setText(m_row.text(u"figynap"_s));

        const auto [ok, cancel] = MakeOkCancel(this, false, [this] { store(); });

        auto* form = new QFormLayout;
        form->addRow(fullScreen);
        form->addRow(login);
        form->addRow(u"Alapértelmezett nyomtató"_s, printer);
        form->addRow(u"Figyelmeztetés (nap)"_s, days);
        auto* numbers = new QGroupBox(u"Szám formátum"_s, this);
        auto* nf = new QFormLayout(numbers);
        nf->addRow(u"Mennyiség formátum"_s, formatDb);
        nf->addRow(u"Pénz formátum"_s, formatFt);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(numbers);
        layout->addLayout(buttons);
        EnterAsTab(this);
        EnterColouring({printer, days});
        setFixedSize(sizeHint());
    }

private:
    void store() {
        const QString dayText = days->text().trimmed();
        bool whole = true;
        if (!dayText.isEmpty()) dayText.toInt(&whole);
        if (!whole) {
            ErrorBox(u"A(z) „%1” nem egész szám."_s.arg(dayText), this);
            days->setFocus();
            return;
        }
        const bool stored = RunGuarded([&] {
            m_row.setText(u"vanbelep"_s, login->isChecked() ? u"I"_s : u"N"_s);
            if (dayText.isEmpty())
                m_row.setNull(u"figynap"_s);
            else
                m_row.setInt(u"figynap"_s, dayText.toInt());
            m_row.post();
        });
        if (!stored) return;
        Beall.teljesKep = fullScreen->isChecked();
        Beall.printerName = printer->currentText();
        Beall.formatDb = formatDb->text();
        Beall.formatFt = formatFt->text();
        accept();
    }

    RowEditor m_row;
    QCheckBox *fullScreen, *login;
    QComboBox* printer;
    QLineEdit *days, *formatDb, *formatFt;
};

class Tfrm_Nevjegy : public SonoriaDialog {
public:
    explicit Tfrm_Nevjegy(QWidget* parent) : SonoriaDialog(u"frm_Nevjegy"_s, Placement::Position, parent) {
        setObjectName(u"Tfrm_Nevjegy"_s);
        setWindowTitle(u"Névjegy"_s);
        auto* picture = new QLabel(this);
        picture->setPixmap(LogoPixmap(96));
        auto* name = new QLabel(ApplicationTitle(), this);
        QFont f = name->font();
        f.setPointSize(f.pointSize() + 6);
        f.setBold(true);
        name->setFont(f);
        auto* version = new QLabel(u"V"_s + ProgramVersion(), this);
        version->setObjectName(u"version"_s);
        auto* ok = new QPushButton(u"OK"_s, this);
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        auto* texts = new QVBoxLayout;
        texts->addStretch();
        texts->addWidget(name);
        texts->addWidget(version);
        texts->addStretch();
        texts->addWidget(ok, 0, Qt::AlignRight);
        auto* layout = new QHBoxLayout(this);
        layout->addWidget(picture);
        layout->addSpacing(12);
        layout->addLayout(texts);
        setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
    }
};
} // namespace

bool RunSettingsDialog(Connection& db, QWidget* parent) {
    Tfrm_Beallit dialog(db, parent);
    return dialog.exec() == QDialog::Accepted;
}

void ShowAbout(QWidget* parent) {
    Tfrm_Nevjegy dialog(parent);
    dialog.exec();
}
