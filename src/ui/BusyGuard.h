#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// While a long loop of a window (a backup, a restore, an export) lets the screen repaint, the window takes
// no second command: keys, clicks, shortcuts, context menus and the close box reach none of its widgets,
// menus or actions, except the widgets named as still active (a stop button). Made on the stack before
// the loop; the loop calls pump() where it lets events run.
class BusyGuard : public QObject {
public:
    explicit BusyGuard(QWidget* window, QList<QWidget*> stillActive = {});
    ~BusyGuard() override;
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    // Lets pending events run: the window repaints, and the still-active widgets can act.
    static void pump();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(const QObject* object) const;
    bool stillActive(const QObject* object) const;

    QPointer<QWidget> m_window;
    QList<QPointer<QWidget>> m_stillActive;
};
