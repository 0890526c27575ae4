#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>

#include <memory>

class QPainter;

// A picture of a layout: a bitmap, or a vector drawing (SVG) that stays sharp at any resolution.
// Copies share the picture.
class Picture {
public:
    Picture() = default;
    static Picture fromImage(QImage image);
    // pixelSize: the drawing's natural size in pixels; the SVG's own size when empty.
    static Picture fromSvg(const QByteArray& svg, QSize pixelSize = {});

    bool isNull() const { return !m_data; }
    QSize pixelSize() const;
    // Natural size on paper: one pixel is 1/96 inch.
    QSizeF naturalSizeMm() const;
    // Draws the whole picture into the target rectangle (painter coordinates).
    void paint(QPainter& painter, const QRectF& target) const;
    // The picture as a bitmap of the given size (for tests and bitmap outputs).
    QImage toImage(QSize size) const;

private:
    struct Data;
    std::shared_ptr<const Data> m_data;
};
