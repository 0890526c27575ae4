#include "Picture.h"

#include <QPainter>
#include <QSvgRenderer>

struct Picture::Data {
    QImage image;
    std::shared_ptr<QSvgRenderer> svg;
    QSize size;
};

Picture Picture::fromImage(QImage image) {
    Picture p;
    if (image.isNull()) return p;
    auto d = std::make_shared<Data>();
    d->size = image.size();
    d->image = std::move(image);
    p.m_data = std::move(d);
    return p;
}

Picture Picture::fromSvg(const QByteArray& svg, QSize pixelSize) {
    Picture p;
    auto renderer = std::make_shared<QSvgRenderer>(svg);
    if (!renderer->isValid()) return p;
    auto d = std::make_shared<Data>();
    d->svg = std::move(renderer);
    d->size = pixelSize.isEmpty() ? d->svg->defaultSize() : pixelSize;
    p.m_data = std::move(d);
    return p;
}

QSize Picture::pixelSize() const {
    return m_data ? m_data->size : QSize();
}

QSizeF Picture::naturalSizeMm() const {
    const QSize s = pixelSize();
    return {s.width() * 25.4 / 96.0, s.height() * 25.4 / 96.0};
}

void Picture::paint(QPainter& painter, const QRectF& target) const {
    if (!m_data) return;
    if (m_data->svg) {
        m_data->svg->render(&painter, target);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_data->image);
        painter.restore();
    }
}

QImage Picture::toImage(QSize size) const {
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::white);
    QPainter p(&out);
    paint(p, QRectF(QPointF(0, 0), QSizeF(size)));
    return out;
}
