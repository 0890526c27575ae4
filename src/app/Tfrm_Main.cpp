#include "Tfrm_Main.h"

#include "MainRoutines.h"
#include "Settings.h"
#include "Startup.h"
#include "core/Config.h"
#include "core/Dates.h"
#include "core/Errors.h"
#include "core/SqlText.h"
#include "core/TextRoutines.h"
#include "data/Examinations.h"
#include "data/Patients.h"
#include "db/QueryHelpers.h"
#include "ui/BrowseList.h"
#include "ui/Conventions.h"
#include "ui/Icons.h"
#include "ui/Messages.h"
#include "ui/PrintDialogs.h"
#include "ui/SonoriaDialog.h"
#include "users/Login.h"
#include "users/UserAdmin.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MainRoutines& Routines() {
    static MainRoutines routines;
    return routines;
}

namespace {
const QString HelpAddress = u"https://www.sonoria.hu/sugo"_s;
const QString WebAddress = u"https://www.sonoria.hu"_s;
const QString MailAddress = u"mailto:support@sonoria.hu?subject=Sonoria%20program"_s;

const QString PatientSearchColumns = u"ugyfel_nev;emil;telefon;szuldatum;CONVERT(irszvaroscim USING latin2);"
                                     u"CONVERT(DATE_FORMAT(dat_utolso,'%Y.%m.%d') USING latin2);"
                                     u"CONVERT(DATE_FORMAT(dat_figyelmeztet,'%Y.%m.%d') USING latin2)"_s;
const QString ExamSearchColumns =
    u"CONVERT(munkalap USING latin2);mlaptipus_nev;CONVERT(DATE_FORMAT(datum,'%Y.%m.%d') USING latin2);"
    u"ugyfel_nev;telefon;szoveg;velemeny;panaszok"_s;
const QString ExaminationTypes = u"Általános,Pajzsmirigy,Nyaki erek,Alsó végtagi erek"_s;

const QList<double> PatientShares{0.20, 0.05, 0.10, 0.10, 0.10, 0.20, 0.10, 0.10, 0.05};
const QList<double> ExamShares{0.10, 0.20, 0.10, 0.20, 0.10, 0.20, 0.10};

int keyOf(const Value& v, int nullValue) {
    return v.isNull() ? nullValue : v.toInt();
}
} // namespace

Tfrm_Main::Tfrm_Main(QWidget* parent) : QMainWindow(parent) {
    setObjectName(u"Tfrm_Main"_s);
    setWindowTitle(ApplicationTitle());
    setWindowIcon(QIcon(LogoPixmap(64)));
    m_closeTimer.setInterval(1000);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] {
        if (m_abandoned) close();
    });
    buildActions();
    buildWindow();
    startUp();
}

Tfrm_Main::~Tfrm_Main() = default;

// ---- start-up ----

void Tfrm_Main::AbandonStartup() {
    m_abandoned = true;
    m_closeTimer.start();
    // The window is about to close; nothing in it works on a database any more.
    for (QAction* a : actions())
        if (a != aBezar) a->setEnabled(false);
}

bool Tfrm_Main::chooseProfile() {
    Beall.profile.clear();
    Beall.profileOptions = {};
    const QList<ProfileEntry> stored = StartupProfiles(Config());
    bool chosen = true;
    if (!stored.isEmpty()) {
        QStringList entries, profiles;
        QList<ProfileOptions> options;
        for (const ProfileEntry& e : stored) {
            entries << e.entry;
            profiles << e.profile;
            options << e.options;
        }
        const int i = ChooseDatabase(entries, profiles, options, u"Sonoria adatbázis választás"_s, this);
        if (i < 0) {
            chosen = false;
        } else {
            Beall.profile = profiles[i];
            Beall.profileOptions = options[i];
        }
    }
    // The bounds are applied when the window first shows (placeForFirstShowing).
    LoadSettings(Config(), Beall, m_initialBounds);
    return chosen;
}

void Tfrm_Main::connectDatabase() {
    mySQLDatabase1.close();
    try {
        const ConnectionProfile profile = ConnectionProfile::parse(Beall.profile);
        Beall.profileName = profile.displayName;
        mySQLDatabase1.open(ConnectionParams::fromProfile(profile, Beall.profileOptions));
    } catch (const SonoriaError& e) {
        ErrorBox(u"Sikertelen kapcsolódás: "_s + e.message());
        AbandonStartup();
    }
}

void Tfrm_Main::ReadSharedSettings() {
    ProfileLabel->setText(u"Sonoria: "_s + Beall.profileName + u"  "_s);
    const ResultSet row =
        mySQLDatabase1.query(u"SELECT vanbelep, figynap FROM beallit ORDER BY beallit LIMIT 1;"_s);
    Beall.loginRequired = row.rowCount() > 0 && row.value(0, 0).text() == u"I"_s;
    Beall.figynap = row.rowCount() > 0 ? row.value(0, 1).toInt() : 0;
}

