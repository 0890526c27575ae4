#include "TextBox.h"

#include "core/TextRoutines.h"

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {}

void TextBox::setStoredText(const QString& text) {
    setPlainText(text);
    m_stored = text;
    // The document's own form of the text (blocks for lines, a no-break space kept), to tell an edit by.
    m_shown = document()->toRawText();
}

void TextBox::markStored() {
    m_stored = storedText();
    m_shown = document()->toRawText();
}

bool TextBox::isEdited() const {
    return document()->toRawText() != m_shown;
}

QString TextBox::storedText() const {
    return isEdited() ? CrLfLineBreaks(document()->toRawText()) : m_stored;
}
