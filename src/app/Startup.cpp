#include "Startup.h"

#include "core/Config.h"
#include "core/Errors.h"
#include "db/Connection.h"
#include "ui/Conventions.h"
#include "ui/Icons.h"
#include "ui/Messages.h"
#include "ui/ProfileOptionsFields.h"
#include "ui/SonoriaDialog.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// Opens and closes a connection; the error's text when it fails, empty when it worked.
QString tryConnection(const ConnectionParams& params) {
    Connection test;
    test.open(params);
    test.close();
    return {};
}

bool testWithMessage(const std::function<ConnectionParams()>& params) {
    try {
        tryConnection(params());
        return true;
    } catch (const SonoriaError& e) {
        ErrorBox(u"Hiba: "_s + e.message());
    }
    return false;
}

class Tfrm_AdatbazisNyit : public SonoriaDialog {
public:
    Tfrm_AdatbazisNyit(const QStringList& entries, const QStringList& profiles,
                       const QList<ProfileOptions>& options, const QString& title, QWidget* parent)
        : SonoriaDialog(u"frm_AdatbazisNyit"_s, Placement::Centred, parent), m_profiles(profiles),
          m_options(options) {
        setObjectName(u"Tfrm_AdatbazisNyit"_s);
        setWindowTitle(title);
        list = new QListWidget(this);
        list->setObjectName(u"list"_s);
        QFont f(u"Arial"_s);
        f.setPixelSize(12);
        f.setBold(true);
        list->setFont(f);
        list->addItems(entries);
        list->setCurrentRow(0);
        auto* ok = new QPushButton(u"OK"_s, this);
        ok->setObjectName(u"ok"_s);
        ok->setDefault(true);
        auto* cancel = new QPushButton(u"Mégsem"_s, this);
        cancel->setObjectName(u"cancel"_s);
        connect(ok, &QPushButton::clicked, this, [this] { choose(); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this] { choose(); });
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(list);
        layout->addLayout(buttons);
        setFixedSize(340, 260);
    }
    QListWidget* list;

private:
    void choose() {
        const int i = list->currentRow();
        if (i < 0) return;
        if (TestProfileConnection(m_profiles[i], m_options.value(i))) accept();
    }
    QStringList m_profiles;
    QList<ProfileOptions> m_options;
};

class Tfrm_Init : public SonoriaDialog {
public:
    explicit Tfrm_Init(QWidget* parent) : SonoriaDialog(u"frm_Init"_s, Placement::Position, parent) {
        setObjectName(u"Tfrm_Init"_s);
        setWindowTitle(u"Adatbázis beállítás"_s);
        host = edit(u"host"_s);
        user = edit(u"user"_s);
        password = edit(u"password"_s);
        password->setEchoMode(QLineEdit::Password);
        database = edit(u"database"_s);
        displayName = edit(u"displayName"_s);
        port = edit(u"port"_s);
        port->setText(u"3306"_s);
        auto* test = new QPushButton(u"Kapcsolat tesztelése"_s, this);
        test->setObjectName(u"test"_s);
        ok = new QPushButton(u"Rendben"_s, this);
        ok->setObjectName(u"ok"_s);
        ok->setEnabled(false);
        auto* cancel = new QPushButton(u"Mégsem"_s, this);
        cancel->setObjectName(u"cancel"_s);
        for (QPushButton* b : {test, ok, cancel})
            b->setAutoDefault(false);
        connect(test, &QPushButton::clicked, this, [this] {
            if (testWithMessage([this] { return params(); })) {
                ok->setEnabled(true);
                ok->setFocus();
            }
        });
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        auto* form = new QFormLayout;
        form->addRow(u"Kiszolgáló (IP cím)"_s, host);
        form->addRow(u"Felhasználó"_s, user);
        form->addRow(u"Jelszó"_s, password);
        form->addRow(u"Adatbázis neve"_s, database);
        form->addRow(u"Adatbázis megjelenített neve"_s, displayName);
        form->addRow(u"Port"_s, port);
        fields = new ProfileOptionsFields(form, this, {});
        fields->followHost(host);
        QList<QWidget*> chain = fields->focusChain();
        chain << test << ok << cancel;
        QWidget* previous = port;
        for (QWidget* w : chain) {
            QWidget::setTabOrder(previous, w);
            previous = w;
        }
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(test);
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addLayout(buttons);
        host->setMinimumWidth(220);
        EnterColouring({host, user, password, database, displayName, port});
        EnterAsTab(this);
        host->installEventFilter(this);
        setFixedSize(sizeHint());
    }

