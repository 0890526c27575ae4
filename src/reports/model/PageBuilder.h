#pragma once

#include "ReportLayout.h"
#include "ReportPage.h"

#include "db/DataSet.h"

#include <QDateTime>

#include <functional>
#include <vector>

class TextMeasure;

// Receives each page as soon as it is complete; false stops the run (no further rows are laid out).
using PageSink = std::function<bool(ReportPage&& page)>;

// Lays a layout over its data: Qry drives the detail band, Tbl gives its first row. The builder holds
// one page at a time; the layout and the data sets stay the caller's and must outlive the builder.
class PageBuilder {
public:
    PageBuilder(const ReportLayout& layout, const DataSet* qry, const DataSet* tbl = nullptr);
    PageBuilder(ReportLayout&&, const DataSet*, const DataSet* = nullptr) = delete; // would dangle
    ~PageBuilder();

    // The date and time the system texts print (now by default).
    void setPrintedAt(const QDateTime& t) { m_printedAt = t; }

    // Builds every page into the sink; returns the number of pages handed over. Throws FormatError
    // for an expression or a column reference that the data does not have.
    int build(const PageSink& sink);
    std::vector<ReportPage> buildAll();
    bool cancelled() const { return m_cancelled; }

private:
    struct State;
    const ReportLayout& m_layout;
    const DataSet* m_qry;
    const DataSet* m_tbl;
    QDateTime m_printedAt;
    bool m_cancelled = false;
};

// A text cut into lines no wider than the width: a line break starts a line (see HardLines), a line
// breaks after a space or a hyphen, a word wider than the width breaks at the character where it stops
// fitting (wordCut tells whether one did). Trailing spaces are not part of a line.
QStringList BreakLines(const QString& text, const TextMeasure& measure, double width,
                       bool* wordCut = nullptr);
// Only the line breaks break (auto-sized texts): CR LF, a lone CR, a lone LF.
QStringList HardLines(const QString& text);

// A text element's text as it is set: its font (smaller, down to the element's minimum, when the text
// does not fit the box at the given size), its lines, and how many of them fall inside the box.
struct TextFit {
    FontSpec font;
    QStringList lines;
    qsizetype inBox = 0;
    bool fits() const { return lines.size() <= inBox; }
};
TextFit FitText(const TextElement& element, const FontSpec& font, const QString& text);
