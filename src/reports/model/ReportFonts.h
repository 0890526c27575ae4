#pragma once

#include "ReportLayout.h"

#include <QFont>
#include <QFontMetricsF>

// The layouts name Arial, Arial Rounded MT Bold, Tahoma and Courier New. Where a family is not
// installed it is drawn with a metric-compatible one that has the Hungarian letters (Liberation,
// DejaVu). Everything that measures or paints report text calls this first; calling it again does
// nothing. Needs a QGuiApplication.
void InstallReportFonts();

// The family the given layout family is drawn with here.
QString ResolvedFamily(const QString& family);

// The QFont of a font description, without hinting so that widths do not depend on the resolution.
QFont ReportFont(const FontSpec& fontSpec);

// Text measured in millimetres, the same way whatever device the page is drawn on later.
class TextMeasure {
public:
    explicit TextMeasure(const FontSpec& fontSpec);
    double width(QStringView text) const;
    double ascent() const;
    double lineHeight() const; // distance of two base lines

private:
    QFontMetricsF m_metrics;
};