void Tfrm_Main::startUp() {
    m_abandoned = false;
    if (!chooseProfile()) AbandonStartup();
    if (!m_abandoned && Beall.profile.isEmpty()) {
        bool entered = false;
        RunGuarded([&] { entered = RunFirstConnectionDialog(this); });
        if (!entered) AbandonStartup();
    }
    if (!m_abandoned) connectDatabase();
    if (m_abandoned) return;
    // A missing table or a failing statement on the way gives start-up up: no half-working window.
    const bool done = RunGuarded([this] {
        const QString owner = SelectText(mySQLDatabase1, u"SELECT tulajdonos FROM tulajdonos LIMIT 1;"_s, {});
        setWindowTitle(u"Sonoria - Leletek: ["_s + owner + u']');
        ReadSharedSettings();

        const QString version = SelectText(mySQLDatabase1, u"SELECT MAX(verzio) FROM verzio;"_s, {});
        if (version != ProgramVersion())
            WarningBox(u"Eltérő verziók, hiba lehetséges, frissítse programját, adatbázisát\nadatbázis : "_s +
                           version + u"\nprogram: "_s + ProgramVersion(),
                       this);

        mySQLDatabase1.query(u"SELECT * FROM felhasznalo LIMIT 0;"_s); // the users table must be there
        if (Beall.loginRequired) {
            try {
                if (!RunLogin(mySQLDatabase1, this)) {
                    // The user gave up: the program ends at once.
                    AbandonStartup();
                    m_closeTimer.setInterval(0);
                    return;
                }
            } catch (const SonoriaError& e) {
                ErrorBox(u"Ismeretlen hiba, indítsa újra a programot.\n"_s + e.message(), this);
                AbandonStartup();
                return;
            }
        } else {
            Beall.userName = u"rendszergazda"_s;
            Beall.torzsszerkeszt = Beall.rendszergazda = Beall.canins = Beall.canedit = Beall.candel = true;
        }
        prepareLists();
        TabControl1->setCurrentIndex(0);
        QryU->open();
    });
    if (!done) AbandonStartup();
}

void Tfrm_Main::prepareLists() {
    QryMLap->model()->setColumnFormat(u"ar_ossz"_s, Beall.formatFt);
    QStringList years;
    FillListFromQuery(mySQLDatabase1, years, u"SELECT DISTINCT CONCAT(ev) FROM munkalap ORDER BY 1 DESC;"_s);
    years << u"Összes"_s;
    const QSignalBlocker block(TabControl2);
    while (TabControl2->count() > 0)
        TabControl2->removeTab(0);
    for (const QString& y : years)
        TabControl2->addTab(y);
    TabControl2->setCurrentIndex(0);
    YearFilter = TabControl2->count() > 1 ? u"(ev = "_s + TabControl2->tabText(0) + u')' : u"(ev > 0)"_s;
    QryMLap->query().replaceWhere(YearFilter);
}

void Tfrm_Main::setVisible(bool visible) {
    if (visible && !m_firstShown && !m_abandoned) placeForFirstShowing();
    QMainWindow::setVisible(visible);
}

void Tfrm_Main::placeForFirstShowing() {
    // Start-up's dialogs are owned by this window, so its native window may exist already, made
    // with the default size while hidden; the window system would give that size back on showing.
    // A fresh native window takes the bounds below.
    if (testAttribute(Qt::WA_WState_Created)) destroy();
    const QRect bounds = LoadFormBounds(u"frm_Main"_s, m_initialBounds.width(), m_initialBounds.height());
    resize(bounds.size());
    // move() places the frame, not the client area: the title bar stays inside the work area.
    move(bounds.topLeft());
    // Full screen is the work area, which the window manager fills with frame and all.
    if (Beall.teljesKep) setWindowState(windowState() | Qt::WindowMaximized);
}

QRect Tfrm_Main::storedBounds() const {
    // Full screen keeps the size the user gave the window for the times it is not.
    if (isMaximized()) return normalGeometry();
    return FormBounds(this);
}

bool Tfrm_Main::event(QEvent* event) {
    // The status bar's panels are the list's; menu and toolbar hints would hide them.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

void Tfrm_Main::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_firstShown || m_abandoned) return;
    m_firstShown = true;
    Edit1->setFocus();
    applyFont();
    HighlightSortColumn(DBGrid1, 0);
    ShowSplash();
}

