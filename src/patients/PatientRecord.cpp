#include "PatientRecord.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "core/SqlText.h"
#include "db/QueryHelpers.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"

#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

static void InitPatientResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(patients);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {
const QString TajMask = u"999-999-999;_"_s;
const QString BirthDateMask = u"9999.99.99;_"_s;

QPixmap RenderSvg(const QString& path, QSize size, qreal ratio) {
    QSvgRenderer renderer(path);
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

} // namespace

Tfrm_Szerkeszt::Tfrm_Szerkeszt(QWidget* parent, Connection& db)
    : SonoriaDialog(u"frm_Szerkeszt"_s, Placement::Position, parent), m_db(db),
      m_row(db, u"ugyfel"_s, u"ugyfel"_s) {
    InitPatientResources();
    setWindowTitle(u"Szerkesztés"_s);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(u"PageControl1"_s);
    auto* page = new QWidget(tabs);
    tabs->addTab(page, u"Általános adatok"_s);
    layout->addWidget(tabs);

    auto* grid = new QGridLayout(page);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    auto addEdit = [&](const QString& column, int width) {
        auto* e = new QLineEdit(page);
        e->setObjectName(column);
        e->setMinimumWidth(width);
        m_boxes << Box{column, e};
        return e;
    };
    auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, page);
        l->setBuddy(buddy);
        return l;
    };

    QLineEdit* name = addEdit(u"ugyfel_nev"_s, 360);
    QLineEdit* taj = addEdit(u"taj"_s, 130);
    taj->setInputMask(TajMask);
    QLineEdit* birthDate = addEdit(u"szuldatum"_s, 130);
    birthDate->setInputMask(BirthDateMask);
    QLineEdit* birthPlace = addEdit(u"szulhely"_s, 150);
    QLineEdit* mother = addEdit(u"anyjaneve"_s, 150);
    QLineEdit* phone = addEdit(u"telefon"_s, 150);
    QLineEdit* mail = addEdit(u"emil"_s, 150);
    m_postalButton = new QToolButton(page);
    m_postalButton->setObjectName(u"btnIrsz"_s);
    m_postalButton->setToolTip(u"Irányítószám választás"_s);
    m_postalButton->setIcon(QIcon(RenderSvg(u":/patients/pictures/irsz.svg"_s, {20, 20}, 2)));
    m_postalButton->setIconSize({20, 20});
    m_postalButton->setFocusPolicy(Qt::StrongFocus);
    QLineEdit* postalCode = addEdit(u"cim_irsz"_s, 70);
    QLineEdit* city = addEdit(u"cim_varos"_s, 150);
    QLineEdit* street = addEdit(u"cim_cim"_s, 360);
    m_date = new QDateEdit(page);
    m_date->setObjectName(u"dat_utolso"_s);
    m_date->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    m_date->setCalendarPopup(true);
    m_date->setMinimumWidth(220);
    m_remark = new TextBox(page);
    m_remark->setObjectName(u"megjegyzes"_s);
    QFont mono(u"Courier New"_s);
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    m_remark->setFont(mono);
    m_remark->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_remark->setTabChangesFocus(true);
    m_remark->setFixedHeight(110);

    m_picture = new QLabel(page);
    m_picture->setObjectName(u"imgKep"_s);
    m_picture->setFixedSize(96, 96);
    m_picture->setAlignment(Qt::AlignCenter);

    int r = 0;
    grid->addWidget(label(u"Beteg neve"_s, name), r, 0);
    grid->addWidget(name, r, 1, 1, 3);
    grid->addWidget(m_picture, r, 4, 3, 1, Qt::AlignRight | Qt::AlignTop);
    ++r;
    grid->addWidget(label(u"TAJ"_s, taj), r, 0);
    grid->addWidget(taj, r, 1);
    grid->addWidget(label(u"Szül.dátum"_s, birthDate), r, 2);
    grid->addWidget(birthDate, r, 3);
    ++r;
    grid->addWidget(label(u"Született"_s, birthPlace), r, 0);
    grid->addWidget(birthPlace, r, 1);
    grid->addWidget(label(u"Anyja neve"_s, mother), r, 2);
    grid->addWidget(mother, r, 3);
    ++r;
    grid->addWidget(label(u"Telefon"_s, phone), r, 0);
    grid->addWidget(phone, r, 1);
    grid->addWidget(label(u"E-mail"_s, mail), r, 2);
    grid->addWidget(mail, r, 3, 1, 2);
    ++r;
    auto* postalRow = new QHBoxLayout;
    postalRow->setSpacing(4);
    postalRow->addWidget(postalCode);
    postalRow->addWidget(m_postalButton);
    postalRow->addStretch(1);
    grid->addWidget(label(u"Irányítószám"_s, postalCode), r, 0);
    grid->addLayout(postalRow, r, 1);
    grid->addWidget(label(u"Város"_s, city), r, 2);
    grid->addWidget(city, r, 3, 1, 2);
    ++r;
    grid->addWidget(label(u"Cím"_s, street), r, 0);
    grid->addWidget(street, r, 1, 1, 4);
    ++r;
    grid->addWidget(label(u"Nálam járt"_s, m_date), r, 0);
    grid->addWidget(m_date, r, 1, 1, 2, Qt::AlignLeft);
    ++r;
    grid->addWidget(label(u"Megjegyzés"_s, m_remark), r, 0, 1, 5);
    ++r;
    grid->addWidget(m_remark, r, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    const OkCancelButtons okCancel = AddOkCancelRow(this, layout, [this] { okClicked(); });
    m_ok = okCancel.ok;
    m_cancel = okCancel.cancel;
    connect(m_postalButton, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { pickPostalCode(); }); });
    postalCode->installEventFilter(this);

    const QList<QWidget*> order = {name,   taj,    birthDate,      birthPlace, mother,
                                   phone,  mail,   m_postalButton, postalCode, city,
                                   street, m_date, m_ok,           m_cancel,   m_remark};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    CapitalizeFirstKey({name, birthPlace, city, street});
    for (const Box& b : m_boxes)
        EnterColouring(b.edit);
    EnterColouring({m_remark, m_date});
    EnterAsTab(this);
    name->setFocus();
}

