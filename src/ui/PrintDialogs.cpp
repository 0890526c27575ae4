#include "PrintDialogs.h"

#include "Conventions.h"
#include "Icons.h"
#include "SonoriaDialog.h"
#include "core/Dates.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QDateEdit* datePicker(QWidget* parent, const QString& name) {
    auto* e = new QDateEdit(parent);
    e->setObjectName(name);
    e->setCalendarPopup(true);
    e->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    e->setMinimumWidth(120);
    EnterColouring(e);
    return e;
}

QLabel* picture(QWidget* parent, const QString& icon) {
    auto* l = new QLabel(parent);
    l->setObjectName(u"picture"_s);
    l->setFixedSize(64, 64);
    l->setPixmap(SonoriaPixmap(icon, 64));
    return l;
}

} // namespace

bool AskPeriod(QDate& from, QDate& to, const QString& caption, QWidget* parent) {
    SonoriaDialog d(u"frm_Idoszak"_s, SonoriaDialog::Placement::Position, parent);
    d.setObjectName(u"Tfrm_Idoszak"_s);
    d.setWindowTitle(caption.isEmpty() ? u"Időszak megadása"_s : caption);
    auto* period = new QGroupBox(u"Időszak"_s, &d);
    QDateEdit* eAlso = datePicker(period, u"eAlso"_s);
    QDateEdit* eFelso = datePicker(period, u"eFelso"_s);
    eAlso->setDate(from);
    eFelso->setDate(to);
    auto* pl = new QHBoxLayout(period);
    pl->addWidget(eAlso);
    pl->addWidget(new QLabel(u"–"_s, period));
    pl->addWidget(eFelso);

    auto* interval = new QGroupBox(u"Intervallum"_s, &d);
    auto* il = new QGridLayout(interval);
    const QDate today = QDate::currentDate();
    const struct {
        QString caption;
        Period (*preset)(QDate);
    } presets[] = {{u"Ez a hét"_s, ThisWeek},
                   {u"Ez a hónap"_s, ThisMonth},
                   {u"Múlt hónap"_s, LastMonth},
                   {u"Idén"_s, ThisYear}};
    int i = 0;
    for (const auto& p : presets) {
        auto* b = new QPushButton(p.caption, interval);
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, &d, [=, preset = p.preset] {
            const Period chosen = preset(today);
            eAlso->setDate(chosen.from);
            eFelso->setDate(chosen.to);
        });
        il->addWidget(b, i / 2, i % 2);
        ++i;
    }
    const OkCancelButtons b = MakeOkCancel(&d, false);
    auto* right = new QVBoxLayout;
    right->addWidget(picture(&d, u"calendar"_s), 0, Qt::AlignHCenter);
    right->addStretch();
    right->addWidget(b.ok);
    right->addWidget(b.cancel);
    auto* left = new QVBoxLayout;
    left->addWidget(period);
    left->addWidget(interval);
    auto* main = new QHBoxLayout(&d);
    main->addLayout(left);
    main->addLayout(right);
    EnterAsTab(&d, b.ok);
    d.setFixedSize(d.sizeHint());
    FixedSizeFrame(&d);
    if (d.exec() != QDialog::Accepted) return false;
    from = eAlso->date();
    to = eFelso->date();
    return true;
}

