#pragma once

// A built page: primitives with their positions on the paper, in millimetres from the paper's
// top-left corner. Painters draw them; tests read them.

#include "ReportLayout.h"

#include <QLineF>
#include <QPointF>

#include <vector>

struct TextRun {
    QString text; // one line
    FontSpec font;
    QPointF origin; // left end of the base line
    QRectF box;     // the line's box: left, top, advance width, line height
};

struct RectRun {
    QRectF rect;
    std::optional<QColor> pen; // none: no outline
    double penWidthMm = LineUnitMm;
    std::optional<QColor> fill; // none: unfilled
};

struct LineRun {
    QLineF line;
    QColor colour = Qt::black;
    double widthMm = LineUnitMm;
};

struct ImageRun {
    QRectF target; // where the whole picture goes
    QRectF clip;   // the element's box; nothing outside it is drawn
    Picture picture;
};

struct Primitive {
    enum Kind { Text, Rect, Line, Image };
    Kind kind;
    TextRun text;
    RectRun rect;
    LineRun line;
    ImageRun image;
};

struct ReportPage {
    int number = 1;
    QSizeF paper; // mm
    bool a4 = true;
    std::vector<Primitive> items;

    // Every text run, in drawing order (tests).
    std::vector<const TextRun*> texts() const;
    // The first text run whose text equals the given one, or nullptr.
    const TextRun* findText(const QString& text) const;
    // All lines joined with "\n", in drawing order.
    QString plainText() const;
};
