#include "app/Tfrm_Main.h"
#include "app/Wiring.h"
#include "core/Config.h"
#include "ui/Application.h"

int main(int argc, char* argv[]) {
    SonoriaApplication app(argc, argv);
    InstallHungarian(app);
    SetConfigLocation(QCoreApplication::applicationDirPath());
    InstallWheelAsArrowKeys(app);
    WireScreens();
    Tfrm_Main window;
    window.show();
    return app.exec();
}