int AskPrintChoice(QString& printerName, QWidget* parent) {
    SonoriaDialog d(u"frm_NyomValaszt"_s, SonoriaDialog::Placement::Position, parent);
    d.setObjectName(u"Tfrm_NyomValaszt"_s);
    d.setWindowTitle(u"Nyomtatás típusa"_s);
    const QStringList printers = QPrinterInfo::availablePrinterNames();
    if (printerName.isEmpty() && !printers.isEmpty()) printerName = printers.first();

    auto* group = new QGroupBox(u"Nyomtatás típusa"_s, &d);
    auto* options = new QButtonGroup(&d);
    auto* gl = new QVBoxLayout(group);
    const QString captions[] = {u"Nyomtatási kép"_s, u"Nyomtatás"_s, u"Excelbe (CSV)"_s};
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(captions[i], group);
        r->setObjectName(u"option%1"_s.arg(i));
        options->addButton(r, i);
        gl->addWidget(r);
    }
    auto* printerLabel = new QLabel(u"Nyomtató"_s, &d);
    auto* printerBox = new QComboBox(&d);
    printerBox->setObjectName(u"printer"_s);
    printerBox->setEditable(true);
    printerBox->addItems(printers);
    printerBox->setEditText(printerName);
    printerBox->setMinimumWidth(220);
    printerLabel->setBuddy(printerBox);
    QLabel* pic = picture(&d, u"preview"_s);
    const QString icons[] = {u"preview"_s, u"print"_s, u"csv"_s};
    QObject::connect(options, &QButtonGroup::idToggled, &d, [=](int id, bool on) {
        if (!on) return;
        pic->setPixmap(SonoriaPixmap(icons[id], 64));
        printerBox->setEnabled(id == 1);
        printerLabel->setEnabled(id == 1);
    });
    options->button(0)->setChecked(true);
    printerBox->setEnabled(false);
    printerLabel->setEnabled(false);

    const OkCancelButtons b = MakeOkCancel(&d, true);
    auto* right = new QVBoxLayout;
    right->addWidget(b.ok);
    right->addWidget(b.cancel);
    right->addStretch();
    right->addWidget(pic, 0, Qt::AlignHCenter);
    auto* left = new QVBoxLayout;
    left->addWidget(group);
    left->addWidget(printerLabel);
    left->addWidget(printerBox);
    auto* main = new QHBoxLayout(&d);
    main->addLayout(left);
    main->addLayout(right);
    d.setFixedSize(d.sizeHint());
    FixedSizeFrame(&d);
    if (d.exec() != QDialog::Accepted) return -1;
    printerName = printerBox->currentText();
    return options->checkedId();
}

int AskChoice(int initialIndex, const QString& options, const QString& caption, QWidget* parent) {
    SonoriaDialog d(u"frm_Radio"_s, SonoriaDialog::Placement::Position, parent);
    d.setObjectName(u"Tfrm_Radio"_s);
    d.setWindowTitle(caption);
    auto* group = new QGroupBox(caption, &d);
    auto* buttons = new QButtonGroup(&d);
    auto* gl = new QVBoxLayout(group);
    const QStringList pieces = options.split(QRegularExpression(u"[,;]"_s)).mid(0, 20);
    int index = 0;
    for (const QString& piece : pieces) {
        if (piece.isEmpty()) continue;
        auto* r = new QRadioButton(piece, group);
        r->setObjectName(u"option%1"_s.arg(index));
        buttons->addButton(r, index++);
        gl->addWidget(r);
    }
    if (QAbstractButton* initial = buttons->button(initialIndex)) initial->setChecked(true);
    const OkCancelButtons b = MakeOkCancel(&d, true);
    auto* right = new QVBoxLayout;
    right->addWidget(b.ok);
    right->addWidget(b.cancel);
    right->addStretch();
    auto* main = new QHBoxLayout(&d);
    main->addWidget(group, 1);
    main->addLayout(right);
    d.setMinimumWidth(300);
    d.setFixedSize(d.sizeHint().expandedTo(QSize(300, 0)));
    FixedSizeFrame(&d);
    if (d.exec() != QDialog::Accepted) return -1;
    return buttons->checkedId();
}

bool AskDate(QDate& date, const QString& caption, QWidget* parent) {
    SonoriaDialog d(u"frm_Datumbe"_s, SonoriaDialog::Placement::Position, parent);
    d.setObjectName(u"Tfrm_Datumbe"_s);
    d.setWindowTitle(caption.isEmpty() ? u"Dátum megadása"_s : caption);
    QDateEdit* picker = datePicker(&d, u"date"_s);
    picker->setDate(date);
    const OkCancelButtons b = MakeOkCancel(&d, true);
    auto* right = new QVBoxLayout;
    right->addWidget(b.ok);
    right->addWidget(b.cancel);
    auto* main = new QHBoxLayout(&d);
    main->addWidget(picture(&d, u"calendar"_s));
    main->addWidget(picker, 0, Qt::AlignVCenter);
    main->addLayout(right);
    d.setFixedSize(d.sizeHint());
    FixedSizeFrame(&d);
    if (d.exec() != QDialog::Accepted) return false;
    date = picker->date();
    return true;
}
