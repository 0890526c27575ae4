#include "Layouts.h"

#include <QFile>

static void initPictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    (void)done;
}

static Picture svgPicture(const QString& name, QSize size) {
    initPictures();
    QFile f(QStringLiteral(":/reports/") + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return Picture::fromSvg(f.readAll(), size);
}

// Each drawing is made once and shared by every layout instance.
Picture LogoPlaceholderPicture() {
    static const Picture p = svgPicture(QStringLiteral("logo_placeholder.svg"), QSize(169, 55));
    return p;
}

Picture ThyroidPicture() {
    static const Picture p = svgPicture(QStringLiteral("thyroid.svg"), QSize(896, 430));
    return p;
}

Picture NeckArteryPicture() {
    static const Picture p = svgPicture(QStringLiteral("neck_arteries.svg"), QSize(469, 255));
    return p;
}

Picture LegArteryPicture() {
    static const Picture p = svgPicture(QStringLiteral("leg_arteries.svg"), QSize(157, 452));
    return p;
}
