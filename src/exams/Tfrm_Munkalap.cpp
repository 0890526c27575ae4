#include "Tfrm_Munkalap.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "core/TextRoutines.h"
#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "reports/layouts/Layouts.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"

#include <QAction>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {
QString column(int n) {
    return u"m%1"_s.arg(n, 2, 10, QLatin1Char('0'));
}

struct MeasurementGroup {
    QString title;
    QList<std::pair<QString, QString>> boxes; // label, column
};
struct MeasurementTab {
    QString title;
    QList<MeasurementGroup> groups;
};

// The measurement tab of an examination type, each box with its own column; none for the general
// type (1) and any unknown one.
std::optional<MeasurementTab> measurementTab(int type) {
    switch (type) {
    case 2:
        return MeasurementTab{
            u"Pajzsmirigy UH"_s,
            {{u"Lebenyméretek (a * b * c)"_s,
              {{u"Bal oldalon"_s, column(1)}, {u"Jobb oldalon"_s, column(2)}, {u"Isthmus"_s, column(3)}}}}};
    case 3:
        return MeasurementTab{u"Nyaki erek"_s,
                              {{u"Sebesség értékek bal oldalon"_s,
                                {{u"ACI"_s, column(1)}, {u"ACE"_s, column(2)}, {u"ACC"_s, column(3)}}},
                               {u"Sebesség értékek jobb oldalon"_s,
                                {{u"ACI"_s, column(4)}, {u"ACE"_s, column(5)}, {u"ACC"_s, column(6)}}},
                               {u"Egyéb"_s, {{u"AV"_s, column(7)}}}}};
    case 4: {
        const QStringList arteries{u"AFC"_s, u"AFS"_s, u"AP"_s, u"A.peronea"_s, u"ATP"_s, u"ATA"_s, u"ADP"_s};
        MeasurementGroup left{u"Sebesség értékek bal oldalon"_s, {}},
            right{u"Sebesség értékek jobb oldalon"_s, {}};
        for (int i = 0; i < arteries.size(); ++i) {
            left.boxes << std::pair{arteries[i], column(i + 1)};
            right.boxes << std::pair{arteries[i], column(i + 8)};
        }
        return MeasurementTab{u"Alsó végtagi erek"_s, {left, right}};
    }
    default:
        return std::nullopt;
    }
}
} // namespace

Tfrm_Munkalap::Tfrm_Munkalap(QWidget* parent, Connection& db, const ExamScreens& screens, int type)
    : SonoriaDialog(u"frm_Munkalap"_s, Placement::Position, parent), m_db(db), m_screens(screens),
      m_row(db, u"munkalap"_s, u"munkalap"_s) {
    setWindowTitle(u"Vizsgálat rögzítése"_s);
    tabs = new QTabWidget(this);
    tabs->addTab(buildExamTab(), u"Vizsgálat"_s);
    tabs->addTab(buildTextTab(), u"Szöveg, vélemény"_s);
    // Only the type's own measurement tab exists: the tab strip, Ctrl+Tab and the arrow keys reach no
    // other type's boxes, and no box of another type is read or written.
    addMeasurementTab(type);

    auto* totalBox = new QGroupBox(u"Összesen"_s, this);
    eOsszesen = readOnlyBox();
    eOsszesen->setAlignment(Qt::AlignRight);
    QFont bold = eOsszesen->font();
    bold.setBold(true);
    eOsszesen->setFont(bold);
    (new QHBoxLayout(totalBox))->addWidget(eOsszesen);

    btnOK = new QPushButton(u"OK"_s, this);
    btnMegsem = new QPushButton(u"Mégsem"_s, this);
    btnNyomtat = new QPushButton(u"Nyomtat"_s, this);
    btnElokep = new QPushButton(u"Előkép"_s, this);
    for (QPushButton* b : {btnOK, btnMegsem, btnNyomtat, btnElokep})
        b->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &Tfrm_Munkalap::accept);
    connect(btnMegsem, &QPushButton::clicked, this, &Tfrm_Munkalap::reject);
    connect(btnNyomtat, &QPushButton::clicked, this, [this] { print(true); });
    connect(btnElokep, &QPushButton::clicked, this, [this] { print(false); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(totalBox, 1);
    auto* buttons = new QGridLayout;
    buttons->addWidget(btnNyomtat, 0, 0);
    buttons->addWidget(btnElokep, 0, 1);
    buttons->addWidget(btnOK, 1, 0);
    buttons->addWidget(btnMegsem, 1, 1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);

    EnterAsTab(this);
    resize(760, 600);
    setFixedSize(size());
}

QLineEdit* Tfrm_Munkalap::readOnlyBox() {
    auto* e = new QLineEdit(this);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus); // skipped by Tab
    QPalette p = e->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    e->setPalette(p);
    return e;
}

