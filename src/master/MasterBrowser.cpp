#include "MasterBrowser.h"

#include "MasterEditors.h"
#include "core/Codec.h"
#include "core/Config.h"
#include "core/SqlText.h"
#include "core/TextRoutines.h"
#include "data/Patients.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QAction* makeAction(QWidget* owner, const QString& name, const QString& caption, const QString& hint,
                    const QList<QKeySequence>& keys) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(name);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(a);
    return a;
}

// A text key as the list holds it (latin2 bytes); NULL for a text the database cannot hold.
Value KeyValue(const QString& text) {
    return Codec::latin2().canEncode(text) ? Value::fromText(text) : Value();
}
} // namespace

Tfrm_Torzs::Tfrm_Torzs(QWidget* parent, Connection& db, MasterDescription description, bool pickMode)
    : SonoriaDialog(description.section, Placement::Bounds, parent), m_db(db), m_desc(std::move(description)),
      m_pick(pickMode), m_sortField(m_desc.sortField) {
    setWindowTitle(m_desc.caption);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // Title panel: the search box at the left, the list's title at the right.
    auto* panel = new QFrame(this);
    panel->setObjectName(u"pnlCim"_s);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(6, 4, 8, 4);
    m_search = new QLineEdit(panel);
    m_search->setObjectName(u"edKeres"_s);
    m_search->setMinimumWidth(160);
    m_search->setPlaceholderText(u"Keresés"_s);
    m_search->setClearButtonEnabled(true);
    auto* title = new QLabel(m_desc.title, panel);
    title->setObjectName(u"lblCim"_s);
    QFont bold;
    bold.setBold(true);
    title->setFont(bold);
    panelLayout->addWidget(m_search);
    panelLayout->addStretch(1);
    panelLayout->addWidget(title);
    layout->addWidget(panel);

    aFrissit = makeAction(this, u"aFrissit"_s, u"Frissítés"_s, u"Frissítés"_s, {Qt::Key_F5});
    aUj = makeAction(this, u"aUj"_s, u"Új sor"_s, u"Új sor"_s, {Qt::Key_Insert});
    aSzerkeszt = makeAction(this, u"aSzerkeszt"_s, u"Szerkeszt"_s, u"Szerkeszt"_s, {Qt::Key_F2});
    aTorol = makeAction(this, u"aTorol"_s, m_desc.deleteCaption, u"Sor törlése"_s,
                        {QKeySequence(Qt::CTRL | Qt::Key_Delete)});
    aKeres = makeAction(this, u"aKeres"_s, u"Kereső"_s, u"Ugrás a keresőbe"_s,
                        {QKeySequence(Qt::CTRL | Qt::Key_F)});
    aElfogad = makeAction(this, u"aElfogad"_s, u"Elfogad"_s, u"Elfogad"_s, {Qt::Key_Return, Qt::Key_Enter});
    aBezar = makeAction(this, u"aBezar"_s, u"Bezár"_s, u"Bezár"_s, {Qt::Key_Escape});
    aFrissit->setVisible(m_desc.hasRefresh);
    aFrissit->setEnabled(m_desc.hasRefresh);
    aKeres->setVisible(m_desc.hasSearchAction);
    aKeres->setEnabled(m_desc.hasSearchAction);
    aElfogad->setVisible(m_pick);
    aElfogad->setEnabled(m_pick);

    connect(aFrissit, &QAction::triggered, this, [this] { RunGuarded([this] { aFrissitExecute(); }); });
    connect(aUj, &QAction::triggered, this, [this] { RunGuarded([this] { aUjExecute(); }); });
    connect(aSzerkeszt, &QAction::triggered, this, [this] { RunGuarded([this] { aSzerkesztExecute(); }); });
    connect(aTorol, &QAction::triggered, this, [this] { RunGuarded([this] { aTorolExecute(); }); });
    connect(aKeres, &QAction::triggered, this, [this] { m_search->setFocus(Qt::ShortcutFocusReason); });
    connect(aElfogad, &QAction::triggered, this, [this] { aElfogadExecute(); });
    connect(aBezar, &QAction::triggered, this, &QDialog::reject);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(u"ToolBar1"_s);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolBar->addAction(aUj);
    m_toolBar->addAction(aSzerkeszt);
    m_toolBar->addAction(aTorol);
    m_toolBar->addSeparator();
    m_toolBar->addAction(aElfogad);
    m_toolBar->addAction(aBezar);
    layout->addWidget(m_toolBar);

    m_grid = new QTableView(this);
    m_grid->setObjectName(u"DBGrid1"_s);
    SetUpBrowseGrid(m_grid);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_grid->addActions({aFrissit, aUj, aSzerkeszt, aTorol, aKeres, aElfogad, aBezar});
    layout->addWidget(m_grid, 1);

    m_list = new BrowseList(db, m_grid, m_desc.table.listLines(), this);
    m_list->model()->setColumns(m_desc.columns);
    m_list->model()->setHighlightedColumn(0);
    HighlightSortColumn(m_grid, 0);

    if (!m_desc.textField.isEmpty()) {
        m_text = new QPlainTextEdit(this);
        m_text->setObjectName(u"DBMemo1"_s);
        m_text->setReadOnly(true);
        m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m_text->setFixedHeight(110);
        m_text->setFocusPolicy(Qt::ClickFocus);
        layout->addWidget(m_text);
    }

    auto* status = new QStatusBar(this);
    status->setObjectName(u"StatusBar1"_s);
    status->setSizeGripEnabled(false);
    m_status = new QLabel(status);
    m_status->setObjectName(u"lblPozicio"_s);
    m_status->setMinimumWidth(90);
    status->addWidget(m_status);
    layout->addWidget(status);

    TypeToSearch(m_grid, m_search);
    for (QWidget* w : {static_cast<QWidget*>(m_search), static_cast<QWidget*>(m_grid)})
        w->installEventFilter(this);
    if (m_text) m_text->installEventFilter(this);

    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { RunGuarded([this, text] { searchChanged(text); }); });
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunGuarded([this, column] { titleClicked(column); }); });
    connect(m_grid, &QTableView::doubleClicked, this, [this] {
        if (m_pick)
            aElfogad->trigger();
        else
            aSzerkeszt->trigger();
    });
    connect(m_list, &BrowseList::currentRowChanged, this, &Tfrm_Torzs::rowChanged);

    resize(m_desc.columns.size() > 3 ? 1000 : 600, 480);
    m_grid->setFocus();
}

