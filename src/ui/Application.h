#pragma once

#include <QApplication>

// The program's QApplication: an error that no window handles ends the current action and is shown
// by the general error report; the program goes on.
class SonoriaApplication : public QApplication {
public:
    SonoriaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Hungarian everywhere: Qt's own dialogs and buttons, the locale of dates and numbers, and fonts with
// Hungarian letters in place of the ones the layouts name. Also fixes the work area.
void InstallHungarian(QApplication& app);

// The mouse wheel turned into Up and Down keys for the widget under the focus, one key per notch.
void InstallWheelAsArrowKeys(QApplication& app);
