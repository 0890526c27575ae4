#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class MessageKind { Error, Warning, Info, Confirm, GeneralError };

// Every message box of the program goes through here, so a test can read what the user was told and
// answer the questions. Without a handler the boxes are shown modally.
namespace Messages {
// The handler gets the kind, the caption and the text; for Confirm it returns true for Yes.
using Handler = std::function<bool(MessageKind, const QString& caption, const QString& text)>;
void setHandler(Handler handler); // an empty handler restores the real boxes
} // namespace Messages

bool ConfirmBox(const QString& text, const QString& caption, QWidget* owner = nullptr);
void ErrorBox(const QString& text, QWidget* owner = nullptr);
void WarningBox(const QString& text, QWidget* owner = nullptr);
void InfoBox(const QString& text, QWidget* owner = nullptr);
// The general error report: a box titled with the application title holding the error's text.
void ShowGeneralError(const QString& text);

// A one-line text question; true when closed with "OK", text then holds the edited text.
bool InputDialog(const QString& caption, const QString& prompt, const QString& mask, QString& text);

// Runs f and shows any error of the program (or of the library) in the general error report.
// Returns false when f failed.
bool RunGuarded(const std::function<void()>& f);

// The OK of an editing dialog: runs save (take the boxes into the row and write it). A value the row
// cannot hold or a row the server refuses is told in an error box over the dialog, the server's
// refusal after serverRefusal, and false comes back: the dialog stays open with what was typed.
bool SaveOrTell(QWidget* dialog, const std::function<void()>& save, const QString& serverRefusal = {});
