#include "Tfrm_Sorhozza.h"

#include "ExamRoutines.h"
#include "core/Errors.h"
#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

using namespace Qt::StringLiterals;

static QString priceText(const Value& v) {
    return v.isNull() ? QString()
                      : QLocale().toString(v.toDouble(), 'g', 15).remove(QLocale().groupSeparator());
}

Tfrm_Sorhozza::Tfrm_Sorhozza(QWidget* parent, RowEditor& line)
    : SonoriaDialog(u"frm_Sorhozza"_s, Placement::Position, parent), m_line(line) {
    setWindowTitle(u"Tétel hozzáadása"_s);
    eTetel = new QLineEdit(line.text(u"tetel_nev"_s), this);
    eTetel->setMaxLength(line.maxLength(u"tetel_nev"_s));
    eTetel->setMinimumWidth(320);
    eAr = new QLineEdit(priceText(line.value(u"ar"_s)), this);
    eAr->setAlignment(Qt::AlignRight);
    eAr->installEventFilter(this);
    btnOK = new QPushButton(u"OK"_s, this);
    btnMegsem = new QPushButton(u"Mégsem"_s, this);
    auto* cancel = btnMegsem;
    btnOK->setDefault(false);
    btnOK->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &Tfrm_Sorhozza::accept);
    connect(cancel, &QPushButton::clicked, this, &Tfrm_Sorhozza::reject);
    auto* form = new QFormLayout;
    form->addRow(u"Tétel"_s, eTetel);
    form->addRow(u"Ár"_s, eAr);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    CapitalizeFirstKey({eTetel});
    EnterColouring({eTetel, eAr});
    EnterAsTab(this, btnOK);
    setFixedSize(sizeHint());
}

bool Tfrm_Sorhozza::priceIsValid() {
    try {
        m_line.setNumberText(u"ar"_s, eAr->text());
        return true;
    } catch (const SonoriaError& e) {
        ErrorBox(e.message(), this);
        eAr->setFocus();
        eAr->selectAll();
        return false;
    }
}

bool Tfrm_Sorhozza::eventFilter(QObject* watched, QEvent* event) {
    // Text that is no number is refused when the box is left (not when the user is leaving the dialog).
    if (watched == eAr && event->type() == QEvent::FocusOut && isVisible() && focusWidget() != btnMegsem &&
        !priceIsValid())
        return true;
    return SonoriaDialog::eventFilter(watched, event);
}

void Tfrm_Sorhozza::accept() {
    if (!priceIsValid()) return;
    if (SaveOrTell(this, [this] {
            m_line.setText(u"tetel_nev"_s, eTetel->text());
            m_line.post();
        }))
        SonoriaDialog::accept();
}

int OpenLineItem(QWidget* parent, Connection& db, int line, int examination, int item) {
    RowEditor row(db, u"munkalap_tetel"_s, u"munkalap_tetel"_s);
    if (line < 0) {
        row.startNew();
        row.setInt(u"munkalap"_s, examination);
        TakeItem(db, row, item);
    } else {
        if (!row.load(line)) return -1; // another workstation deleted it meanwhile
        if (row.value(u"tetel"_s).toInt() != item) TakeItem(db, row, item);
    }
    Tfrm_Sorhozza dialog(parent, row);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return row.key().toInt();
}