QLineEdit* Tfrm_Munkalap::boundBox(const QString& field) {
    auto* e = new QLineEdit(this);
    m_bound.insert(field, e);
    EnterColouring(e);
    return e;
}

QWidget* Tfrm_Munkalap::buildExamTab() {
    auto* page = new QWidget(this);
    auto* exam = new QGroupBox(u"Vizsgálat"_s, page);
    eMunkalap = readOnlyBox();
    eDatum = readOnlyBox();
    eBeteg = readOnlyBox();
    eTaj = readOnlyBox();
    eMegjelent = readOnlyBox();
    ePanasz = boundBox(u"panaszok"_s);
    eTipus = boundBox(u"cim"_s);
    auto* grid = new QGridLayout(exam);
    grid->addWidget(new QLabel(u"Vizsgálat"_s), 0, 0);
    grid->addWidget(eMunkalap, 0, 1);
    grid->addWidget(new QLabel(u"Dátum"_s), 0, 2);
    grid->addWidget(eDatum, 0, 3);
    grid->addWidget(new QLabel(u"Megjelent"_s), 0, 4);
    grid->addWidget(eMegjelent, 0, 5);
    grid->addWidget(new QLabel(u"Beteg neve"_s), 1, 0);
    grid->addWidget(eBeteg, 1, 1, 1, 3);
    grid->addWidget(new QLabel(u"TAJ"_s), 1, 4);
    grid->addWidget(eTaj, 1, 5);
    grid->addWidget(new QLabel(u"Panasz"_s), 2, 0);
    grid->addWidget(ePanasz, 2, 1, 1, 5);
    grid->addWidget(new QLabel(u"Típus"_s), 3, 0);
    grid->addWidget(eTipus, 3, 1, 1, 5);

    auto* items = new QGroupBox(u"Végzett vizsgálatok"_s, page);
    auto* bar = new QToolBar(items);
    aUj = new QAction(u"Új tétel"_s, this);
    aSzerkeszt = new QAction(u"Szerkeszt"_s, this);
    aTorol = new QAction(u"Töröl"_s, this);
    aUj->setShortcut(Qt::Key_Insert);
    aSzerkeszt->setShortcut(Qt::Key_F2);
    aTorol->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    for (QAction* a : {aUj, aSzerkeszt, aTorol}) {
        a->setToolTip(a->text());
        a->setShortcutContext(Qt::WindowShortcut); // anywhere in the window, the text editors too
        addAction(a);
        bar->addAction(a);
    }
    connect(aUj, &QAction::triggered, this, [this] { RunGuarded([this] { aUjExecute(); }); });
    connect(aSzerkeszt, &QAction::triggered, this, [this] { RunGuarded([this] { aSzerkesztExecute(); }); });
    connect(aTorol, &QAction::triggered, this, [this] { RunGuarded([this] { aTorolExecute(); }); });
    gridTetel = new QTableView(items);
    SetUpBrowseGrid(gridTetel);
    m_lines = new BrowseList(m_db, gridTetel, LineItemsQuery(0), this);
    m_lines->model()->setColumns({{u"tetel_nev"_s, u"Tétel"_s, {}, {}},
                                  {u"ar"_s, u"Ár"_s, Beall.formatFt, {}},
                                  {u"who"_s, u"WHO"_s, {}, {}}});
    m_lines->model()->setHighlightedColumn(-1);
    gridTetel->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(gridTetel, &QTableView::doubleClicked, this,
            [this] { RunGuarded([this] { aSzerkesztExecute(); }); });
    auto* itemsLayout = new QVBoxLayout(items);
    itemsLayout->addWidget(bar);
    itemsLayout->addWidget(gridTetel);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(exam);
    layout->addWidget(items, 1);
    return page;
}