void Tfrm_Main::closeEvent(QCloseEvent* event) {
    m_closeTimer.stop();
    if (!m_abandoned) {
        RunGuarded([this] { SaveSettings(Config(), Beall, storedBounds()); });
        mySQLDatabase1.close();
    }
    QMainWindow::closeEvent(event);
}

// ---- the window ----

void Tfrm_Main::buildActions() {
    const auto act = [this](const QString& caption, const QString& hint, const QKeySequence& key,
                            const QString& icon, void (Tfrm_Main::*handler)()) {
        auto* a = new QAction(caption, this);
        a->setToolTip(hint);
        if (!key.isEmpty()) a->setShortcut(key);
        if (!icon.isEmpty()) a->setIcon(SonoriaIcon(icon));
        if (handler)
            connect(a, &QAction::triggered, this,
                    [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
        addAction(a);
        return a;
    };
    using K = QKeySequence;
    aUj = act(u"Új"_s, u"Új"_s, K(Qt::Key_Insert), u"new"_s, &Tfrm_Main::aUjExecute);
    aSzerkeszt = act(u"Szerkeszt"_s, u"Szerkeszt"_s, K(Qt::Key_F2), u"edit"_s, &Tfrm_Main::aSzerkesztExecute);
    aTorol =
        act(u"Töröl"_s, u"Töröl"_s, K(Qt::CTRL | Qt::Key_Delete), u"delete"_s, &Tfrm_Main::aTorolExecute);
    aMostJart = act(u"Most járt itt"_s, u"Most járt nálam..."_s, K(Qt::Key_F8), u"visit"_s,
                    &Tfrm_Main::aMostJartExecute);
    aFigyelmeztet = act(u"Figyelmeztetés"_s, u"Figyelmeztetés dátuma"_s, K(Qt::Key_F7), u"reminder"_s,
                        &Tfrm_Main::aFigyelmeztetExecute);
    aMLapNeki = act(u"Új vizsgálat neki"_s, u"Új munkalap"_s, K(Qt::Key_F4), u"new-exam"_s,
                    &Tfrm_Main::aMLapNekiExecute);
    aUgyfelAdatlap =
        act(u"Ügyfél adatlap"_s, u"Ügyfél"_s, K(Qt::Key_F6), u"patient"_s, &Tfrm_Main::aUgyfelAdatlapExecute);
    aMlapjai =
        act(u"Előzmények"_s, u"Munkalapjai"_s, K(Qt::Key_F9), u"history"_s, &Tfrm_Main::aMlapjaiExecute);
    aNyomtat = act(u"Nyomtat"_s, u"Nyomtat"_s, K(Qt::CTRL | Qt::Key_P), u"print"_s, nullptr);
    connect(aNyomtat, &QAction::triggered, this, [this] { RunGuarded([this] { printExecute(false); }); });
    aNyomtatKep =
        act(u"Nyomtatási kép"_s, u"Nyomtatási kép"_s, K(Qt::CTRL | Qt::Key_K), u"preview"_s, nullptr);
    connect(aNyomtatKep, &QAction::triggered, this, [this] { RunGuarded([this] { printExecute(true); }); });
    aExcelbe = act(u"Excelbe... (CSV)"_s, u"Excelbe... (CSV)"_s, K(Qt::CTRL | Qt::Key_E), u"csv"_s, nullptr);
    connect(aExcelbe, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            if (Routines().exportDataSet && QryU->isOpen())
                Routines().exportDataSet(this, *QryU->model(), u"Sonoria.csv"_s);
        });
    });
    aHtml = act(u"Html export"_s, u"Html export"_s, K(Qt::CTRL | Qt::Key_H), u"html"_s, nullptr);
    connect(aHtml, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            if (Routines().exportGridToHtml && QryU->isOpen())
                Routines().exportGridToHtml(this, DBGrid1, u"Páciensek"_s);
        });
    });
    const auto patientRoutine = [this](QAction* a,
                                       std::function<void(Connection&, QWidget*, int)> MainRoutines::*r) {
        connect(a, &QAction::triggered, this, [this, r] {
            RunGuarded([this, r] {
                // These address the patient list; with the examinations shown there is no patient row.
                const int patient = keyOf(QryU->current(u"ugyfel"_s), -1);
                if (Routines().*r && patient >= 0) (Routines().*r)(mySQLDatabase1, this, patient);
            });
        });
    };
    aBoritek = act(u"Boríték"_s, u"Boríték nyomtatás"_s, K(Qt::CTRL | Qt::Key_I), {}, nullptr);
    patientRoutine(aBoritek, &MainRoutines::printEnvelope);
    aAjanlott = act(u"Ajánlott postai szelvény kitöltés"_s, u"Ajánlott postai szelvény kitöltés"_s,
                    K(Qt::CTRL | Qt::SHIFT | Qt::Key_I), {}, nullptr);
    patientRoutine(aAjanlott, &MainRoutines::printRegisteredSlip);
    const auto report = [&](const QString& caption, MainRoutines::PeriodReport MainRoutines::*r) {
        QAction* a = act(caption, caption, {}, {}, nullptr);
        connect(a, &QAction::triggered, this,
                [this, r] { RunGuarded([this, r] { periodReport(Routines().*r); }); });
        return a;
    };
    aArbevetel = report(u"Árbevétel"_s, &MainRoutines::printRevenueList);
    aFogyas = report(u"Végzett vizsgálatok"_s, &MainRoutines::printPerformedList);
    aTeljesLista = report(u"Teljes lista"_s, &MainRoutines::printExaminationTotals);
    aWhoOssz = report(u"WHO kód összesítés"_s, &MainRoutines::showWhoSummary);
    const auto plain = [&](const QString& caption, const QString& icon,
                           std::function<void(Connection&, QWidget*)> MainRoutines::*r) {
        QAction* a = act(caption, caption, {}, icon, nullptr);
        connect(a, &QAction::triggered, this, [this, r] {
            RunGuarded([this, r] {
                if (Routines().*r) (Routines().*r)(mySQLDatabase1, this);
            });
        });
        return a;
    };
    aTetel = plain(u"Tételek"_s, u"items"_s, &MainRoutines::browseItems);
    aSzotar = plain(u"Szótár"_s, u"dictionary"_s, &MainRoutines::browseSnippets);
    aNovel = act(u"Betűméret növelése"_s, u"Betűméret növelése"_s, K(Qt::Key_F11), u"font-larger"_s, nullptr);
    connect(aNovel, &QAction::triggered, this, [this] { changeFont(+1); });
    aCsokkent = act(u"Betűméret csökkentése"_s, u"Betűméret csökkentése"_s, K(Qt::Key_F12), u"font-smaller"_s,
                    nullptr);
    connect(aCsokkent, &QAction::triggered, this, [this] { changeFont(-1); });
    aFrissit = act(u"Frissít"_s, u"Frissít"_s, K(Qt::Key_F5), u"refresh"_s, nullptr);
    connect(aFrissit, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            if (!m_abandoned) visibleList()->reread();
        });
    });
    aFelhasznalo = act(u"Felhasználók"_s, u"Felhasználók"_s, {}, u"users"_s, &Tfrm_Main::aFelhasznaloExecute);
    aSQL = plain(u"Szabad lekérdezés"_s, u"sql"_s, &MainRoutines::showSqlConsole);
    aAdatbazis = act(u"Adatbázisok"_s, u"Adatbázisok"_s, {}, u"database"_s, &Tfrm_Main::aAdatbazisExecute);
    aBeallit = act(u"Beállítások"_s, u"Beállítások"_s, K(Qt::ALT | Qt::Key_Return), u"settings"_s,
                   &Tfrm_Main::aBeallitExecute);
    const auto open = [&](const QString& caption, const QString& key, const QString& icon,
                          const QString& address) {
        QAction* a = act(caption, caption, key.isEmpty() ? K() : K(key), icon, nullptr);
        connect(a, &QAction::triggered, this, [address] { QDesktopServices::openUrl(QUrl(address)); });
        return a;
    };
    aSugo = open(u"Súgó"_s, u"F1"_s, u"help"_s, HelpAddress);
    aHonlap = open(u"Zolvan honlapja"_s, {}, u"web"_s, WebAddress);
    aLevel = open(u"Levélküldés Zolvannak"_s, {}, u"mail"_s, MailAddress);
    aNevjegy = act(u"Névjegy"_s, u"Névjegy"_s, {}, u"about"_s, nullptr);
    connect(aNevjegy, &QAction::triggered, this, [this] { ShowAbout(this); });
    aBezar = act(u"Bezár"_s, u"Bezár"_s, {}, u"close"_s, nullptr);
    connect(aBezar, &QAction::triggered, this, &QWidget::close);
}

