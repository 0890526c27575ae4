#include "HtmlExport.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/NumberFormat.h"
#include "core/TextRoutines.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString HtmlEscape(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += u"&amp;"_s;
            break;
        case u'<':
            out += u"&lt;"_s;
            break;
        case u'>':
            out += u"&gt;"_s;
            break;
        case u'"':
            out += u"&quot;"_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

int WidthPercent(int columnWidth, int gridWidth) {
    if (gridWidth <= 0) return 0;
    const qint64 n = static_cast<qint64>(columnWidth) * 100;
    qint64 q = n / gridWidth, r = n % gridWidth;
    if (r < 0) {
        r += gridWidth;
        --q;
    }
    if (2 * r > gridWidth || (2 * r == gridWidth && (q % 2) != 0)) ++q;
    return static_cast<int>(q);
}

namespace {
struct PageColumn {
    const ExportGridColumn* grid;
    int field;
    ColumnType type;
    int percent;
    QString align;
    int total; // index in the total list, -1 when not a total field
};

QString alignTag(TAlignment a) {
    switch (a) {
    case TAlignment::taRightJustify:
        return u"<p align=\"right\">"_s;
    case TAlignment::taCenter:
        return u"<p align=\"center\">"_s;
    default:
        return {};
    }
}

QString cellText(const PageColumn& c, const DataSet& data, qsizetype row) {
    return c.grid->displayText ? c.grid->displayText(row) : PlainText(data.value(row, c.field));
}
} // namespace

