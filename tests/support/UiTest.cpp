#include "UiTest.h"

#include "core/Config.h"
#include "ui/Application.h"

#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

QApplication& TestApplication() {
    static SonoriaApplication* app = [] {
        // Headless unless the run asks for a screen (tests under a window manager).
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "sonoria-test";
        static char* argv[] = {name, nullptr};
        auto* a = new SonoriaApplication(argc, argv);
        InstallHungarian(*a);
        return a;
    }();
    return *app;
}

MessageRecorder::MessageRecorder() {
    Messages::setHandler([this](MessageKind kind, const QString& caption, const QString& text) {
        entries << Entry{kind, caption, text};
        return answers.isEmpty() ? true : answers.takeFirst();
    });
}

MessageRecorder::~MessageRecorder() {
    Messages::setHandler({});
}

QStringList MessageRecorder::texts() const {
    QStringList list;
    for (const Entry& e : entries)
        list << e.text;
    return list;
}

void WhenModalShown(std::function<void(QWidget*)> action, int timeoutMs) {
    auto* timer = new QTimer;
    auto started = std::make_shared<qint64>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, action, started, timeoutMs] {
        *started += 10;
        if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(w);
        } else if (*started > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

namespace {
// The widget the keyboard reaches: a modal window that was shown but not activated yet is activated
// first, as the window manager would.
QWidget* keyboardFocus() {
    if (!QApplication::focusWidget())
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->activateWindow();
            QApplication::processEvents();
        }
    return QApplication::focusWidget();
}
} // namespace

void PressKey(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* focus = keyboardFocus();
    ASSERT_TRUE(focus) << "no widget has the focus";
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

void TypeIntoFocus(const QString& text) {
    QWidget* focus = keyboardFocus();
    ASSERT_TRUE(focus) << "no widget has the focus";
    TypeText(focus, text);
}