bool Tfrm_Torzs::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The window's shortcuts win over the keys an edit box would take for itself (Ctrl+Del).
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (QAction* a : actions())
            if (a->isEnabled() && a->shortcuts().contains(pressed)) {
                event->ignore();
                return true;
            }
        break;
    }
    case QEvent::FocusIn:
        if (watched == m_search) m_search->selectAll();
        break;
    case QEvent::Resize:
        if (watched == m_grid)
            ApplyWidthShares(m_grid, m_desc.widthShares, m_desc.widthMargin, WidthRounding::Truncate);
        break;
    default:
        break;
    }
    return SonoriaDialog::eventFilter(watched, event);
}

void Tfrm_Torzs::openList(const QString& field, const Value& key) {
    m_list->open();
    if (!field.isEmpty() && !key.isNull()) m_list->locate(field, key);
    rowChanged();
}

void Tfrm_Torzs::setSearchText(const QString& text) {
    m_search->setText(text);
}

void Tfrm_Torzs::searchChanged(const QString& text) {
    EncodeOrThrow(Codec::latin2(), text); // a letter the database cannot hold is told; the list stays
    m_list->setWhere(m_desc.table.baseCondition + LikeFilter(m_desc.searchFields, text));
    // A text that cannot begin the sort field (a letter in a number column) leaves the cursor alone.
    if (!text.isEmpty()) m_list->locateStartingWith(m_desc.sortable ? m_sortField : m_desc.sortField, text);
}

void Tfrm_Torzs::titleClicked(int column) {
    if (m_desc.sortable && column >= 0 && column < m_desc.columns.size()) {
        m_sortField = m_desc.columns[column].field;
        m_list->setOrderBy(m_sortField);
        HighlightSortColumn(m_grid, column);
    }
    m_search->setFocus(Qt::OtherFocusReason);
}

void Tfrm_Torzs::rowChanged() {
    m_status->setText(m_list->positionText());
    if (m_text) m_text->setPlainText(m_list->current(m_desc.textField).text());
}

void Tfrm_Torzs::aFrissitExecute() {
    m_list->reread();
}

void Tfrm_Torzs::editRow(const Value& key) {
    if (!m_desc.editor) return;
    const Value saved = m_desc.editor(this, m_db, key);
    if (saved.isNull()) return;
    m_list->reread();
    m_list->locate(m_desc.table.keyColumn, saved);
}