namespace {
// A captioned button of the list toolbars: its design size, or wider when its caption needs it (a
// larger font, a wider typeface), so that the caption is never cut short.
class CaptionedButton : public QToolButton {
public:
    CaptionedButton(QAction* action, QSize designSize, QWidget* parent)
        : QToolButton(parent), m_designSize(designSize) {
        setDefaultAction(action);
        setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        setIconSize(QSize(20, 20));
        setAutoRaise(true);
    }
    QSize sizeHint() const override { return QToolButton::sizeHint().expandedTo(m_designSize); }
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    QSize m_designSize;
};

QToolBar* captionedToolBar(QWidget* parent, const QList<QList<QAction*>>& groups, QSize buttonSize) {
    auto* bar = new QToolBar(parent);
    bool first = true;
    for (const auto& group : groups) {
        if (!first) bar->addSeparator();
        first = false;
        for (QAction* a : group)
            bar->addWidget(new CaptionedButton(a, buttonSize, bar));
    }
    return bar;
}

QTableView* makeGrid(QWidget* parent, const QString& name) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    SetUpBrowseGrid(grid);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    return grid;
}
} // namespace

void Tfrm_Main::buildWindow() {
    // Menus.
    QMenu* m = menuBar()->addMenu(u"Rekordok"_s);
    m->addActions({aUj, aSzerkeszt, aTorol});
    m->addSeparator();
    m->addActions({aNyomtatKep, aNyomtat});
    m->addSeparator();
    m->addActions({aFigyelmeztet, aMostJart});
    m->addSeparator();
    m->addAction(aBezar);
    menuBar()->addMenu(u"Törzsadatok"_s)->addActions({aTetel, aSzotar});
    menuBar()->addMenu(u"Nézet"_s)->addActions({aNovel, aCsokkent});
    m = menuBar()->addMenu(u"Nyomtatások"_s);
    m->addActions({aArbevetel, aFogyas, aTeljesLista});
    m->addSeparator();
    m->addAction(aWhoOssz);
    m = menuBar()->addMenu(u"Rendszer"_s);
    m->addActions({aFelhasznalo, aSQL, aAdatbazis});
    m->addSeparator();
    m->addAction(aBeallit);
    m = menuBar()->addMenu(u"Súgó"_s);
    m->addAction(aSugo);
    m->addSeparator();
    m->addActions({aHonlap, aLevel});
    m->addSeparator();
    m->addAction(aNevjegy);

    // The top toolbar: icons with hints.
    TopToolBar = addToolBar(u"Eszközök"_s);
    TopToolBar->setObjectName(u"TopToolBar"_s);
    TopToolBar->setMovable(false);
    TopToolBar->setIconSize(QSize(24, 24));
    const QList<QList<QAction*>> topGroups{{aFrissit},
                                           {aNovel, aCsokkent},
                                           {aNyomtat, aNyomtatKep},
                                           {aExcelbe, aHtml},
                                           {aSugo},
                                           {aHonlap, aLevel},
                                           {aBezar}};
    for (int i = 0; i < topGroups.size(); ++i) {
        if (i > 0) TopToolBar->addSeparator();
        TopToolBar->addActions(topGroups[i]);
    }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 2, 4, 0);
    layout->setSpacing(3);

    // The search box and the profile label.
    auto* bar = new QHBoxLayout;
    Edit1 = new QLineEdit(central);
    Edit1->setObjectName(u"Edit1"_s);
    Edit1->setFixedWidth(133);
    Edit1->setPlaceholderText(u"Keresés"_s);
    Edit1->setClearButtonEnabled(true);
    ProfileLabel = new QLabel(central);
    ProfileLabel->setObjectName(u"ProfileLabel"_s);
    QFont pf(u"Arial"_s);
    pf.setPixelSize(15);
    pf.setBold(true);
    ProfileLabel->setFont(pf);
    ProfileLabel->setStyleSheet(u"color: #28527a;"_s);
    bar->addWidget(Edit1);
    bar->addStretch();
    bar->addWidget(ProfileLabel);
    layout->addLayout(bar);

    TabControl1 = new QTabWidget(central);
    TabControl1->setObjectName(u"TabControl1"_s);
    TabControl1->setDocumentMode(false);

    auto* patients = new QWidget(TabControl1);
    auto* pl = new QVBoxLayout(patients);
    pl->setContentsMargins(2, 2, 2, 2);
    pl->setSpacing(2);
    PatientToolBar = captionedToolBar(
        patients, {{aUj, aSzerkeszt, aTorol}, {aMostJart, aFigyelmeztet}, {aMLapNeki}, {aMlapjai}},
        QSize(90, 36));
    PatientToolBar->setObjectName(u"PatientToolBar"_s);
    DBGrid1 = makeGrid(patients, u"DBGrid1"_s);
    pl->addWidget(PatientToolBar);
    pl->addWidget(DBGrid1, 1);
    TabControl1->addTab(patients, SonoriaIcon(u"patient"_s), u"Páciensek"_s);

    auto* exams = new QWidget(TabControl1);
    auto* el = new QVBoxLayout(exams);
    el->setContentsMargins(2, 2, 2, 2);
    el->setSpacing(2);
    ExamToolBar = captionedToolBar(
        exams, {{aUj, aSzerkeszt, aTorol}, {aNyomtat, aNyomtatKep}, {aUgyfelAdatlap}, {aMlapjai}},
        QSize(86, 36));
    ExamToolBar->setObjectName(u"ExamToolBar"_s);
    TabControl2 = new QTabBar(exams);
    TabControl2->setObjectName(u"TabControl2"_s);
    TabControl2->setShape(QTabBar::RoundedSouth);
    TabControl2->setExpanding(false);
    TabControl2->setDrawBase(true);
    DBGrid2 = makeGrid(exams, u"DBGrid2"_s);
    el->addWidget(ExamToolBar);
    el->addWidget(TabControl2);
    el->addWidget(DBGrid2, 1);
    TabControl1->addTab(exams, SonoriaIcon(u"new-exam"_s), u"Vizsgálatok"_s);
    layout->addWidget(TabControl1, 1);
    setCentralWidget(central);

    // The status bar: four panels, the first centred.
    for (int w : {77, 250, 125, 50}) {
        auto* panel = new QLabel(statusBar());
        panel->setMinimumWidth(w);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusPanels << panel;
        statusBar()->addWidget(panel, w == 250 ? 1 : 0);
    }
    StatusPanels[0]->setObjectName(u"StatusPosition"_s);
    StatusPanels[0]->setAlignment(Qt::AlignCenter);

    // The lists.
    QryU = new BrowseList(mySQLDatabase1, DBGrid1, PatientListLines(), this);
    QryU->model()->setColumns({{u"ugyfel_nev"_s, u"Beteg neve"_s, {}, {}},
                               {u"ugyfel"_s, u"Kód"_s, u"00000"_s, {}},
                               {u"taj"_s, u"TAJ"_s, {}, {}},
                               {u"szuldatum"_s, u"Szül.dátum"_s, {}, {}},
                               {u"telefon"_s, u"Telefon"_s, {}, {}},
                               {u"irszvaroscim"_s, u"Cím"_s, {}, {}},
                               {u"dat_utolso"_s, u"Utoljára"_s, {}, {}},
                               {u"dat_figyelmeztet"_s, u"Figyelmeztetés"_s, {}, {}},
                               {u"mlapdb"_s, u"Itt járt"_s, {}, {}}});
    QryMLap =
        new BrowseList(mySQLDatabase1, DBGrid2,
                       {u"SELECT * FROM vw_munkalap"_s, u"WHERE munkalap > 0"_s, u"ORDER BY 1;"_s}, this);
    QryMLap->model()->setColumns({{u"munkalapstr"_s, u"Munkalap"_s, {}, {}},
                                  {u"cim"_s, u"Típus"_s, {}, {}},
                                  {u"datum"_s, u"Dátum"_s, {}, {}},
                                  {u"ugyfel_nev"_s, u"Beteg neve"_s, {}, {}},
                                  {u"taj"_s, u"TAJ"_s, {}, {}},
                                  {u"panaszok"_s, u"Panaszok"_s, {}, {}},
                                  {u"ar_ossz"_s, u"Ár"_s, Beall.formatFt, {}}});

    // A patient whose reminder is due: blue on light pink, yellow when selected.
    const auto due = [this](int row) {
        const Value v = QryU->model()->value(row, u"dat_figyelmeztet"_s);
        return !v.isNull() && v.toDate() <= QDate::currentDate();
    };
    QryU->model()->setForegroundHook([due](int row, int, bool selected) {
        if (!due(row)) return QColor();
        return selected ? QColor(0xFF, 0xFF, 0x00) : QColor(0x00, 0x00, 0xFF);
    });
    QryU->model()->setBackgroundHook(
        [due](int row, int) { return due(row) ? QColor(0xFF, 0xEC, 0xEC) : QColor(); });
    // Examinations tinted by type.
    QryMLap->model()->setBackgroundHook([this](int row, int) {
        return ExamTypeColour(QryMLap->model()->value(row, u"mlaptipus"_s).toInt());
    });

    // The first panel counts the list on screen.
    for (BrowseList* list : {QryU, QryMLap})
        connect(list, &BrowseList::currentRowChanged, this, [this, list] {
            if (list == visibleList()) StatusPanels[0]->setText(list->positionText());
        });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { RunGuarded([this] { Edit1Change(); }); });
    connect(TabControl1, &QTabWidget::currentChanged, this,
            [this] { RunGuarded([this] { TabControl1Change(); }); });
    connect(TabControl2, &QTabBar::currentChanged, this,
            [this] { RunGuarded([this] { TabControl2Change(); }); });
    for (BrowseList* list : {QryU, QryMLap}) {
        QTableView* grid = list->grid();
        connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this, list](int column) { RunGuarded([&] { TitleClick(list, column); }); });
        connect(grid, &QTableView::doubleClicked, this,
                [this] { RunGuarded([this] { aSzerkesztExecute(); }); });
        TypeToSearch(grid, Edit1);
        grid->installEventFilter(this);
    }
    connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu menu(this);
        menu.addActions({aUj, aSzerkeszt, aTorol});
        menu.addSeparator();
        menu.addAction(aMLapNeki);
        menu.addSeparator();
        menu.addActions({aNyomtat, aNyomtatKep, aExcelbe});
        menu.addSeparator();
        menu.addActions({aBoritek, aAjanlott});
        menu.addSeparator();
        menu.addActions({aMostJart, aFigyelmeztet});
        menu.exec(DBGrid1->viewport()->mapToGlobal(p));
    });
    connect(DBGrid2, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu menu(this);
        menu.addActions({aUj, aTorol});
        menu.addSeparator();
        menu.addActions({aNyomtat, aNyomtatKep});
        menu.addSeparator();
        menu.addActions({aUgyfelAdatlap, aMlapjai});
        menu.exec(DBGrid2->viewport()->mapToGlobal(p));
    });
}

