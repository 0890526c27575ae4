#include "MailMessage.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int SendMailMessage(const QString& subject, const QString& body, const QString& attachment, const QString&,
                    const QString&, const QString& recipientName, const QString& recipientAddress) {
    const QString program = QStandardPaths::findExecutable(u"xdg-email"_s);
    if (program.isEmpty()) return -1;
    QStringList args{u"--utf8"_s};
    // xdg-email refuses an option with an empty text, so an empty subject or body is left out.
    if (!subject.isEmpty()) args << u"--subject"_s << subject;
    if (!body.isEmpty()) args << u"--body"_s << body;
    if (!attachment.isEmpty()) {
        const QFileInfo file(attachment);
        if (!file.isFile()) return -1;
        args << u"--attach"_s << file.absoluteFilePath();
    }
    // Through --to, so an address can never be read as an option.
    if (!recipientAddress.isEmpty()) args << u"--to"_s << recipientAddress;
    Q_UNUSED(recipientName);
    return QProcess::startDetached(program, args) ? 0 : -1;
}
