#pragma once

#include <QPlainTextEdit>

// A multi-line box over a stored text. What was stored comes back unchanged, byte for byte, until the
// user changes the text; a changed text comes back with CR LF line breaks, as the database holds them.
// Every multi-line box that edits a column works through it.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);

    void setStoredText(const QString& text); // shows the text and keeps it as stored
    bool isEdited() const;                   // the text shown is no longer the one stored
    QString storedText() const;              // the text to store: the stored one while not edited
    void markStored();                       // what is shown now has been stored

private:
    QString m_stored, m_shown;
};
