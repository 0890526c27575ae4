#include "Tfrm_Adatbazis.h"

#include "admin/BackupRestore.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/TextRoutines.h"
#include "db/QueryHelpers.h"
#include "ui/BrowseList.h"
#include "ui/BusyGuard.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"
#include "ui/ProfileOptionsFields.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
const QString Section = u"Adatbazis"_s;
const QStringList Titles{u"Megjelenített név"_s, u"Adatbázis / tárhely"_s,
                         u"Kiszolgáló"_s,        u"Port"_s,
                         u"Felhasználó"_s,       u"Verzió"_s};

QString cell(const ProfileRow& r, int column) {
    switch (column) {
    case 0:
        return r.adatbazisnev;
    case 1:
        return r.adatbazis;
    case 2:
        return r.kiszolgalo;
    case 3:
        return QString::number(r.port);
    case 4:
        return r.felhasznalo;
    default:
        return r.verzio;
    }
}

QAction* makeAction(QWidget* owner, const QString& caption, const QKeySequence& key = {}) {
    auto* a = new QAction(caption, owner);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(a);
    return a;
}
} // namespace

QString ProfileRow::profileText() const {
    return QStringList{adatbazis, kiszolgalo, QString::number(port), felhasznalo, jelszo, adatbazisnev, {}}
        .join(u';');
}

namespace {
// What the stored profile cannot carry is refused while the editor is open: a ";" would shift the
// fields after it, and a letter the stored form lacks would lose every profile when the window closes.
void CheckProfile(const ProfileRow& r) {
    for (const QString& field : {r.adatbazisnev, r.adatbazis, r.kiszolgalo, r.felhasznalo, r.jelszo})
        if (field.contains(u';'))
            throw FormatError(u"A kapcsolat adataiban nem szerepelhet „;” karakter: ez választja el őket "
                              u"a beállítófájlban."_s);
    if (r.port < 1 || r.port > 65535) throw FormatError(u"A port 1 és 65535 közötti egész szám legyen."_s);
    EncodeProfile(r.profileText());
}
} // namespace

