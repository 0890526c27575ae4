#include "ProfileOptionsFields.h"

#include "Conventions.h"
#include "core/Errors.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

ProfileOptionsFields::ProfileOptionsFields(QFormLayout* form, QWidget* dialog, const ProfileOptions& initial)
    : QObject(dialog) {
    compression = new QCheckBox(u"Tömörített adatátvitel"_s, dialog);
    compression->setObjectName(u"compression"_s);
    compression->setChecked(initial.compression);
    tls = new QCheckBox(u"Titkosított kapcsolat (TLS)"_s, dialog);
    tls->setObjectName(u"tls"_s);
    tls->setChecked(initial.tls.enabled);
    caFile = new QLineEdit(initial.tls.caFile, dialog);
    caFile->setObjectName(u"caFile"_s);
    caFile->setPlaceholderText(u"a rendszer megbízható tanúsítványai"_s);
    browseCa = new QToolButton(dialog);
    browseCa->setObjectName(u"browseCa"_s);
    browseCa->setText(u"…"_s);
    browseCa->setToolTip(u"CA tanúsítványfájl kiválasztása"_s);
    verify = new QCheckBox(u"A kiszolgáló tanúsítványának és nevének ellenőrzése"_s, dialog);
    verify->setObjectName(u"verify"_s);
    verify->setChecked(initial.tls.verify);
    fallbackHosts = new QLineEdit(initial.fallbackHosts, dialog);
    fallbackHosts->setObjectName(u"fallbackHosts"_s);
    fallbackHosts->setPlaceholderText(u"kiszolgáló[:port], kiszolgáló[:port], …"_s);
    fallbackHosts->setToolTip(u"Ha a kiszolgáló nem válaszol, a program ezekhez kapcsolódik, sorban."_s);

    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFile, 1);
    caRow->addWidget(browseCa);
    form->addRow(u"Tömörítés"_s, compression);
    form->addRow(u"Titkosítás"_s, tls);
    form->addRow(u"CA tanúsítvány"_s, caRow);
    form->addRow(QString(), verify);
    form->addRow(u"További kiszolgálók"_s, fallbackHosts);
    EnterColouring({caFile, fallbackHosts});

    const auto enableTls = [this](bool on) {
        for (QWidget* w : std::initializer_list<QWidget*>{caFile, browseCa, verify})
            w->setEnabled(on);
    };
    enableTls(initial.tls.enabled);
    connect(tls, &QCheckBox::toggled, this, enableTls);
    connect(compression, &QCheckBox::clicked, this, [this] { m_compressionSetByUser = true; });
    connect(browseCa, &QToolButton::clicked, this, [this, dialog] {
        const QString path =
            QFileDialog::getOpenFileName(dialog, u"CA tanúsítványfájl"_s, caFile->text(),
                                         u"Tanúsítvány (*.pem *.crt *.cer);;Minden fájl (*)"_s);
        if (!path.isEmpty()) caFile->setText(path);
    });
}

void ProfileOptionsFields::followHost(QLineEdit* host) {
    const auto propose = [this](const QString& text) {
        if (!m_compressionSetByUser) compression->setChecked(!IsLoopbackHost(text));
    };
    propose(host->text());
    connect(host, &QLineEdit::textChanged, this, propose);
}

ProfileOptions ProfileOptionsFields::options() const {
    ProfileOptions o;
    o.compression = compression->isChecked();
    o.tls.enabled = tls->isChecked();
    o.tls.caFile = caFile->text().trimmed();
    o.tls.verify = verify->isChecked();
    o.fallbackHosts = fallbackHosts->text().trimmed();
    ParseServerList(o.fallbackHosts); // refuses what could not be used
    return o;
}

QList<QWidget*> ProfileOptionsFields::focusChain() const {
    return {compression, tls, caFile, browseCa, verify, fallbackHosts};
}