bool Tfrm_Main::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == DBGrid1 || watched == DBGrid2)) fitColumns();
    return QMainWindow::eventFilter(watched, event);
}

void Tfrm_Main::fitColumns() {
    ApplyWidthShares(DBGrid1, PatientShares, 36, WidthRounding::HalfEven);
    ApplyWidthShares(DBGrid2, ExamShares, 36, WidthRounding::HalfEven);
}

void Tfrm_Main::applyFont() {
    ApplyFontSize(this);
    fitColumns(); // the titles' widths change with the font
    for (QTableView* grid : {DBGrid1, DBGrid2})
        grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
}

// ---- lists ----

bool Tfrm_Main::patientsShown() const {
    return TabControl1->currentIndex() == 0;
}
BrowseList* Tfrm_Main::visibleList() const {
    return patientsShown() ? QryU : QryMLap;
}

void Tfrm_Main::Edit1Change() {
    if (m_abandoned) return;
    const QString text = Edit1->text();
    if (patientsShown()) {
        QryU->setWhere(PatientBaseFilter + LikeFilter(PatientSearchColumns, text));
        if (!text.isEmpty()) QryU->locateStartingWith(PatientSortField, text);
    } else {
        QryMLap->setWhere(YearFilter + LikeFilter(ExamSearchColumns, text));
        if (!text.isEmpty()) QryMLap->locateStartingWith(ExamSortField, text);
    }
}

