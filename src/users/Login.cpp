#include "Login.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "db/RowEditor.h"
#include "ui/Conventions.h"
#include "ui/Icons.h"
#include "ui/Messages.h"
#include "ui/SonoriaDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QString LoginQuery = u"SELECT * FROM felhasznalo;"_s;

class Tfrm_Login : public SonoriaDialog {
public:
    Tfrm_Login(Connection& db, QWidget* parent)
        : SonoriaDialog(u"frm_Login"_s, Placement::Centred, parent), m_db(db),
          TblLogin(db.query(LoginQuery)) {
        setObjectName(u"Tfrm_Login"_s);
        setWindowTitle(u"Belépés azonosítás"_s);
        edtFelhasznalo = new QLineEdit(this);
        edtFelhasznalo->setObjectName(u"edtFelhasznalo"_s);
        edtJelszo = new QLineEdit(this);
        edtJelszo->setObjectName(u"edtJelszo"_s);
        edtJelszo->setEchoMode(QLineEdit::Password);
        btnOK = new QPushButton(u"OK"_s, this);
        btnOK->setObjectName(u"btnOK"_s);
        btnUjJelszo = new QPushButton(u"Új jelszó"_s, this);
        btnUjJelszo->setObjectName(u"btnUjJelszo"_s);
        btnMegsem = new QPushButton(u"Mégsem"_s, this);
        btnMegsem->setObjectName(u"btnMegsem"_s);
        for (QPushButton* b : {btnOK, btnUjJelszo, btnMegsem})
            b->setAutoDefault(false);

        auto* key = new QLabel(this);
        key->setPixmap(SonoriaPixmap(u"key"_s, 64));
        key->setFixedSize(64, 64);
        auto* form = new QFormLayout;
        form->addRow(u"Felhasználó"_s, edtFelhasznalo);
        form->addRow(u"Jelszó"_s, edtJelszo);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(btnOK);
        buttons->addWidget(btnUjJelszo);
        buttons->addWidget(btnMegsem);
        auto* right = new QVBoxLayout;
        right->addLayout(form);
        right->addLayout(buttons);
        auto* main = new QHBoxLayout(this);
        main->addWidget(key, 0, Qt::AlignTop);
        main->addLayout(right);
        edtFelhasznalo->setMinimumWidth(200);
        setTabOrder(edtFelhasznalo, edtJelszo);
        setTabOrder(edtJelszo, btnOK);
        setTabOrder(btnOK, btnUjJelszo);
        setTabOrder(btnUjJelszo, btnMegsem);
        EnterAsTab(this);
        EnterColouring({edtFelhasznalo, edtJelszo});

        connect(btnOK, &QPushButton::clicked, this, [this] {
            m_success = CheckCredentials(TblLogin, edtFelhasznalo->text(), edtJelszo->text());
            if (m_success) accept();
        });
        connect(btnMegsem, &QPushButton::clicked, this, &QDialog::reject);
        connect(btnUjJelszo, &QPushButton::clicked, this, [this] { newPassword(); });
        setFixedSize(sizeHint());
    }
    bool success() const { return m_success; }

private:
    void newPassword() {
        if (!CheckCredentials(TblLogin, edtFelhasznalo->text(), edtJelszo->text())) return;
        QString first, second;
        if (!InputDialog(u"Jelszó megadása"_s, u"Add meg az új jelszót"_s, {}, first)) return;
        if (!InputDialog(u"Megerősítés"_s, u"Add újra az új jelszót"_s, {}, second)) return;
        if (first != second) {
            ErrorBox(u"A megadott jelszavak nem egyezőek"_s, this);
            return;
        }
        if (!StoreNewPassword(m_db, edtFelhasznalo->text(), first)) return;
        TblLogin = m_db.query(LoginQuery);
        InfoBox(u"Jelszó változtatás kész."_s, this);
    }

    Connection& m_db;
    ResultSet TblLogin;
    QLineEdit* edtFelhasznalo;
    QLineEdit* edtJelszo;
    QPushButton* btnOK;
    QPushButton* btnUjJelszo;
    QPushButton* btnMegsem;
    bool m_success = false;
};
} // namespace

bool CheckCredentials(const ResultSet& users, const QString& user, const QString& password) {
    const int login = users.columnIndex(u"felhasznalo"_s);
    const int pass = users.columnIndex(u"jelszo"_s);
    for (qsizetype r = 0; r < users.rowCount(); ++r) {
        if (users.value(r, login).text() != user) continue;
        if (users.value(r, pass).text() != password) break;
        const auto right = [&](const char* column) {
            return users.value(r, QString::fromLatin1(column)).text() == u"I"_s;
        };
        Beall.userName = users.value(r, u"felhasznalo_nev"_s).text();
        Beall.torzsszerkeszt = right("torzsszerkeszt");
        Beall.rendszergazda = right("rendszergazda");
        Beall.canins = right("canins");
        Beall.canedit = right("canedit");
        Beall.candel = right("candel");
        return true;
    }
    ErrorBox(u"Érvénytelen felhasználó, vagy jelszó"_s);
    return false;
}

bool StoreNewPassword(Connection& db, const QString& user, const QString& password) {
    RowEditor row(db, u"felhasznalo"_s, u"felhasznalo"_s);
    if (!row.load(Value::fromText(user))) {
        ErrorBox(u"Érvénytelen felhasználó, vagy jelszó"_s);
        return false;
    }
    const int room = row.maxLength(u"jelszo"_s);
    if (room > 0 && password.size() > room) {
        ErrorBox(
            u"Az új jelszó túl hosszú: legfeljebb %1 karakter lehet. A jelszó nem változott."_s.arg(room));
        return false;
    }
    row.setText(u"jelszo"_s, password); // a letter latin2 lacks is refused here, before anything is sent
    row.post();
    return true;
}

bool RunLogin(Connection& db, QWidget* parent) {
    Tfrm_Login dialog(db, parent);
    dialog.exec();
    return dialog.success() && dialog.result() == QDialog::Accepted;
}
