#include "app/Tfrm_Main.h"
#include "core/Config.h"
#include "ui/Application.h"

int main(int argc, char* argv[]) {
    SonoriaApplication app(argc, argv);
    InstallHungarian(app);
    SetConfigLocation(QCoreApplication::applicationDirPath());
    InstallWheelAsArrowKeys(app);
    Tfrm_Main window;
    window.show();
    return app.exec();
}
