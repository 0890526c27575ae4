#include "ReportFonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>

#include <mutex>

namespace {

// Measuring resolution: 1200 dots per inch.
constexpr double MeasureDpi = 1200;

struct Substitute {
    const char16_t* family;
    std::initializer_list<const char16_t*> candidates;
};

// Chosen by width: Liberation Sans has Arial's metrics; Arial Rounded MT Bold is as wide as Arial
// bold; Tahoma is narrower than Verdana and close to DejaVu Sans Condensed.
const Substitute substitutes[] = {
    {u"Arial", {u"Liberation Sans", u"Arimo", u"DejaVu Sans"}},
    {u"Arial Rounded MT Bold", {u"Liberation Sans", u"Arimo", u"DejaVu Sans"}},
    {u"Tahoma", {u"DejaVu Sans Condensed", u"DejaVu Sans", u"Liberation Sans"}},
    {u"Courier New", {u"Liberation Mono", u"Cousine", u"DejaVu Sans Mono"}},
};

const QImage& measureDevice() {
    static const QImage image = [] {
        QImage i(1, 1, QImage::Format_RGB32);
        const int dpm = qRound(MeasureDpi / 0.0254);
        i.setDotsPerMeterX(dpm);
        i.setDotsPerMeterY(dpm);
        return i;
    }();
    return image;
}

} // namespace

void InstallReportFonts() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList installed = QFontDatabase::families();
        for (const Substitute& s : substitutes) {
            const QString family = QString::fromUtf16(s.family);
            if (installed.contains(family, Qt::CaseInsensitive)) continue;
            QStringList use;
            for (const char16_t* c : s.candidates)
                if (installed.contains(QString::fromUtf16(c), Qt::CaseInsensitive))
                    use << QString::fromUtf16(c);
            if (!use.isEmpty()) QFont::insertSubstitutions(family, use);
        }
    });
}

QString ResolvedFamily(const QString& family) {
    InstallReportFonts();
    QFont f(family);
    return QFontInfo(f).family();
}

QFont ReportFont(const FontSpec& fontSpec) {
    InstallReportFonts();
    QFont f(fontSpec.family);
    f.setPointSizeF(fontSpec.pointSize);
    f.setBold(fontSpec.bold);
    f.setItalic(fontSpec.italic);
    f.setUnderline(fontSpec.underline);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

TextMeasure::TextMeasure(const FontSpec& fontSpec) : m_metrics(ReportFont(fontSpec), &measureDevice()) {}

double TextMeasure::width(QStringView text) const {
    return m_metrics.horizontalAdvance(text.toString()) * 25.4 / MeasureDpi;
}

double TextMeasure::ascent() const {
    return m_metrics.ascent() * 25.4 / MeasureDpi;
}

double TextMeasure::lineHeight() const {
    return m_metrics.lineSpacing() * 25.4 / MeasureDpi;
}
