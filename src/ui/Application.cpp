#include "Application.h"

#include "Messages.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "reports/model/ReportFonts.h"

#include <QFont>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWheelEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

SonoriaApplication::SonoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle());
    setApplicationDisplayName(ApplicationTitle());
}

bool SonoriaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const SonoriaError& e) {
        ShowGeneralError(e.message());
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void InstallHungarian(QApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
    auto* qt = new QTranslator(&app);
    if (qt->load(u"qtbase_hu"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) app.installTranslator(qt);
    InstallReportFonts();  // the families the program names, mapped to installed ones
    if (QScreen* screen = QGuiApplication::primaryScreen()) SetWorkArea(screen->availableGeometry());
}

namespace {
class WheelToKeys : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        m_pending += wheel->angleDelta().y();
        QWidget* target = QApplication::focusWidget();
        // One key per 120 units (a notch); touchpads send many small steps.
        while (target && (m_pending >= 120 || m_pending <= -120)) {
            const bool up = m_pending > 0;
            m_pending += up ? -120 : 120;
            QKeyEvent press(QEvent::KeyPress, up ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
        }
        return true;
    }

private:
    int m_pending = 0;
};
}  // namespace

void InstallWheelAsArrowKeys(QApplication& app) { app.installEventFilter(new WheelToKeys(&app)); }