void Tfrm_Main::TabControl1Change() {
    if (m_abandoned) return;
    QryU->close();
    QryMLap->close();
    // The list shown is searched with what the box holds: the box never says one thing while the
    // list shows another.
    Edit1Change();
}

void Tfrm_Main::TabControl2Change() {
    if (m_abandoned || TabControl2->currentIndex() < 0) return;
    const bool all = TabControl2->currentIndex() == TabControl2->count() - 1;
    YearFilter = all ? u"(ev > 0)"_s : u"(ev = "_s + TabControl2->tabText(TabControl2->currentIndex()) + u')';
    if (!Edit1->text().isEmpty()) Edit1->clear();
    QryMLap->setWhere(YearFilter);
}

void Tfrm_Main::TitleClick(BrowseList* list, int column) {
    const QString field = list->model()->columns().value(column).field;
    if (field.isEmpty()) return;
    (list == QryU ? PatientSortField : ExamSortField) = field;
    list->setOrderBy(field);
    HighlightSortColumn(list->grid(), column);
    Edit1->setFocus();
}

// ---- actions ----

int Tfrm_Main::currentPatient() const {
    return keyOf(visibleList()->current(u"ugyfel"_s), -1);
}

int Tfrm_Main::askExaminationType() {
    const int choice = AskChoice(0, ExaminationTypes, u"Vizsgálat típusa"_s, this);
    return choice < 0 ? -1 : choice + 1;
}

