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

// Appends the text, between qualifiers (a qualifier inside doubled) when one is chosen, and the separator.
void appendValue(QString& line, const QString& text, const DelimitedOptions& o) {
    if (o.qualifier.isNull()) {
        line += text;
    } else {
        line += o.qualifier;
        if (text.contains(o.qualifier)) {
            for (QChar c : text) {
                if (c == o.qualifier) line += c;
                line += c;
            }
        } else {
            line += text;
        }
        line += o.qualifier;
    }
    line += o.separator;
}

// By the field's type, so a NULL in a BLOB field is still the word BLOB.
QString fieldText(ColumnType type, const Value& v, const DelimitedOptions& o) {
    if (type == ColumnType::Memo && o.multiLineFields) {
        QString s = CleanExportText(v);
        s.replace(o.separator, u',');
        return s;
    }
    if (type == ColumnType::Memo || IsBinaryType(type)) return u"BLOB"_s;
    return CleanExportText(PlainText(v));
}

QByteArray encodeLine(const QString& line, qsizetype row, const DataSet& data,
                      const std::vector<Field>& fields, const DelimitedOptions& o) {
    QString bad;
    if (auto bytes = Codec::cp1250().encode(line, &bad)) return *bytes;
    // Name the place of the character, so the user can find and mend it.
    QString where;
    for (const Field& f : fields) {
        const QString text = row < 0 ? f.header : fieldText(f.type, data.value(row, f.index), o);
        if (!Codec::cp1250().canEncode(text)) {
            where = row < 0 ? u"A fejlécben (%1): "_s.arg(data.column(f.index).name)
                            : u"A(z) %1. sor „%2” mezőjében: "_s.arg(row + 1).arg(data.column(f.index).name);
            break;
        }
    }
    throw FormatError(where + EncodingError(bad, Codec::cp1250().name()).message());
}
} // namespace

QByteArray DelimitedText(const DataSet& data, const DelimitedOptions& o, const ExportProgress& progress,
                         DelimitedResult* result) {
    std::vector<Field> fields;
    for (int c = 0; c < data.columnCount(); ++c) {
        if (c < o.ticked.size() && !o.ticked[c]) continue;
        const Column& column = data.column(c);
        fields.push_back(
            {c, column.type,
             o.originalNames ? column.name : FieldLabel(column, FindFieldInfo(o.fields, column.name))});
    }
    static const QByteArray crlf("\r\n");
    QByteArray out;
    QString line;
    if (o.header) {
        for (const Field& f : fields)
            appendValue(line, f.header, o);
    }
    out += encodeLine(line, -1, data, fields, o) + crlf;
    const qsizetype headerSize = out.size();

    DelimitedResult r;
    const qsizetype total = data.rowCount();
    for (qsizetype row = 0; row < total; ++row) {
        if (progress && !progress(row, total)) {
            r.stopped = true;
            break;
        }
        line.clear();
        for (const Field& f : fields)
            appendValue(line, fieldText(f.type, data.value(row, f.index), o), o);
        line.chop(1);
        out += encodeLine(line, row, data, fields, o);
        out += crlf;
        if (row == 0)
            out.reserve(headerSize + (out.size() - headerSize) * total * 2); // untouched room costs no memory
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