Tfrm_Adatbazis::Tfrm_Adatbazis(QWidget* parent)
    : SonoriaDialog(u"frm_Adatbazis"_s, Placement::Bounds, parent) {
    setWindowTitle(u"Tárhelyek"_s);
    setSizeGripEnabled(true);
    resize(720, 380);

    aUj = makeAction(this, u"Új"_s, Qt::Key_Insert);
    aSzerkeszt = makeAction(this, u"Szerkeszt"_s, Qt::Key_F2);
    aTorol = makeAction(this, u"Töröl"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    aTeszt = makeAction(this, u"Teszt"_s, QKeySequence(Qt::CTRL | Qt::Key_T));
    aBezar = makeAction(this, u"Bezár"_s);
    aBackup = makeAction(this, u"Biztonsági mentés készítés"_s, Qt::Key_F3);
    aRestore = makeAction(this, u"Visszaállítás mentésből"_s, Qt::Key_F4);
    aMySQLDump = makeAction(this, u"Teljes biztonsági mentés készítés"_s, Qt::Key_F6);
    aTeljesMentes = new QAction(u"Teljes mentés futtatása"_s, this);
    connect(aUj, &QAction::triggered, this, [this] { RunGuarded([this] { aUjExecute(); }); });
    connect(aSzerkeszt, &QAction::triggered, this, [this] { RunGuarded([this] { aSzerkesztExecute(); }); });
    connect(aTorol, &QAction::triggered, this, [this] { RunGuarded([this] { aTorolExecute(); }); });
    connect(aTeszt, &QAction::triggered, this, [this] { RunGuarded([this] { aTesztExecute(); }); });
    connect(aBezar, &QAction::triggered, this, &QDialog::reject);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({aUj, aSzerkeszt, aTorol});
    bar->addSeparator();
    bar->addAction(aTeszt);
    bar->addSeparator();
    auto* backupMenu = new QMenu(this);
    backupMenu->addActions({aBackup, aRestore, aMySQLDump});
    auto* backupButton = new QToolButton(this);
    backupButton->setText(u"Mentés"_s);
    backupButton->setMenu(backupMenu);
    backupButton->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(backupButton);
    bar->addSeparator();
    bar->addAction(aBezar);

    // The full-backup panel across the top.
    pnlTeljes = new QWidget(this);
    auto* heading = new QLabel(u"<b>Biztonsági mentés készítés</b>"_s, pnlTeljes);
    auto* closePanel = new QToolButton(pnlTeljes);
    closePanel->setText(u"×"_s);
    connect(closePanel, &QToolButton::clicked, pnlTeljes, &QWidget::hide);
    eMysqlDump = new QLineEdit(pnlTeljes);
    EnterColouring(eMysqlDump);
    auto* browse = new QToolButton(pnlTeljes);
    browse->setText(u"…"_s);
    browse->setObjectName(u"browseDump"_s);
    auto* run = new QPushButton(aTeljesMentes->text(), pnlTeljes);
    connect(run, &QPushButton::clicked, aTeljesMentes, &QAction::trigger);
    auto* panelLayout = new QVBoxLayout(pnlTeljes);
    auto* top = new QHBoxLayout;
    top->addWidget(heading, 1);
    top->addWidget(closePanel);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(eMysqlDump, 1);
    pathRow->addWidget(browse);
    pathRow->addWidget(run);
    panelLayout->addLayout(top);
    panelLayout->addWidget(new QLabel(u"MySQLDump.exe program helye"_s, pnlTeljes));
    panelLayout->addLayout(pathRow);
    pnlTeljes->hide();
    connect(aMySQLDump, &QAction::triggered, pnlTeljes,
            [this] { pnlTeljes->setVisible(!pnlTeljes->isVisible()); });

    grid = new QTableWidget(0, Titles.size(), this);
    grid->setHorizontalHeaderLabels(Titles);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setVisible(false);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *sep1 = new QAction(this), *sep2 = new QAction(this);
    sep1->setSeparator(true);
    sep2->setSeparator(true);
    grid->addActions({aUj, aSzerkeszt, aTorol, sep1, aTeszt, sep2, aBezar});
    connect(grid, &QTableWidget::cellDoubleClicked, this,
            [this] { RunGuarded([this] { aSzerkesztExecute(); }); });
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &Tfrm_Adatbazis::sortBy);

    progress = new QProgressBar(this);
    progress->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(pnlTeljes);
    layout->addWidget(grid, 1);
    layout->addWidget(progress);

    const QString sqlFilter = u"SQL file (*.sql);;Tömörített SQL file (*.zip)"_s;
    connect(aBackup, &QAction::triggered, this, [this, sqlFilter] {
        const int i = currentIndex();
        if (i < 0) return;
        QFileDialog dialog(this, u"Biztonsági mentés készítés"_s, ProposedBackupName(m_rows[i].adatbazis),
                           sqlFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(u"sql"_s);
        if (dialog.exec() == QDialog::Accepted)
            RunGuarded([&] { backupTo(dialog.selectedFiles().value(0)); });
    });
    connect(aRestore, &QAction::triggered, this, [this, sqlFilter] {
        if (currentIndex() < 0) return;
        QFileDialog dialog(this, u"Adatbázis visszaállítás"_s, {}, sqlFilter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(u"sql"_s);
        if (dialog.exec() == QDialog::Accepted)
            RunGuarded([&] { restoreFrom(dialog.selectedFiles().value(0)); });
    });
    connect(browse, &QToolButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, u"MySQLDump.exe program helye"_s, eMysqlDump->text(),
                                         u"mysqldump, mariadb-dump (mysqldump mariadb-dump mysqldump.exe)"_s);
        if (!path.isEmpty()) eMysqlDump->setText(path);
    });
    connect(aTeljesMentes, &QAction::triggered, this, [this] {
        const int i = currentIndex();
        if (i < 0) return;
        QFileDialog dialog(this, u"Teljes biztonsági mentés készítés"_s,
                           ProposedBackupName(m_rows[i].adatbazis), u"SQL file (*.sql)"_s);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(u"sql"_s);
        if (dialog.exec() == QDialog::Accepted)
            RunGuarded([&] { runServerDump(dialog.selectedFiles().value(0)); });
    });

    setFontSize(9);
    load();
}

void Tfrm_Adatbazis::load() {
    for (int n = 1; n <= 100; ++n) {
        const QString text = DecodeProfile(Config().readBytes(Section, u"ConStr%1"_s.arg(n)));
        if (text.isEmpty()) continue;
        ProfileRow r;
        r.adatbazis = SeparatedPiece(u";", text, 1);
        r.kiszolgalo = SeparatedPiece(u";", text, 2);
        r.port = TextToInt(SeparatedPiece(u";", text, 3));
        r.felhasznalo = SeparatedPiece(u";", text, 4);
        r.jelszo = SeparatedPiece(u";", text, 5);
        r.adatbazisnev = SeparatedPiece(u";", text, 6);
        r.options = ProfileOptions::read(Config(), n);
        m_rows << r;
    }
    eMysqlDump->setText(IniReadText(u"frm_Adatbazis"_s, u"MysqlDump"_s, {}));
    sortBy(0);
}