void Tfrm_Main::afterPatientSaved(int key) {
    if (key == -1) return;
    QryU->reread();
    QryU->locate(u"ugyfel"_s, Value::fromInt(key));
}

void Tfrm_Main::aUjExecute() {
    if (patientsShown()) {
        if (Routines().openPatient) afterPatientSaved(Routines().openPatient(mySQLDatabase1, this, -1));
        return;
    }
    const int type = askExaminationType();
    if (type < 0 || !Routines().openExamination) return;
    const int key = Routines().openExamination(mySQLDatabase1, this, -1, -1, type);
    if (key == -1) return;
    QryMLap->reread();
    QryMLap->locate(u"munkalap"_s, Value::fromInt(key));
}

void Tfrm_Main::aSzerkesztExecute() {
    if (patientsShown()) {
        if (Routines().openPatient && QryU->currentRow() >= 0)
            afterPatientSaved(
                Routines().openPatient(mySQLDatabase1, this, keyOf(QryU->current(u"ugyfel"_s), -1)));
        return;
    }
    if (!Routines().openExamination || QryMLap->currentRow() < 0) return;
    const int key =
        Routines().openExamination(mySQLDatabase1, this, keyOf(QryMLap->current(u"munkalap"_s), 0), -1,
                                   keyOf(QryMLap->current(u"mlaptipus"_s), 0));
    if (key != -1) QryMLap->reread();
}