void Tfrm_Torzs::aUjExecute() {
    editRow(Value());
}

void Tfrm_Torzs::aSzerkesztExecute() {
    // Only a row of the list is ever edited; an empty list has none.
    if (m_list->currentRow() < 0) return;
    const Value key = m_list->current(m_desc.table.keyColumn);
    if (key.isNull()) return;
    editRow(key);
}

void Tfrm_Torzs::aTorolExecute() {
    if (m_list->currentRow() < 0) return;
    const Value key = m_list->current(m_desc.table.keyColumn);
    if (!ConfirmBox(u"Valóban töröljem a sort?"_s, u"Megerősítés"_s, this)) return;
    DeleteListedRow(m_db, m_desc.table, key);
    m_list->reread();
}

void Tfrm_Torzs::aElfogadExecute() {
    if (!m_pick) return;
    m_acceptedRow = m_list->currentRow();
    accept();
}

Value Tfrm_Torzs::acceptedValue(const QString& field) const {
    return m_acceptedRow < 0 ? Value() : m_list->model()->value(m_acceptedRow, field);
}

QString Tfrm_Torzs::acceptedDisplayText(const QString& field) const {
    if (m_acceptedRow < 0) return {};
    ResultSetModel* m = m_list->model();
    return m->displayTextOfField(m_acceptedRow, m->result().columnIndex(field));
}

// ---------------------------------------------------------------------------------------------------

MasterDescription ItemsDescription() {
    MasterDescription d;
    d.section = u"frm_TorzsTetel"_s;
    d.caption = u"Tétel választás"_s;
    d.title = u"Tételek"_s;
    d.table = ItemsTable();
    d.sortField = u"who"_s;
    d.searchFields = u"who;tetel_nev"_s;
    d.columns = {{u"who"_s, u"WHO"_s, {}, {}},
                 {u"tetel_nev"_s, u"Tétel"_s, {}, {}},
                 {u"ar"_s, u"Ár"_s, Beall.formatFt, {}}};
    d.widthShares = {0.25, 0.55, 0.20};
    d.widthMargin = 40;
    d.deleteCaption = u"Sor törlése"_s;
    d.hasRefresh = true;
    d.editor = [](QWidget* parent, Connection& db, const Value& key) {
        const int saved = EditItem(parent, db, key.isNull() ? -1 : key.toInt());
        return saved < 0 ? Value() : Value::fromInt(saved);
    };
    return d;
}

MasterDescription SnippetsDescription() {
    MasterDescription d;
    d.section = u"frm_TorzsSzotar"_s;
    d.caption = u"Szótár"_s;
    d.title = u"Szótár"_s;
    d.table = SnippetsTable();
    d.sortField = u"cim"_s;
    d.sortable = false;
    d.searchFields = u"cim;szoveg"_s;
    d.columns = {{u"cim"_s, u"Cím"_s, {}, {}}};
    d.widthShares = {1.0};
    d.widthMargin = 44;
    d.deleteCaption = u"Töröl"_s;
    d.hasSearchAction = true;
    d.textField = u"szoveg"_s;
    d.editor = [](QWidget* parent, Connection& db, const Value& key) {
        const QString saved = EditSnippet(parent, db, key.text());
        return saved.isEmpty() ? Value() : KeyValue(saved);
    };
    return d;
}

MasterDescription PostalCodesDescription() {
    MasterDescription d;
    d.section = u"frm_TorzsIrsz"_s;
    d.caption = u"Irányítószámok"_s;
    d.title = u"Irányítószámok"_s;
    d.table = PostalCodesTable();
    d.sortField = u"irsz"_s;
    d.searchFields = u"irsz;varos"_s;
    d.columns = {{u"irsz"_s, u"Irányítószám"_s, {}, {}}, {u"varos"_s, u"Település"_s, {}, {}}};
    d.widthShares = {0.25, 0.75};
    d.widthMargin = 40;
    d.deleteCaption = u"Töröl"_s;
    d.hasSearchAction = true;
    d.editor = [](QWidget* parent, Connection& db, const Value& key) {
        const int saved = EditPostalCode(parent, db, key.isNull() ? -1 : key.toInt());
        return saved < 0 ? Value() : Value::fromInt(saved);
    };
    return d;
}