namespace {
// One-line and multi-line boxes name these operations alike.
template <class Edit> void ApplyEditOperation(Edit* e, Tfrm_Munkalap::EditOperation op) {
    switch (op) {
    case Tfrm_Munkalap::EditOperation::Cut:
        e->cut();
        break;
    case Tfrm_Munkalap::EditOperation::Copy:
        e->copy();
        break;
    case Tfrm_Munkalap::EditOperation::Paste:
        e->paste();
        break;
    case Tfrm_Munkalap::EditOperation::Undo:
        e->undo();
        break;
    case Tfrm_Munkalap::EditOperation::SelectAll:
        e->selectAll();
        break;
    }
}
} // namespace

void Tfrm_Munkalap::editAction(EditOperation op) {
    // Cut, copy, paste, undo and select all act on whichever box has the focus.
    QWidget* f = focusWidget();
    if (auto* e = qobject_cast<QLineEdit*>(f))
        ApplyEditOperation(e, op);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(f))
        ApplyEditOperation(m, op);
}

QWidget* Tfrm_Munkalap::buildTextTab() {
    auto* page = new QWidget(this);
    auto* bar = new QToolBar(page);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Edit {
        QString caption;
        QKeySequence key;
        EditOperation op;
        bool separatorAfter;
    };
    const Edit edits[] = {
        {u"Kivág"_s, QKeySequence(Qt::CTRL | Qt::Key_X), EditOperation::Cut, false},
        {u"Másol"_s, QKeySequence(Qt::CTRL | Qt::Key_C), EditOperation::Copy, false},
        {u"Beilleszt"_s, QKeySequence(Qt::CTRL | Qt::Key_V), EditOperation::Paste, true},
        {u"Visszavon"_s, QKeySequence(Qt::CTRL | Qt::Key_Z), EditOperation::Undo, true},
    };
    for (const Edit& e : edits) {
        auto* a = new QAction(e.caption, this);
        a->setShortcut(e.key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, op = e.op] { editAction(op); });
        addAction(a);
        bar->addAction(a);
        if (e.separatorAfter) bar->addSeparator();
    }
    aBeszur = new QAction(u"Beszúr"_s, this);
    // Linux desktops take Alt+Space for their window menu (and input methods often Ctrl+Space), so
    // Ctrl+B ("Beszúr") works as well.
    aBeszur->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Space), QKeySequence(Qt::CTRL | Qt::Key_B)});
    aBeszur->setToolTip(u"Beszúr (Alt+Szóköz vagy Ctrl+B)"_s);
    aBeszur->setShortcutContext(Qt::WindowShortcut);
    connect(aBeszur, &QAction::triggered, this, [this] { RunGuarded([this] { aBeszurExecute(); }); });
    addAction(aBeszur);
    bar->addAction(aBeszur);
    auto* selectAll = new QAction(u"Mindet kijelöl"_s, this);
    selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    selectAll->setShortcutContext(Qt::WindowShortcut);
    connect(selectAll, &QAction::triggered, this, [this] { editAction(EditOperation::SelectAll); });
    addAction(selectAll);

    mSzoveg = new TextBox(page);
    mVelemeny = new TextBox(page);
    for (TextBox* m : {mSzoveg, mVelemeny}) {
        m->setTabChangesFocus(true);
        m->installEventFilter(this);
        EnterColouring(m);
    }
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(bar);
    layout->addWidget(new QLabel(u"Szöveg"_s, page));
    layout->addWidget(mSzoveg, 1);
    layout->addWidget(new QLabel(u"Vélemény"_s, page));
    layout->addWidget(mVelemeny, 1);
    m_snippetTarget = mSzoveg;
    return page;
}

