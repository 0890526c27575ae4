#pragma once

#include "ui/Messages.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

#include <functional>

// The application object of a screen test (offscreen platform, Hungarian, the general error report).
QApplication& TestApplication();

// Records every message box instead of showing it; questions get the answers queued (Yes by default).
struct MessageRecorder {
    MessageRecorder();
    ~MessageRecorder();
    struct Entry {
        MessageKind kind;
        QString caption, text;
    };
    QList<Entry> entries;
    QList<bool> answers;
    QString last() const { return entries.isEmpty() ? QString() : entries.last().text; }
    QStringList texts() const;
};

// Types the text into the widget key by key, accented letters too (QTest::keyClicks takes ASCII only).
void TypeText(QWidget* widget, const QString& text);

// Runs action on the next modal window that appears (a dialog opened by exec()), polling the event loop.
void WhenModalShown(std::function<void(QWidget*)> action, int timeoutMs = 5000);

// A key, and a text key by key, to the widget that has the focus, as the keyboard would send them.
void PressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void TypeIntoFocus(const QString& text);
