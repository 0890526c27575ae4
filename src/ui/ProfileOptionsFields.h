#pragma once

#include "core/Config.h"

#include <QObject>

class QCheckBox;
class QFormLayout;
class QLineEdit;
class QToolButton;
class QWidget;

// The rows of a profile's settings beside its six fields, added to a form: compression, TLS with its CA
// file and the check of the server's certificate, and the further servers. The profiles window's edit
// dialog and the first-run dialog both use them.
class ProfileOptionsFields : public QObject {
public:
    ProfileOptionsFields(QFormLayout* form, QWidget* dialog, const ProfileOptions& initial);

    // What the rows hold; throws FormatError (its message names the entry) for a further server that is
    // not host[:port].
    ProfileOptions options() const;
    // Where the focus goes after the profile's own boxes, in order.
    QList<QWidget*> focusChain() const;
    // Compression proposed from the host: off for a server on this machine, until the user sets it.
    void followHost(QLineEdit* host);

    QCheckBox* compression;
    QCheckBox* tls;
    QLineEdit* caFile;
    QToolButton* browseCa;
    QCheckBox* verify;
    QLineEdit* fallbackHosts;

private:
    bool m_compressionSetByUser = false;
};