void Tfrm_Munkalap::addMeasurementTab(int type) {
    const std::optional<MeasurementTab> tab = measurementTab(type);
    if (!tab) return;
    auto* page = new QWidget(this);
    auto* layout = new QHBoxLayout(page);
    for (const MeasurementGroup& g : tab->groups) {
        auto* group = new QGroupBox(g.title, page);
        auto* form = new QFormLayout(group);
        for (const auto& [label, field] : g.boxes) {
            QLineEdit* e = boundBox(field);
            e->setMaxLength(50);
            form->addRow(label, e);
        }
        layout->addWidget(group, 0, Qt::AlignTop);
    }
    layout->addStretch();
    tabs->addTab(page, tab->title);
}

bool Tfrm_Munkalap::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == mSzoveg || watched == mVelemeny))
        m_snippetTarget = static_cast<QPlainTextEdit*>(watched);
    return SonoriaDialog::eventFilter(watched, event);
}

void Tfrm_Munkalap::load(int key, bool newExamination) {
    m_key = key;
    m_new = newExamination;
    if (!m_row.load(key))
        throw SonoriaError(
            u"A(z) %1. vizsgálat nem található; talán egy másik munkaállomás törölte."_s.arg(key));
    m_lines->query().setLines(LineItemsQuery(key));
    m_lines->open();

    // Saving stays possible only below status 3 (no status counts as 0).
    btnOK->setEnabled(VarToInt(m_row.value(u"statusz"_s), 0) < 3);

    const int patient = VarToInt(m_row.value(u"ugyfel"_s), 0);
    eMunkalap->setText(m_row.text(u"munkalap"_s));
    eDatum->setText(QLocale().toString(m_row.value(u"datum"_s).toDate(), QLocale::ShortFormat));
    const ExaminationPatient shown = LoadExaminationPatient(m_db, patient);
    eBeteg->setText(shown.name);
    eTaj->setText(shown.taj);
    eMegjelent->setText(shown.examinations);
    for (auto it = m_bound.cbegin(); it != m_bound.cend(); ++it) {
        const int length = m_row.maxLength(it.key());
        if (length > 0) it.value()->setMaxLength(length);
        it.value()->setText(m_row.text(it.key()));
    }
    showTotal();

    tabs->setCurrentIndex(0);
    mSzoveg->setStoredText(m_row.text(u"szoveg"_s));
    mVelemeny->setStoredText(m_row.text(u"velemeny"_s));
    m_snippetTarget = mSzoveg;
}

void Tfrm_Munkalap::showTotal() {
    eOsszesen->setText(FormatFt(VarToFloat(m_row.value(u"ar_ossz"_s), 0)));
}

bool Tfrm_Munkalap::saveRow() {
    try {
        // A box the user left as it was writes nothing, so the stored text keeps its bytes.
        for (auto it = m_bound.cbegin(); it != m_bound.cend(); ++it)
            if (it.value()->text() != m_row.text(it.key()))
                m_row.setText(it.key(), CrLfLineBreaks(it.value()->text()));
        if (mSzoveg->isEdited()) m_row.setText(u"szoveg"_s, mSzoveg->storedText());
        if (mVelemeny->isEdited()) m_row.setText(u"velemeny"_s, mVelemeny->storedText());
        m_row.post();
        // Saved before printing: a later edit, even one back to the earlier text, is a change again.
        for (TextBox* text : {mSzoveg, mVelemeny})
            text->markStored();
        return true;
    } catch (const SonoriaError& e) {
        // The window stays open with everything typed.
        ErrorBox(e.message(), this);
        return false;
    }
}

void Tfrm_Munkalap::RecomputeTotal() {
    m_row.setDouble(u"ar_ossz"_s, LineItemsTotal(m_db, m_key));
    showTotal();
}

