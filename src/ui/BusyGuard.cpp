#include "BusyGuard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

BusyGuard::BusyGuard(QWidget* window, QList<QWidget*> stillActive) : m_window(window) {
    for (QWidget* w : stillActive)
        m_stillActive << w;
    qApp->installEventFilter(this);
}

BusyGuard::~BusyGuard() {
    qApp->removeEventFilter(this);
}

void BusyGuard::pump() {
    QCoreApplication::processEvents();
}

bool BusyGuard::belongsToWindow(const QObject* object) const {
    // The parent chain, not the window chain: a pop-up menu and an action belong to the widget that owns
    // them.
    for (const QObject* o = object; o; o = o->parent())
        if (o == m_window) return true;
    return false;
}

bool BusyGuard::stillActive(const QObject* object) const {
    for (const QObject* o = object; o; o = o->parent())
        for (const QPointer<QWidget>& w : m_stillActive)
            if (w && o == w) return true;
    return false;
}

bool BusyGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::Close:
        break;
    default:
        return false;
    }
    if (!m_window || !belongsToWindow(watched) || stillActive(watched)) return false;
    if (event->type() == QEvent::ShortcutOverride)
        event->accept(); // no shortcut of the application takes the key either
    else
        event->ignore(); // a close box: the window stays
    return true;
}