QLineEdit* Tfrm_Szerkeszt::edit(const QString& column) const {
    for (const Box& b : m_boxes)
        if (b.column == column) return b.edit;
    return nullptr;
}

bool Tfrm_Szerkeszt::start(int key) {
    if (key < 0) {
        m_row.startNew();
    } else if (!m_row.load(key)) {
        return false;
    }
    m_shown.clear();
    for (const Box& b : m_boxes) {
        if (b.edit->inputMask().isEmpty())
            if (const int n = m_row.maxLength(b.column); n > 0) b.edit->setMaxLength(n);
        b.edit->setText(m_row.text(b.column));
        m_shown << boxValue(b);
    }
    m_remark->setStoredText(m_row.text(u"megjegyzes"_s));
    if (m_row.isNew()) edit(u"cim_varos"_s)->setText(Beall.alapVaros);
    // A patient without a visit date shows today; OK stores what the picker shows.
    const Value last = m_row.value(u"dat_utolso"_s);
    m_dateShown = last.isNull() ? QDate() : last.toDate();
    m_date->setDate(m_dateShown.isValid() ? m_dateShown : QDate::currentDate());
    return true;
}

void Tfrm_Szerkeszt::showEvent(QShowEvent* event) {
    if (m_pictureIndex < 0) {
        m_pictureIndex = PictureForNumber(static_cast<int>(QRandomGenerator::global()->bounded(7)));
        m_picture->setPixmap(RenderSvg(PicturePath(m_pictureIndex), {96, 96}, devicePixelRatio()));
        m_boxes.first().edit->setFocus();
    }
    SonoriaDialog::showEvent(event);
}

