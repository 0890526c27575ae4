#include "Application.h"

#include "Messages.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "reports/model/ReportFonts.h"

#include <QFont>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QScreen>
#include <QTranslator>
#include <QWheelEvent>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
// Password boxes show "*" for each character, whatever the style would draw.
class SonoriaStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return u'*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Qt's own dialogs (file, progress) name their cancel button as the program's do.
class ProgramWords : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* sourceText, const char*, int) const override {
        const QByteArrayView text(sourceText);
        if (text == "Cancel" || text == "&Cancel") return u"Mégsem"_s;
        return {};
    }
};
} // namespace

SonoriaApplication::SonoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the name: a display name would be added to every window title by the window system.
    setApplicationName(ApplicationTitle());
    setStyle(new SonoriaStyle);
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
    if (qt->load(u"qtbase_hu"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt);
    app.installTranslator(new ProgramWords(&app)); // asked before the one above
    InstallReportFonts();                          // the families the program names, mapped to installed ones
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
} // namespace

void InstallWheelAsArrowKeys(QApplication& app) {
    app.installEventFilter(new WheelToKeys(&app));
}
