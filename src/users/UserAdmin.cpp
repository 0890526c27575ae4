#include "UserAdmin.h"

#include "core/Errors.h"
#include "data/Users.h"
#include "db/RowEditor.h"
#include "ui/BrowseList.h"
#include "ui/Conventions.h"
#include "ui/Icons.h"
#include "ui/Messages.h"
#include "ui/SonoriaDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// The flag columns show a green check mark for "I" and a red cross for anything else.
class FlagDelegate : public GridDelegate {
public:
    using GridDelegate::GridDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* w = opt.widget;
        (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
        const bool yes = index.data(Qt::DisplayRole).toString() == u"I"_s;
        static const QPixmap check = SonoriaPixmap(u"check"_s, 16), cross = SonoriaPixmap(u"cross"_s, 16);
        painter->drawPixmap(option.rect.left() + 32, option.rect.top(), yes ? check : cross);
    }
};

class Tfrm_FelhasznaloSzerkeszt : public SonoriaDialog {
public:
    Tfrm_FelhasznaloSzerkeszt(RowEditor& row, QWidget* parent)
        : SonoriaDialog(u"frm_FelhasznaloSzerkeszt"_s, Placement::Position, parent), m_row(row) {
        setObjectName(u"Tfrm_FelhasznaloSzerkeszt"_s);
        setWindowTitle(u"Felhasználó adatainak szerkesztése"_s);
        login = edit(u"felhasznalo"_s, false);
        name = edit(u"felhasznalo_nev"_s, false);
        password = edit(u"jelszo"_s, true);
        confirm = edit(u"confirm"_s, true);
        confirm->setMaxLength(password->maxLength());
        confirm->setText(row.text(u"jelszo"_s));
        admin = new QCheckBox(u"Rendszergazda"_s, this);
        admin->setObjectName(u"rendszergazda"_s);
        admin->setChecked(row.text(u"rendszergazda"_s) == u"I"_s);
        master = new QCheckBox(u"Törzsadat szerkesztés"_s, this);
        master->setObjectName(u"torzsszerkeszt"_s);
        master->setChecked(row.text(u"torzsszerkeszt"_s) == u"I"_s);
        const auto [ok, cancel] = MakeOkCancel(this, false, [this] { store(); });

        auto* form = new QFormLayout;
        form->addRow(u"Felhasználó"_s, login);
        form->addRow(u"Felhasználó teljes neve"_s, name);
        form->addRow(u"Jelszó"_s, password);
        form->addRow(u"Jelszó még egyszer"_s, confirm);
        form->addRow(QString(), admin);
        form->addRow(QString(), master);
        auto* card = new QLabel(this);
        card->setPixmap(SonoriaPixmap(u"idcard"_s, 64));
        auto* bottom = new QHBoxLayout;
        bottom->addWidget(ok);
        bottom->addWidget(cancel);
        bottom->addStretch();
        bottom->addWidget(card);
        auto* main = new QVBoxLayout(this);
        main->addLayout(form);
        main->addLayout(bottom);
        login->setMinimumWidth(220);
        setTabOrder(login, name);
        setTabOrder(name, password);
        setTabOrder(password, confirm);
        setTabOrder(confirm, admin);
        setTabOrder(admin, master);
        setTabOrder(master, ok);
        setTabOrder(ok, cancel);
        EnterAsTab(this);
        EnterColouring({login, name, password, confirm});
        setFixedSize(sizeHint());
    }

private:
    QLineEdit* edit(const QString& column, bool secret) {
        auto* e = new QLineEdit(this);
        e->setObjectName(column);
        if (secret) e->setEchoMode(QLineEdit::Password);
        if (column != u"confirm"_s) {
            e->setText(m_row.text(column));
            if (const int n = m_row.maxLength(column); n > 0) e->setMaxLength(n);
        }
        return e;
    }
    // A field the user left as it was keeps its value (also NULL).
    void take(QLineEdit* e) {
        const QString column = e->objectName();
        if (e->text() != m_row.text(column) || (m_row.value(column).isNull() && !e->text().isEmpty()))
            m_row.setText(column, e->text());
    }
    void store() {
        // A value a column cannot hold is told as it stands, the server's refusal of the row (an empty or
        // taken login name) after "Hiányos adat megadás"; the dialog stays open either way.
        if (!SaveOrTell(this, [this] {
                take(login);
                take(name);
                take(password);
                m_row.setText(u"rendszergazda"_s, admin->isChecked() ? u"I"_s : u"N"_s);
                m_row.setText(u"torzsszerkeszt"_s, master->isChecked() ? u"I"_s : u"N"_s);
            }))
            return;
        if (m_row.value(u"jelszo"_s).isNull()) {
            ErrorBox(u"Hiányos adat megadás"_s, this);
            return;
        }
        if (m_row.text(u"jelszo"_s) != confirm->text()) {
            ErrorBox(u"Hibás jelszó megadás"_s, this);
            return;
        }
        if (SaveOrTell(
                this, [this] { m_row.post(); }, u"Hiányos adat megadás\n"_s))
            accept();
    }

    RowEditor& m_row;
    QLineEdit *login, *name, *password, *confirm;
    QCheckBox *admin, *master;
};

