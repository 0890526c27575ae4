#include "Icons.h"

#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

// The resources live in a static library: they are registered on first use.
static void initResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(sonoria);
        return true;
    }();
    (void)done;
}

namespace {

QPixmap render(const QString& path, int size) {
    initResources();
    QSvgRenderer renderer(path);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (!renderer.isValid()) return pixmap;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}
} // namespace

QPixmap SonoriaPixmap(const QString& name, int size) {
    return render(u":/icons/"_s + name + u".svg"_s, size);
}

QIcon SonoriaIcon(const QString& name) {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48})
        icon.addPixmap(SonoriaPixmap(name, size));
    return icon;
}

QPixmap LogoPixmap(int size) {
    return render(u":/logo.svg"_s, size);
}