MasterDescription PatientsDescription(PatientOpener patientEditor) {
    MasterDescription d;
    d.section = u"frm_TorzsUgyfel"_s;
    d.title = u"Páciensek"_s;
    d.table = PatientsTable();
    d.sortField = u"ugyfel_nev"_s;
    d.searchFields = u"ugyfel_nev;taj;irszvaroscim;telefon"_s;
    d.columns = {{u"ugyfel_nev"_s, u"Páciens neve"_s, {}, {}},
                 {u"ugyfel"_s, u"Kód"_s, u"00000"_s, {}},
                 {u"taj"_s, u"TAJ szám"_s, {}, {}},
                 {u"telefon"_s, u"Telefon"_s, {}, {}},
                 {u"irszvaroscim"_s, u"Cím"_s, {}, {}}};
    d.widthShares = {0.25, 0.05, 0.20, 0.20, 0.30};
    d.widthMargin = 40;
    d.deleteCaption = u"Sor törlése"_s;
    d.hasRefresh = true;
    if (patientEditor)
        d.editor = [patientEditor](QWidget* parent, Connection& db, const Value& key) {
            const int saved = patientEditor(parent, db, key.isNull() ? -1 : key.toInt());
            return saved < 0 ? Value() : Value::fromInt(saved);
        };
    return d;
}

Tfrm_TorzsTetel::Tfrm_TorzsTetel(QWidget* parent, Connection& db, bool pickMode)
    : Tfrm_Torzs(parent, db, ItemsDescription(), pickMode) {}
Tfrm_TorzsSzotar::Tfrm_TorzsSzotar(QWidget* parent, Connection& db, bool pickMode)
    : Tfrm_Torzs(parent, db, SnippetsDescription(), pickMode) {}
Tfrm_TorzsIrsz::Tfrm_TorzsIrsz(QWidget* parent, Connection& db, bool pickMode)
    : Tfrm_Torzs(parent, db, PostalCodesDescription(), pickMode) {}
Tfrm_TorzsUgyfel::Tfrm_TorzsUgyfel(QWidget* parent, Connection& db, bool pickMode, const QString& caption,
                                   PatientOpener patientEditor)
    : Tfrm_Torzs(parent, db, PatientsDescription(std::move(patientEditor)), pickMode) {
    setWindowTitle(caption);
}

// ---------------------------------------------------------------------------------------------------

KeyAndName BrowseItems(QWidget* parent, Connection& db, int key, bool pickMode) {
    Tfrm_TorzsTetel f(parent, db, pickMode);
    f.openList(u"tetel"_s, key >= 0 ? Value::fromInt(key) : Value());
    if (f.exec() != QDialog::Accepted || f.acceptedRow() < 0) return {};
    return {f.acceptedValue(u"tetel"_s).toInt(), f.acceptedValue(u"tetel_nev"_s).text()};
}

SnippetChoice BrowseSnippets(QWidget* parent, Connection& db, const QString& searchText, bool pickMode) {
    Tfrm_TorzsSzotar f(parent, db, pickMode);
    f.openList();
    if (!searchText.isEmpty()) f.setSearchText(searchText);
    if (f.exec() != QDialog::Accepted || f.acceptedRow() < 0) return {};
    return {f.acceptedValue(u"cim"_s).text(), f.acceptedValue(u"szoveg"_s).text()};
}

PostalCodeChoice BrowsePostalCodes(QWidget* parent, Connection& db, const QString& code, bool pickMode) {
    Tfrm_TorzsIrsz f(parent, db, pickMode);
    f.openList(u"irsz"_s, code.isEmpty() ? Value() : KeyValue(code));
    if (f.exec() != QDialog::Accepted || f.acceptedRow() < 0) return {};
    return {f.acceptedValue(u"irsz"_s).text(), f.acceptedDisplayText(u"varos"_s)};
}

KeyAndName BrowsePatients(QWidget* parent, Connection& db, int key, bool pickMode, const QString& caption,
                          PatientOpener patientEditor) {
    Tfrm_TorzsUgyfel f(parent, db, pickMode, caption, std::move(patientEditor));
    f.openList(u"ugyfel"_s, key >= 0 ? Value::fromInt(key) : Value());
    if (f.exec() != QDialog::Accepted || f.acceptedRow() < 0) return {};
    return {f.acceptedValue(u"ugyfel"_s).toInt(), f.acceptedValue(u"ugyfel_nev"_s).text()};
}