void Tfrm_Munkalap::aUjExecute() {
    const int item = m_screens.pickItem ? m_screens.pickItem(this, -1) : -1;
    if (item < 0) return;
    const int line = OpenLineItem(this, m_db, -1, m_key, item);
    if (line < 0) return;
    m_lines->reread();
    m_lines->locate(u"munkalap_tetel"_s, Value::fromInt(line));
    RecomputeTotal();
}

void Tfrm_Munkalap::aSzerkesztExecute() {
    if (m_lines->currentRow() < 0) return; // an empty grid has no line to edit
    const int line = m_lines->current(u"munkalap_tetel"_s).toInt();
    const int item = m_screens.pickItem ? m_screens.pickItem(this, m_lines->current(u"tetel"_s).toInt()) : -1;
    if (item < 0) return;
    if (OpenLineItem(this, m_db, line, m_key, item) < 0) return;
    m_lines->reread();
    m_lines->locate(u"munkalap_tetel"_s, Value::fromInt(line));
    RecomputeTotal();
}

void Tfrm_Munkalap::aTorolExecute() {
    if (m_lines->currentRow() < 0) return;
    if (!ConfirmBox(u"Valóban töröljem a sort?"_s, u"Megerősítés"_s, this)) return;
    DeleteLineItem(m_db, m_lines->current(u"munkalap_tetel"_s).toInt());
    m_lines->reread();
    RecomputeTotal();
}

void Tfrm_Munkalap::aBeszurExecute() {
    QPlainTextEdit* target = m_snippetTarget;
    const QString selected = target->textCursor().selectedText();
    if (!m_screens.pickSnippet) return;
    const std::optional<QString> text = m_screens.pickSnippet(this, selected);
    if (!text) return;
    target->textCursor().insertText(*text); // replaces the selection, or goes in at the caret
    target->setFocus();
}

void Tfrm_Munkalap::print(bool toPrinter) {
    // The sheet shows what is on the screen: the row is saved with its texts first.
    if (!saveRow()) return;
    noteContinuation();
    if (m_screens.printFindings) m_screens.printFindings(this, m_key, toPrinter);
}

// Called once the row is saved: the texts as the sheet will print them.
void Tfrm_Munkalap::noteContinuation() {
    const QStringList texts =
        FindingsContinued(VarToInt(m_row.value(u"mlaptipus"_s), 1), m_row.text(u"panaszok"_s),
                          m_row.text(u"szoveg"_s), m_row.text(u"velemeny"_s));
    if (texts.isEmpty()) return;
    InfoBox(u"A leleten nem fér el teljesen: %1. A folytatás külön lapra kerül, a lelet után."_s.arg(
                texts.join(u", "_s)),
            this);
}

void Tfrm_Munkalap::accept() {
    if (!btnOK->isEnabled() || !saveRow()) return;
    try {
        FinishExamination(m_db, m_key);
    } catch (const SonoriaError& e) {
        ErrorBox(e.message(), this);
        return;
    }
    noteContinuation();
    m_new = false;
    SonoriaDialog::accept();
}

void Tfrm_Munkalap::reject() {
    m_row.cancel();
    if (m_new) {
        // An abandoned new examination leaves nothing behind: its lines go first, then the row.
        RunGuarded([this] { DeleteNewExamination(m_db, m_key); });
        m_new = false;
    }
    SonoriaDialog::reject();
}

void Tfrm_Munkalap::storePlacement() {
    SaveFormBounds(section(), FormBounds(this));
}

int OpenExamination(QWidget* parent, Connection& db, const ExamScreens& screens, int examination, int patient,
                    int type) {
    const bool isNew = examination < 0;
    if (isNew && patient < 0) {
        patient = screens.pickPatient ? screens.pickPatient(parent) : -1;
        if (patient < 0) return -1;
    }
    Tfrm_Munkalap window(parent, db, screens, type);
    int key = examination;
    if (isNew) {
        key = CreateExamination(db, patient, type);
    }
    try {
        window.load(key, isNew);
    } catch (...) {
        if (isNew) RunGuarded([&] { DeleteNewExamination(db, key); });
        throw;
    }
    return window.exec() == QDialog::Accepted ? key : -1;
}
