#include "ExportCommon.h"

#include "core/Config.h"
#include "core/Errors.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

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

static QString rawText(const Value& v) {
    return QString::fromLatin1(v.bytes());
}

static QString timeText(QTime t) {
    return t.toString(u"H:mm:ss"_s);
}

// "yyyy-mm-dd" at the start of the bytes, read by hand: the general date parser is slow for a whole list.
static QDate leadingDate(const QByteArray& b) {
    if (b.size() < 10 || b[4] != '-' || b[7] != '-') return {};
    auto digits = [&](int from, int n) {
        int v = 0;
        for (int i = from; i < from + n; ++i) {
            if (b[i] < '0' || b[i] > '9') return -1;
            v = v * 10 + (b[i] - '0');
        }
        return v;
    };
    return QDate(digits(0, 4), digits(5, 2), digits(8, 2)); // invalid for a zero or broken date
}

static QString dateText(QDate d) {
    // "yyyy. MM. dd." without the general formatter
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d. %02d. %02d.", d.year(), d.month(), d.day());
    return QString::fromLatin1(buf);
}

QString PlainText(const Value& v) {
    if (v.isNull()) return {};
    switch (v.type()) {
    case ColumnType::Integer:
    case ColumnType::BigInt:
        return rawText(v);
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
        const QDate d = leadingDate(v.bytes());
        return d.isValid() ? dateText(d) : rawText(v);
    }
    case ColumnType::Time: {
        const QTime t = v.toTime();
        return t.isValid() && v.bytes().size() <= 8 ? timeText(t) : rawText(v);
    }
    case ColumnType::DateTime: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) return rawText(v);
        QString s = dateText(dt.date());
        if (dt.time() != QTime(0, 0)) s += u' ' + timeText(dt.time());
        return s;
    }
    default:
        return v.text();
    }
}

bool IsBinaryType(ColumnType type) {
    return type == ColumnType::Blob || type == ColumnType::Binary;
}

ExportKind ExportKindOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toUpper();
    if (suffix == u"XLS"_s) return ExportKind::Worksheet;
    if (suffix == u"XML"_s) return ExportKind::NotSupported;
    return ExportKind::Delimited;
}

QString NotSupportedMessage() {
    return u"Ebben a verzióban ez nem támogatott."_s;
}

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
