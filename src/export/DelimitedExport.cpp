#include "DelimitedExport.h"

#include "core/Codec.h"
#include "core/Errors.h"
#include "core/SqlText.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace {
struct Field {
    int index;
    ColumnType type;
    QString header;
};

QString qualified(const QString& text, QChar qualifier) {
    if (qualifier.isNull()) return text;
    QString doubled = text;
    doubled.replace(qualifier, QString(2, qualifier));
    return qualifier + doubled + qualifier;
}

QString fieldText(const Value& v, const DelimitedOptions& o) {
    if (v.type() == ColumnType::Memo && o.multiLineFields) {
        QString s = CleanExportText(v.text());
        s.replace(o.separator, u',');
        return s;
    }
    if (v.type() == ColumnType::Memo || IsBinaryType(v.type())) return u"BLOB"_s;
    return CleanExportText(PlainText(v));
}

QByteArray encodeLine(const QString& line, qsizetype row, const DataSet& data, const std::vector<Field>& fields,
                      const DelimitedOptions& o) {
    QString bad;
    if (auto bytes = Codec::cp1250().encode(line, &bad)) return *bytes;
    // Name the place of the character, so the user can find and mend it.
    QString where;
    for (const Field& f : fields) {
        const QString text = row < 0 ? f.header : fieldText(data.value(row, f.index), o);
        if (!Codec::cp1250().canEncode(text)) {
            where = row < 0 ? u"A fejlécben (%1): "_s.arg(data.column(f.index).name)
                            : u"A(z) %1. sor „%2” mezőjében: "_s.arg(row + 1).arg(data.column(f.index).name);
            break;
        }
    }
    throw FormatError(where + EncodingError(bad, Codec::cp1250().name()).message());
}
}  // namespace

QByteArray DelimitedText(const DataSet& data, const DelimitedOptions& o, const ExportProgress& progress,
                         DelimitedResult* result) {
    std::vector<Field> fields;
    for (int c = 0; c < data.columnCount(); ++c) {
        if (c < o.ticked.size() && !o.ticked[c]) continue;
        const Column& column = data.column(c);
        fields.push_back({c, column.type, o.originalNames ? column.name : FieldLabel(column, FindFieldInfo(o.fields, column.name))});
    }
    static const QByteArray crlf("\r\n");
    QByteArray out;
    QString line;
    if (o.header) {
        for (const Field& f : fields) line += qualified(f.header, o.qualifier) + o.separator;
    }
    out += encodeLine(line, -1, data, fields, o) + crlf;

    DelimitedResult r;
    const qsizetype total = data.rowCount();
    for (qsizetype row = 0; row < total; ++row) {
        if (progress && !progress(row, total)) {
            r.stopped = true;
            break;
        }
        line.clear();
        for (const Field& f : fields) line += qualified(fieldText(data.value(row, f.index), o), o.qualifier) + o.separator;
        line.chop(1);
        out += encodeLine(line, row, data, fields, o);
        out += crlf;
        ++r.rows;
    }
    if (result) *result = r;
    return out;
}

DelimitedResult ExportDelimited(const DataSet& data, const QString& fileName, const DelimitedOptions& options,
                                const ExportProgress& progress) {
    DelimitedResult r;
    const QByteArray bytes = DelimitedText(data, options, progress, &r);
    WriteFileAtomically(fileName, bytes);
    return r;
}
