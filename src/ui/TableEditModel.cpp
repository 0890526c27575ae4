#include "TableEditModel.h"

#include "Messages.h"
#include "core/Codec.h"
#include "core/Errors.h"
#include "core/TextRoutines.h"
#include "db/RowEditor.h"

#include <QLocale>

using namespace Qt::StringLiterals;

TableEditModel::TableEditModel(Connection& db, QString table, QObject* parent)
    : ResultSetModel(parent), m_db(db), m_table(std::move(table)) {
    setHighlightedColumn(-1);
}

Qt::ItemFlags TableEditModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = ResultSetModel::flags(index);
    const int field = fieldIndex(index.column());
    if (field >= 0 && !result().column(field).isBlob() && result().column(field).type != ColumnType::Binary)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant TableEditModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::EditRole)
        return value(index.row(), result().column(fieldIndex(index.column())).name).text();
    return ResultSetModel::data(index, role);
}

Value TableEditModel::valueFromText(const Column& column, const QString& text) const {
    const QString t = text.trimmed();
    if (column.type == ColumnType::Text || column.type == ColumnType::Memo)
        return Value(EncodeOrThrow(Codec::latin2(), text), column.type);
    if (t.isEmpty()) return {};
    if (IsNumericType(column.type)) {
        if (!TextToFloat(t)) throw FormatError(u"A(z) „%1” nem szám."_s.arg(t));
        return Value(QString(t).replace(u',', u'.').toLatin1(), column.type);
    }
    if (column.type == ColumnType::Date) {
        QDate d = QDate::fromString(t, Qt::ISODate);
        if (!d.isValid()) d = QLocale().toDate(t, QLocale::ShortFormat);
        if (!d.isValid()) throw FormatError(u"A(z) „%1” nem dátum (éééé-hh-nn)."_s.arg(t));
        return Value::fromDate(d);
    }
    return Value(EncodeOrThrow(Codec::latin2(), t), column.type);
}

bool TableEditModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) return false;
    const int field = fieldIndex(index.column());
    const ResultSet& rs = result();
    return RunGuarded([&] {
        UpdateShownRow(m_db, m_table, rs, index.row(), field,
                       valueFromText(rs.column(field), value.toString()));
        emit edited();
    });
}
