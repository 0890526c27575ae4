#include "app/Tfrm_Main.h"
#include "app/Wiring.h"
#include "core/Config.h"
#include "ui/Application.h"

int main(int argc, char* argv[]) {
    SonoriaApplication app(argc, argv);
    // The desktop matches the windows to the menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("hu.sonoria.Sonoria"));
    InstallHungarian(app);
    SetConfigLocation(QCoreApplication::applicationDirPath());
    InstallWheelAsArrowKeys(app);
    WireScreens();
    Tfrm_Main window;
    window.show();
    return app.exec();
}