void Tfrm_Adatbazis::save() {
    IniWriteText(u"frm_Adatbazis"_s, u"MysqlDump"_s, eMysqlDump->text());
    // Encode every profile first, so a profile that cannot be stored loses nothing of the file.
    QList<QByteArray> encoded;
    for (const ProfileRow& r : m_rows)
        encoded << EncodeProfile(r.profileText());
    QStringList keys;
    for (int n = 1; n <= 100; ++n)
        keys << u"ConStr%1"_s.arg(n) << ProfileOptions::keys(n);
    Config().removeKeys(Section, keys);
    for (int i = 0; i < encoded.size(); ++i) {
        Config().writeBytes(Section, u"ConStr%1"_s.arg(i + 1), encoded[i]);
        m_rows[i].options.write(Config(), i + 1);
    }
}

void Tfrm_Adatbazis::storePlacement() {
    save();
    SonoriaDialog::storePlacement();
}

int Tfrm_Adatbazis::currentIndex() const {
    const int row = grid->currentRow();
    return row >= 0 && row < m_rows.size() ? row : -1;
}

void Tfrm_Adatbazis::refresh(int select) {
    grid->setRowCount(static_cast<int>(m_rows.size()));
    for (int r = 0; r < m_rows.size(); ++r)
        for (int c = 0; c < Titles.size(); ++c) {
            auto* item = new QTableWidgetItem(cell(m_rows[r], c));
            if (c == 0) item->setBackground(HighlightColour);
            if (c == 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
    if (!m_rows.isEmpty()) grid->selectRow(std::clamp(select, 0, static_cast<int>(m_rows.size()) - 1));
}

void Tfrm_Adatbazis::sortBy(int column) {
    std::stable_sort(m_rows.begin(), m_rows.end(), [column](const ProfileRow& a, const ProfileRow& b) {
        if (column == 3) return a.port < b.port;
        static const QCollator hungarian(QLocale(QLocale::Hungarian, QLocale::Hungary));
        return hungarian.compare(cell(a, column), cell(b, column)) < 0;
    });
    refresh(0);
    for (int c = 0; c < Titles.size(); ++c)
        for (int r = 0; r < grid->rowCount(); ++r)
            grid->item(r, c)->setBackground(c == column ? QBrush(HighlightColour) : QBrush());
}

void Tfrm_Adatbazis::resizeEvent(QResizeEvent* event) {
    SonoriaDialog::resizeEvent(event);
    ApplyWidthShares(grid, {0.30, 0.15, 0.15, 0.10, 0.15, 0.15}, 44, WidthRounding::Truncate);
}

void Tfrm_Adatbazis::aUjExecute() {
    ProfileRow r;
    if (!EditProfile(this, r)) return;
    m_rows << r;
    refresh(static_cast<int>(m_rows.size()) - 1);
}

void Tfrm_Adatbazis::aSzerkesztExecute() {
    const int i = currentIndex();
    if (i < 0) return;
    ProfileRow r = m_rows[i];
    if (!EditProfile(this, r)) return;
    m_rows[i] = r;
    refresh(i);
}

void Tfrm_Adatbazis::aTorolExecute() {
    const int i = currentIndex();
    if (i < 0 || !ConfirmBox(u"Valóban töröljem az adatbázist a listából?"_s, u"Megerősítés"_s, this)) return;
    m_rows.removeAt(i);
    refresh(i);
}

ConnectionParams Tfrm_Adatbazis::selectedParams() const {
    const ProfileRow& r = m_rows[currentIndex()];
    ConnectionParams p;
    p.host = r.kiszolgalo;
    p.port = static_cast<unsigned>(r.port);
    p.user = r.felhasznalo;
    p.password = r.jelszo;
    p.database = r.adatbazis;
    p.compression = r.options.compression;
    p.tls = r.options.tls;
    p.fallbackServers = ParseServerList(r.options.fallbackHosts, p.port);
    return p;
}

bool Tfrm_Adatbazis::openSelected(Connection& c) {
    try {
        c.open(selectedParams());
        return true;
    } catch (const SonoriaError& e) {
        ErrorBox(u"Hiba: "_s + e.message(), this);
        return false;
    }
}

void Tfrm_Adatbazis::withProgress(const std::function<void(const BackupProgress&)>& work) {
    BusyGuard busy(this);
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setVisible(true);
    struct Hide {
        QProgressBar* bar;
        ~Hide() {
            bar->setValue(0);
            bar->setVisible(false);
        }
    } hide{progress};
    BackupProgress events;
    events.table = [this](const QString&, int percent) {
        progress->setValue(percent);
        BusyGuard::pump();
    };
    events.statement = [this](int statementNo, int maximum) {
        progress->setMaximum(std::max(1, maximum));
        progress->setValue(statementNo);
        BusyGuard::pump();
    };
    events.stage = [](const QString&) { BusyGuard::pump(); };
    work(events);
}

void Tfrm_Adatbazis::backupTo(const QString& file) {
    Connection db;
    if (currentIndex() < 0 || !openSelected(db)) return;
    // No message follows a backup that succeeded.
    withProgress([&](const BackupProgress& events) { BackupDatabase(db, file, events); });
}

void Tfrm_Adatbazis::restoreFrom(const QString& file) {
    const int i = currentIndex();
    if (i < 0 ||
        !ConfirmBox(RestoreQuestion(m_rows[i].kiszolgalo, m_rows[i].adatbazis), u"Megerősítés"_s, this))
        return;
    Connection db;
    if (!openSelected(db)) return;
    withProgress([&](const BackupProgress& events) { RestoreDatabase(db, file, events); });
}

void Tfrm_Adatbazis::runServerDump(const QString& file) {
    if (currentIndex() < 0) return;
    ServerDumpResult result;
    {
        BusyGuard busy(this);
        result = RunServerDump(eMysqlDump->text(), selectedParams(), file);
    }
    if (result.ok)
        InfoBox(u"A teljes mentés elkészült: "_s + file, this);
    else
        ErrorBox(u"A teljes mentés nem sikerült.\n"_s + result.errorText, this);
}

void Tfrm_Adatbazis::aTesztExecute() {
    const int i = currentIndex();
    if (i < 0) return;
    Connection test;
    if (!openSelected(test)) return;
    // A database without the version table reaches the general error report from here.
    const QString version = SelectText(test, u"SELECT MAX(verzio) FROM verzio;"_s, {});
    if (!version.isEmpty()) m_rows[i].verzio = version;
    test.close();
    refresh(i);
    InfoBox(u"Kapcsolat vizsgálata sikeres"_s, this);
}

bool EditProfile(QWidget* parent, ProfileRow& row) {
    SonoriaDialog dialog(u"frm_Adatbazis_Szerkeszt"_s, SonoriaDialog::Placement::Position, parent);
    dialog.setWindowTitle(u"Tárhely"_s);
    auto* name = new QLineEdit(row.adatbazisnev, &dialog);
    auto* database = new QLineEdit(row.adatbazis, &dialog);
    auto* host = new QLineEdit(row.kiszolgalo, &dialog);
    auto* port = new QLineEdit(QString::number(row.port), &dialog);
    auto* user = new QLineEdit(row.felhasznalo, &dialog);
    auto* password = new QLineEdit(row.jelszo, &dialog);
    for (QLineEdit* e : {name, database, host, user, password})
        e->setMaxLength(50);
    port->setValidator(new QIntValidator(0, 65535, port));
    password->setEchoMode(QLineEdit::Password);
    auto* show = new QToolButton(&dialog);
    show->setText(u"Mutat"_s);
    show->setToolTip(u"Jelszó mutatása"_s);
    show->setFocusPolicy(Qt::NoFocus);
    QObject::connect(show, &QToolButton::clicked, &dialog, [password] {
        password->setEchoMode(password->echoMode() == QLineEdit::Password ? QLineEdit::Normal
                                                                          : QLineEdit::Password);
        password->setFocus();
    });
    ProfileRow edited = row;
    ProfileOptionsFields* fields = nullptr;
    const auto [ok, cancel] = MakeOkCancel(&dialog, false, [&] {
        if (SaveOrTell(&dialog, [&] {
                edited.adatbazisnev = name->text();
                edited.adatbazis = database->text();
                edited.kiszolgalo = host->text();
                edited.port = TextToInt(port->text());
                edited.felhasznalo = user->text();
                edited.jelszo = password->text();
                CheckProfile(edited);
                // A further server that is not host[:port] is told with the focus on its box.
                try {
                    edited.options = fields->options();
                } catch (const FormatError&) {
                    fields->fallbackHosts->setFocus();
                    throw;
                }
            }))
            dialog.accept();
    });
    auto* form = new QFormLayout;
    form->addRow(u"Megjelenített név"_s, name);
    form->addRow(u"Adatbázis / tárhely"_s, database);
    form->addRow(u"Kiszolgáló"_s, host);
    form->addRow(u"Port"_s, port);
    form->addRow(u"Felhasználó"_s, user);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(password, 1);
    passwordRow->addWidget(show);
    form->addRow(u"Jelszó"_s, passwordRow);
    fields = new ProfileOptionsFields(form, &dialog, row.options);
    QList<QWidget*> chain = fields->focusChain();
    chain << ok << cancel;
    QWidget* previous = password;
    for (QWidget* w : chain) {
        QWidget::setTabOrder(previous, w);
        previous = w;
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addLayout(buttons);
    EnterColouring({name, database, host, port, user, password});
    EnterAsTab(&dialog, ok);
    dialog.setFontSize(9);
    dialog.setFixedSize(dialog.sizeHint().expandedTo(QSize(380, 0)));
    if (dialog.exec() != QDialog::Accepted) return false;
    row = edited;
    return true;
}

void ShowConnectionProfiles(QWidget* parent) {
    Tfrm_Adatbazis window(parent);
    window.exec();
}
