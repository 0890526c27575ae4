#include "Messages.h"

#include "SonoriaDialog.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "db/DbError.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

using namespace Qt::StringLiterals;

namespace {
Messages::Handler& handler() {
    static Messages::Handler h;
    return h;
}

bool show(MessageKind kind, const QString& caption, const QString& text, QWidget* owner) {
    if (handler()) return handler()(kind, caption, text);
    QPointer<QWidget> active = QApplication::activeWindow();
    QMessageBox box(owner ? owner : active.data());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (kind) {
    case MessageKind::Confirm:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case MessageKind::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageKind::Info:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    const bool yes = box.exec() == QMessageBox::Yes;
    if ((kind == MessageKind::Confirm || kind == MessageKind::Error) && active) active->activateWindow();
    return yes;
}
} // namespace

void Messages::setHandler(Handler h) {
    handler() = std::move(h);
}

bool ConfirmBox(const QString& text, const QString& caption, QWidget* owner) {
    return show(MessageKind::Confirm, caption, text, owner);
}
void ErrorBox(const QString& text, QWidget* owner) {
    show(MessageKind::Error, u"Hiba"_s, text, owner);
}
void WarningBox(const QString& text, QWidget* owner) {
    show(MessageKind::Warning, u"Figyelmeztetés"_s, text, owner);
}
void InfoBox(const QString& text, QWidget* owner) {
    show(MessageKind::Info, u"Üzenet"_s, text, owner);
}
void ShowGeneralError(const QString& text) {
    show(MessageKind::GeneralError, ApplicationTitle(), text, nullptr);
}

bool InputDialog(const QString& caption, const QString& prompt, const QString& mask, QString& text) {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    auto* label = new QLabel(prompt, &dialog);
    label->setWordWrap(true);
    auto* edit = new QLineEdit(text, &dialog);
    edit->setMaxLength(255);
    if (!mask.isEmpty()) edit->setInputMask(mask);
    edit->selectAll();
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(u"OK"_s, QDialogButtonBox::AcceptRole);
    buttons->addButton(u"Mégsem"_s, QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    // 180 quarter-character widths wide, as the average character of the font gives it.
    const int charWidth = dialog.fontMetrics().averageCharWidth();
    const int width = 180 * charWidth / 4;
    dialog.setFixedSize(width, layout->hasHeightForWidth() ? layout->totalHeightForWidth(width)
                                                           : dialog.sizeHint().height());
    FixedSizeFrame(&dialog);
    edit->setObjectName(u"InputDialogEdit"_s);
    if (dialog.exec() != QDialog::Accepted) return false;
    text = edit->text();
    return true;
}

bool RunGuarded(const std::function<void()>& f) {
    try {
        f();
        return true;
    } catch (const SonoriaError& e) {
        ShowGeneralError(e.message());
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool SaveOrTell(QWidget* dialog, const std::function<void()>& save, const QString& serverRefusal) {
    try {
        save();
        return true;
    } catch (const DbError& e) {
        ErrorBox(serverRefusal + e.message(), dialog);
    } catch (const SonoriaError& e) {
        ErrorBox(e.message(), dialog);
    }
    return false;
}
