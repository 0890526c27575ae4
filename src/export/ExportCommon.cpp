#include "ExportCommon.h"

#include "core/Config.h"
#include "core/Errors.h"

#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

TAlignment DefaultAlignment(ColumnType type) {
    return IsNumericType(type) ? TAlignment::taRightJustify : TAlignment::taLeftJustify;
}

const ExportFieldInfo* FindFieldInfo(const QList<ExportFieldInfo>& infos, QStringView name) {
    for (const ExportFieldInfo& info : infos)
        if (info.name.compare(name, Qt::CaseInsensitive) == 0) return &info;
    return nullptr;
}

QString FieldLabel(const Column& column, const ExportFieldInfo* info) {
    return info && !info->displayLabel.isEmpty() ? info->displayLabel : column.name;
}

TAlignment FieldAlignment(const Column& column, const ExportFieldInfo* info) {
    return info && info->alignment ? *info->alignment : DefaultAlignment(column.type);
}

QString GeneralNumberText(double v) {
    QString s = QString::number(v, 'g', 15);
    s.replace(u'.', u',');
    return s;
}

static QString rawText(const Value& v) { return QString::fromLatin1(v.bytes()); }

static QString timeText(QTime t) { return t.toString(u"H:mm:ss"_s); }

QString PlainText(const Value& v) {
    if (v.isNull()) return {};
    switch (v.type()) {
    case ColumnType::Integer:
    case ColumnType::BigInt: return rawText(v);
    case ColumnType::Double: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? GeneralNumberText(d) : rawText(v);
    }
    case ColumnType::Decimal: {
        // The server's digits as they stand: exact, with the decimal comma.
        QString s = rawText(v);
        s.replace(u'.', u',');
        return s;
    }
    case ColumnType::Date: {
        const QDate d = v.toDate();
        return d.isValid() ? d.toString(u"yyyy. MM. dd."_s) : rawText(v);
    }
    case ColumnType::Time: {
        const QTime t = v.toTime();
        return t.isValid() && v.bytes().size() <= 8 ? timeText(t) : rawText(v);
    }
    case ColumnType::DateTime: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) return rawText(v);
        QString s = dt.date().toString(u"yyyy. MM. dd."_s);
        if (dt.time() != QTime(0, 0)) s += u' ' + timeText(dt.time());
        return s;
    }
    default: return v.text();
    }
}

bool IsBinaryType(ColumnType type) { return type == ColumnType::Blob || type == ColumnType::Binary; }

ExportKind ExportKindOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toUpper();
    if (suffix == u"XLS"_s) return ExportKind::Worksheet;
    if (suffix == u"XML"_s) return ExportKind::NotSupported;
    return ExportKind::Delimited;
}

QString NotSupportedMessage() { return u"Ebben a verzióban ez nem támogatott."_s; }

QString DefaultExportFileName(const QString& proposed) {
    return proposed.isEmpty() ? SpecialFolder(5) + u"/File001.xls"_s : proposed;
}

QString CannotCreateMessage(const QString& fileName, const QString& reason) {
    return u"A(z) %1 fájl nem hozható létre: %2"_s.arg(fileName, reason);
}

void WriteFileAtomically(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) throw FileError(CannotCreateMessage(fileName, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw FileError(u"A(z) %1 fájl írása nem sikerült: %2"_s.arg(fileName, file.errorString()));
}