void Tfrm_Main::aTorolExecute() {
    BrowseList* list = visibleList();
    if (list->currentRow() < 0) return;
    if (!ConfirmBox(u"Valóban töröljem a sort?"_s, u"Megerősítés"_s, this)) return;
    if (list == QryU)
        DeletePatient(mySQLDatabase1, QryU->current(u"ugyfel"_s));
    else
        CancelExamination(mySQLDatabase1, QryMLap->current(u"munkalap"_s));
    list->reread();
}

void Tfrm_Main::aMostJartExecute() {
    if (!patientsShown() || QryU->currentRow() < 0) return;
    QDate date = QDate::currentDate();
    if (!AskDate(date, {}, this)) return;
    SetLastVisit(mySQLDatabase1, QryU->current(u"ugyfel"_s), date);
    QryU->reread();
}

void Tfrm_Main::aFigyelmeztetExecute() {
    if (!patientsShown() || QryU->currentRow() < 0) return;
    const Value patient = QryU->current(u"ugyfel"_s);
    if (QryU->current(u"dat_figyelmeztet"_s).isNull()) {
        QDate date = QDate::currentDate().addDays(Beall.figynap);
        if (AskDate(date, {}, this)) SetReminder(mySQLDatabase1, patient, date);
    } else {
        ClearReminder(mySQLDatabase1, patient);
    }
    QryU->reread();
}

void Tfrm_Main::aMLapNekiExecute() {
    if (!patientsShown() || QryU->currentRow() < 0) return;
    const int patient = keyOf(QryU->current(u"ugyfel"_s), -1);
    const int type = askExaminationType();
    if (type < 0 || !Routines().openExamination) return;
    Routines().openExamination(mySQLDatabase1, this, -1, patient, type);
}

void Tfrm_Main::aUgyfelAdatlapExecute() {
    if (!Routines().openPatient || visibleList()->currentRow() < 0) return;
    const int key = Routines().openPatient(mySQLDatabase1, this, currentPatient());
    if (patientsShown())
        afterPatientSaved(key);
    else if (key != -1)
        QryMLap->reread();
}

void Tfrm_Main::aMlapjaiExecute() {
    if (Routines().showPatientHistory) Routines().showPatientHistory(mySQLDatabase1, this, currentPatient());
}

void Tfrm_Main::printExecute(bool preview) {
    if (patientsShown()) {
        if (Routines().printPatientList)
            Routines().printPatientList(mySQLDatabase1, this, QryU->sql(), preview);
    } else if (Routines().printFindingsSheet && QryMLap->currentRow() >= 0) {
        Routines().printFindingsSheet(mySQLDatabase1, this, keyOf(QryMLap->current(u"munkalap"_s), 0),
                                      preview);
    }
}

void Tfrm_Main::periodReport(const MainRoutines::PeriodReport& report) {
    Period p = MonthUntilToday(QDate::currentDate());
    if (!AskPeriod(p.from, p.to, {}, this)) return;
    if (report) report(mySQLDatabase1, this, p.from, p.to);
}

void Tfrm_Main::changeFont(int step) {
    const int size = Beall.betumeret + step;
    if (size < 8 || size > 10) return;
    Beall.betumeret = size;
    applyFont();
}

void Tfrm_Main::aFelhasznaloExecute() {
    if (!Beall.rendszergazda) {
        ErrorBox(u"Nincs jogosultság a művelethez."_s, this);
        return;
    }
    ShowUserAdmin(mySQLDatabase1, this);
}

void Tfrm_Main::aAdatbazisExecute() {
    if (!Beall.rendszergazda) {
        ErrorBox(u"Nincs jogosultság a művelethez."_s, this);
        return;
    }
    if (Routines().showConnectionProfiles) Routines().showConnectionProfiles(mySQLDatabase1, this);
}

void Tfrm_Main::aBeallitExecute() {
    RunSettingsDialog(mySQLDatabase1, this);
    ReadSharedSettings();
}