int Tfrm_Szerkeszt::PictureForNumber(int number) {
    switch (number) {
    case 1:
        return 1;
    case 2:
        return 2;
    default:
        return 0;
    }
}

QString Tfrm_Szerkeszt::PicturePath(int index) {
    InitPatientResources();
    static const QStringList paths = {u":/patients/pictures/szonda.svg"_s, u":/patients/pictures/sziv.svg"_s,
                                      u":/patients/pictures/karton.svg"_s};
    return paths.value(index, paths.first());
}

bool Tfrm_Szerkeszt::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == edit(u"cim_irsz"_s))
        RunGuarded([this] { fillCityFromPostalCode(); });
    return SonoriaDialog::eventFilter(watched, event);
}

void Tfrm_Szerkeszt::fillCityFromPostalCode() {
    QLineEdit* city = edit(u"cim_varos"_s);
    if (!city->text().isEmpty() && city->text() != Beall.alapVaros) return;
    const QString code = edit(u"cim_irsz"_s)->text();
    if (!Codec::latin2().canEncode(code)) return; // no such code; saving tells what is wrong with it
    const QString found =
        SelectText(m_db, u"SELECT varos FROM irsz WHERE irsz="_s + SqlQuote(code) + u';', {});
    if (!found.isEmpty()) city->setText(found);
}

void Tfrm_Szerkeszt::pickPostalCode() {
    const PostalCodeChoice choice = BrowsePostalCodes(this, m_db, edit(u"cim_irsz"_s)->text(), true);
    if (choice.code.isEmpty()) return;
    edit(u"cim_irsz"_s)->setText(choice.code);
    edit(u"cim_varos"_s)->setText(choice.city);
    edit(u"cim_cim"_s)->setFocus(Qt::OtherFocusReason);
}

QString Tfrm_Szerkeszt::boxValue(const Box& b) const {
    if (b.edit->inputMask().isEmpty()) return b.edit->text();
    // A masked box keeps its separators up to the last digit typed; open places inside are spaces.
    QString shown = b.edit->displayText();
    qsizetype last = shown.size() - 1;
    while (last >= 0 && !shown[last].isDigit())
        --last;
    shown.truncate(last + 1);
    shown.replace(u'_', u' ');
    return shown;
}

void Tfrm_Szerkeszt::copyIntoRow() {
    for (int i = 0; i < m_boxes.size(); ++i) {
        const QString value = boxValue(m_boxes[i]);
        if (m_row.isNew() ? value.isEmpty() : value == m_shown[i]) continue;
        m_row.setText(m_boxes[i].column, value);
    }
    if (m_row.isNew() ? !m_remark->storedText().isEmpty() : m_remark->isEdited())
        m_row.setText(u"megjegyzes"_s, m_remark->storedText());
    if (m_date->date() != m_dateShown) m_row.setDate(u"dat_utolso"_s, m_date->date());
}

void Tfrm_Szerkeszt::okClicked() {
    // What the server or the code page refuses is told, and the window stays open with what was typed.
    if (SaveOrTell(
            this,
            [this] {
                copyIntoRow();
                m_saved = m_row.post().toInt();
            },
            u"Hibás adat megadás: "_s))
        accept();
}

int Tfrm_Szerkeszt::run() {
    if (exec() == QDialog::Accepted) return m_saved;
    m_row.cancel();
    return -1;
}

int OpenPatient(QWidget* parent, Connection& db, int key) {
    Tfrm_Szerkeszt f(parent, db);
    if (!f.start(key)) {
        ErrorBox(u"A páciens nem található, talán egy másik gépen törölték."_s, parent);
        return -1;
    }
    return f.run();
}

KeyAndName BrowsePatients(QWidget* parent, Connection& db, int key, bool pickMode, const QString& caption) {
    return BrowsePatients(parent, db, key, pickMode, caption, &OpenPatient);
}