    QString profile() const {
        return QStringList{database->text(), host->text(),     port->text(),
                           user->text(),     password->text(), displayName->text()}
            .join(u';');
    }
    ProfileOptions options() const { return fields->options(); }

    // A further server that is not host[:port] keeps the dialog open with what was typed.
    void accept() override {
        try {
            fields->options();
        } catch (const FormatError& e) {
            ErrorBox(e.message(), this);
            fields->fallbackHosts->setFocus();
            return;
        }
        SonoriaDialog::accept();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == host && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                (key->modifiers() & Qt::ControlModifier)) {
                accept();
                return true;
            }
        }
        return SonoriaDialog::eventFilter(watched, event);
    }

private:
    QLineEdit* edit(const QString& name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        return e;
    }
    ConnectionParams params() const {
        ConnectionProfile p = ConnectionProfile::parse(profile());
        return ConnectionParams::fromProfile(p, options());
    }
    QLineEdit *host, *user, *password, *database, *displayName, *port;
    ProfileOptionsFields* fields;
    QPushButton* ok;
};

class Tfrm_Logo : public QWidget {
public:
    Tfrm_Logo()
        : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_picture(LogoPixmap(256)) {
        setObjectName(u"Tfrm_Logo"_s);
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFixedSize(256, 256);
        // The picture's rounded corners; a mask rather than a translucent window, which needs a compositor.
        QPainterPath outline;
        outline.addRoundedRect(QRectF(4, 4, 248, 248), 40, 40);
        setMask(QRegion(outline.toFillPolygon().toPolygon()));
        if (QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
        m_fade.setInterval(11);
        connect(&m_fade, &QTimer::timeout, this, [this] {
            m_opacity -= 10;
            if (m_opacity <= 33) {
                m_fade.stop();
                close();
                return;
            }
            setWindowOpacity(m_opacity / 255.0);
        });
        QTimer::singleShot(1000, this, [this] { m_fade.start(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x14, 0x3a, 0x5c)); // where the window cannot be shaped
        p.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture;
    QTimer m_fade;
    int m_opacity = 255;
};
} // namespace

bool TestProfileConnection(const QString& profile, const ProfileOptions& options) {
    return testWithMessage(
        [&] { return ConnectionParams::fromProfile(ConnectionProfile::parse(profile), options); });
}

int ChooseDatabase(const QStringList& entries, const QStringList& profiles,
                   const QList<ProfileOptions>& options, const QString& title, QWidget* parent) {
    if (entries.size() == 1 && TestProfileConnection(profiles.first(), options.value(0))) return 0;
    Tfrm_AdatbazisNyit dialog(entries, profiles, options, title, parent);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return dialog.list->currentRow();
}

bool RunFirstConnectionDialog(QWidget* parent) {
    Tfrm_Init dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const QString profile = dialog.profile();
    const ProfileOptions options = dialog.options();
    Config().writeBytes(u"Adatbazis"_s, u"ConStr1"_s, EncodeProfile(profile));
    options.write(Config(), 1);
    Beall.profile = profile;
    Beall.profileOptions = options;
    return true;
}

QWidget* ShowSplash() {
    auto* splash = new Tfrm_Logo;
    splash->show();
    return splash;
}