QStringList HtmlPageLines(const HtmlPageRequest& r, const ExportProgress& progress) {
    if (!r.grid.data) throw FormatError(u"Nincs megadva adathalmaz, nincs mit exportálni."_s);
    const DataSet& data = *r.grid.data;

    // Total fields: items 1 to 50; the totals row is written when the first item is given.
    QStringList totalNames;
    for (int i = 1; i <= 50; ++i) {
        const QString item = SeparatedPiece(u";", r.totalFields, i);
        if (!item.isEmpty()) totalNames << item;
    }
    const bool totalsRow = !SeparatedPiece(u";", r.totalFields, 1).isEmpty();
    QList<double> sums(totalNames.size(), 0.0);

    QList<PageColumn> columns;
    for (const ExportGridColumn& g : r.grid.columns) {
        if (g.fieldName.isEmpty()) continue;
        const int field = data.columnIndex(g.fieldName);
        if (field < 0)
            throw FormatError(u"A(z) „%1” mező nem szerepel az exportált adatok között."_s.arg(g.fieldName));
        const ColumnType type = data.column(field).type;
        int total = -1;
        for (int t = 0; t < totalNames.size(); ++t)
            if (totalNames[t].compare(g.fieldName, Qt::CaseInsensitive) == 0) total = t;
        columns << PageColumn{&g,
                              field,
                              type,
                              WidthPercent(g.width, r.grid.width),
                              alignTag(g.alignment ? *g.alignment : DefaultAlignment(type)),
                              total};
    }

    // The group text as the grid shows it: through a column of the group field when there is one.
    int groupField = -1;
    const PageColumn* groupColumn = nullptr;
    if (!r.groupField.isEmpty()) {
        groupField = data.columnIndex(r.groupField);
        if (groupField < 0)
            throw FormatError(u"A(z) „%1” mező nem szerepel az exportált adatok között."_s.arg(r.groupField));
        for (const PageColumn& c : columns)
            if (c.field == groupField && !groupColumn) groupColumn = &c;
    }

    const QString title = HtmlEscape(r.title);
    QStringList lines{
        u"<html>"_s,
        QString(),
        u"<head>"_s,
        u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">"_s,
        u"<title>"_s + title + u"</title>"_s,
        u"<meta name=\"GENERATOR\" content=\"Zolvan Bt. Grid2Html\">"_s,
        u"</head>"_s,
        QString(),
        u"<body>"_s,
        u"<p><strong><font face=\"Verdana\" size=\"2\">"_s + title + u"</font></strong></p>"_s,
        u"<p><strong><font face=\"Verdana\" size=\"1\">"_s + HtmlEscape(r.subtitle) +
            u"</font></strong></p>"_s,
        u"<div align=\"center\"><center>"_s,
        QString(),
        u"<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\" width=\"90%\">"_s,
        u"  <tr>"_s,
    };
    for (const PageColumn& c : columns)
        lines << u"    <td width=\"%1%\" bgcolor=\"#C0C0C0\"><font face=\"Verdana\" size=\"1\"><strong>"_s
                         .arg(c.percent) +
                     c.align + HtmlEscape(c.grid->title) + u"</strong></font></td>"_s;
    lines << u"  </tr>"_s;

    QString lastGroup;
    qsizetype counter = 0;
    const qsizetype total = data.rowCount();
    for (qsizetype row = 0; row < total; ++row) {
        ++counter;
        if (progress && counter % 10 == 0) progress(counter, total);
        if (groupField >= 0) {
            const QString group =
                groupColumn ? cellText(*groupColumn, data, row) : PlainText(data.value(row, groupField));
            if (group != lastGroup) {
                lastGroup = group;
                lines
                    << u"  <tr>"_s
                    << u"    <td width=\"95%\" colspan=\"11\" bgcolor=\"#EAEAEA\"><font face=\"Verdana\" size=\"1\"><strong>"_s +
                           HtmlEscape(group) + u"</strong></font></td>"_s
                    << u"  </tr>"_s;
            }
        }
        lines << u"  <tr>"_s;
        for (const PageColumn& c : columns) {
            lines << u"    <td width=\"%1%\"><font face=\"Verdana\" size=\"1\">"_s.arg(c.percent) + c.align +
                         HtmlEscape(cellText(c, data, row)) + u"</font></td>"_s;
            if (c.total >= 0) sums[c.total] += data.value(row, c.field).toDouble();
        }
        lines << u"  </tr>"_s;
    }

    if (totalsRow) {
        lines << u"  <tr>"_s;
        for (const PageColumn& c : columns) {
            QString text;
            if (c.total >= 0) {
                const double sum = sums[c.total];
                const bool formatted = (c.type == ColumnType::Integer || c.type == ColumnType::Double) &&
                                       !c.grid->displayFormat.isEmpty();
                text = formatted ? FormatNumeric(c.grid->displayFormat, sum) : GeneralNumberText(sum);
            }
            lines << u"    <td width=\"%1%\" bgcolor=\"#C0C0C0\"><font face=\"Verdana\" size=\"1\"><strong>"_s
                             .arg(c.percent) +
                         c.align + HtmlEscape(text) + u"</strong></font></td>"_s;
        }
        lines << u"  </tr>"_s;
    }

    const QDateTime now = r.now.isValid() ? r.now : QDateTime::currentDateTime();
    lines << u"</table>"_s << u"</center></div>"_s << QString()
          << u"<p><font face=\"Verdana\" size=\"1\">Összesen %1 sor.</font></p>"_s.arg(counter) << QString()
          << u"<p><font face=\"Verdana\" size=\"1\">"_s + now.toString(u"yyyy.MM.dd HH:mm:ss"_s) +
                 u"</font></p>"_s
          << QString()
          << u"<p><font face=\"Courier New\" size=\"1\">"_s +
                 HtmlEscape(r.applicationTitle.isEmpty() ? ApplicationTitle() : r.applicationTitle) +
                 u"</font></p>"_s
          << QString() << u"</body>"_s << u"</html>"_s;
    return lines;
}

QByteArray HtmlPageBytes(const QStringList& lines) {
    const Codec& cp = Codec::cp1250();
    QByteArray out;
    for (const QString& line : lines) {
        if (auto bytes = cp.encode(line)) {
            out += *bytes;
        } else {
            for (qsizetype i = 0; i < line.size(); ++i) {
                char32_t u = line[i].unicode();
                qsizetype n = 1;
                if (line[i].isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
                    u = QChar::surrogateToUcs4(line[i], line[i + 1]);
                    n = 2;
                }
                if (auto b = cp.encode(QStringView(line).mid(i, n)))
                    out += *b;
                else
                    out += "&#" + QByteArray::number(static_cast<uint>(u)) + ';';
                i += n - 1;
            }
        }
        out += "\r\n";
    }
    return out;
}

void WriteHtmlPage(const HtmlPageRequest& request, const QString& fileName, const ExportProgress& progress) {
    const QByteArray bytes = HtmlPageBytes(HtmlPageLines(request, progress));
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QDir().mkpath(folder)) throw FileError(u"A(z) %1 mappa nem hozható létre."_s.arg(folder));
    WriteFileAtomically(fileName, bytes);
}

QString ProposedHtmlFileName(const QString& folder, const QString& title) {
    QString dir = folder.isEmpty() ? ConfigDirectory() : folder;
    if (!dir.endsWith(u'/')) dir += u'/';
    return dir + SafeFileName(title) + u".htm"_s;
}