class Tfrm_Felhasznalo : public SonoriaDialog {
public:
    Tfrm_Felhasznalo(Connection& db, QWidget* parent)
        : SonoriaDialog(u"frm_Felhasznalo"_s, Placement::Bounds, parent), m_db(db) {
        setObjectName(u"Tfrm_Felhasznalo"_s);
        setWindowTitle(u"Felhasználók adatai"_s);
        setSizeGripEnabled(true);
        resize(560, 360);
        grid = new QTableView(this);
        grid->setObjectName(u"grid"_s);
        SetUpBrowseGrid(grid);
        Tbl = new BrowseList(db, grid, UsersTable().listLines(), this);
        Tbl->model()->setColumns({{u"felhasznalo"_s, u"Kód"_s, {}, {}},
                                  {u"felhasznalo_nev"_s, u"Felhasználó"_s, {}, {}},
                                  {u"rendszergazda"_s, u"Rendszergazda"_s, {}, {}},
                                  {u"torzsszerkeszt"_s, u"Törzs.szerk."_s, {}, {}}});
        auto* flags = new FlagDelegate(grid);
        grid->setItemDelegateForColumn(2, flags);
        grid->setItemDelegateForColumn(3, flags);

        auto* toolbar = new QToolBar(this);
        toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        aUj = action(u"Új"_s, u"new"_s, QKeySequence(Qt::Key_Insert), [this] { EditUser(true); });
        aSzerkeszt = action(u"Szerkeszt"_s, u"edit"_s, QKeySequence(Qt::Key_F2), [this] { EditUser(false); });
        aTorol =
            action(u"Töröl"_s, u"delete"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { deleteRow(); });
        aBezar = action(u"Bezár"_s, u"close"_s, QKeySequence(Qt::Key_Escape), [this] { reject(); });
        toolbar->addActions({aUj, aSzerkeszt, aTorol});
        toolbar->addSeparator();
        toolbar->addAction(aBezar);
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
            QMenu menu(this);
            menu.addActions({aUj, aSzerkeszt, aTorol, aBezar});
            menu.exec(grid->viewport()->mapToGlobal(p));
        });
        connect(grid, &QTableView::doubleClicked, this, [this] { RunGuarded([this] { EditUser(false); }); });
        grid->installEventFilter(this);

        auto* caption = new QLabel(u"Felhasználók"_s, this);
        caption->setObjectName(u"panel"_s);
        caption->setAlignment(Qt::AlignCenter);
        caption->setFrameShape(QFrame::StyledPanel);
        QFont f = caption->font();
        f.setBold(true);
        caption->setFont(f);
        caption->setMinimumHeight(26);
        status = new QStatusBar(this);
        position = new QLabel(status);
        position->setObjectName(u"position"_s);
        position->setAlignment(Qt::AlignCenter);
        position->setMinimumWidth(77);
        status->addWidget(position);
        status->setSizeGripEnabled(false);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(toolbar);
        layout->addWidget(caption);
        layout->addWidget(grid, 1);
        layout->addWidget(status);
        connect(Tbl, &BrowseList::currentRowChanged, this,
                [this] { position->setText(Tbl->positionText()); });
        Tbl->open();
        HighlightSortColumn(grid, 0);
    }

    BrowseList* Tbl;
    QTableView* grid;
    QAction *aUj, *aSzerkeszt, *aTorol, *aBezar;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == grid && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                RunGuarded([this] { EditUser(false); });
                return true;
            }
        }
        return SonoriaDialog::eventFilter(watched, event);
    }
    void resizeEvent(QResizeEvent* event) override {
        SonoriaDialog::resizeEvent(event);
        ApplyWidthShares(grid, {0.33, 0.67}, 194, WidthRounding::Truncate);
        SetColumnWidth(grid, 2, 77);
        SetColumnWidth(grid, 3, 77);
    }

private:
    QAction* action(const QString& caption, const QString& icon, const QKeySequence& key,
                    std::function<void()> f) {
        auto* a = new QAction(SonoriaIcon(icon), caption, this);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [f] { RunGuarded(f); });
        addAction(a);
        return a;
    }

    void EditUser(bool isNew) {
        const ListedTable users = UsersTable();
        RowEditor row(m_db, users.table, users.keyColumn);
        if (isNew) {
            row.startNew();
            row.setText(u"rendszergazda"_s, u"N"_s);
            row.setText(u"torzsszerkeszt"_s, u"N"_s);
        } else {
            const Value key = Tbl->current(users.keyColumn);
            if (key.isNull() || !row.load(key)) return;
        }
        Tfrm_FelhasznaloSzerkeszt dialog(row, this);
        if (dialog.exec() != QDialog::Accepted) return;
        Tbl->reread();
        Tbl->locate(users.keyColumn, row.key());
    }

    void deleteRow() {
        const ListedTable users = UsersTable();
        const Value key = Tbl->current(users.keyColumn);
        if (key.isNull()) return;
        if (!ConfirmBox(u"Valóban töröljem a sort?"_s, u"Megerősítés"_s, this)) return;
        DeleteListedRow(m_db, users, key);
        Tbl->reread();
    }

    Connection& m_db;
    QStatusBar* status;
    QLabel* position;
};
} // namespace

void ShowUserAdmin(Connection& db, QWidget* parent) {
    Tfrm_Felhasznalo window(db, parent);
    window.exec();
}
