#pragma once

#include <QString>

// Hands one message to the desktop's mail client, which shows its compose window for the user to
// finish and send: xdg-email with the subject, the body, the attachment (by its full path) and the
// recipient's address, started detached with an argument list. The client takes the sender from its
// own account, so the sender is not passed on.
// Result: 0 when the mail client was started, -1 when it is not available (no xdg-email, it does
// not start, or the attachment does not exist).
int SendMailMessage(const QString& subject, const QString& body, const QString& attachment,
                    const QString& senderName = {}, const QString& senderAddress = {},
                    const QString& recipientName = {}, const QString& recipientAddress = {});
