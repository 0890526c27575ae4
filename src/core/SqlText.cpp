#include "SqlText.h"

#include "Codec.h"
#include "TextRoutines.h"

QString EscapeSqlText(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString EscapeSqlText(const Value& v) {
    return v.isNull() ? QString() : EscapeSqlText(v.text());
}

QString SqlQuote(const QString& text) {
    QString escaped = EscapeSqlText(text);
    escaped.replace(u'\'', QStringLiteral("''"));
    return u'\'' + escaped + u'\'';
}

QString SqlQuote(const Value& v) {
    return v.isNull() ? QStringLiteral("''") : SqlQuote(v.text());
}

QString CleanExportText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\r')
            out += QStringLiteral("\\n");
        else if (c != u'\n')
            out += c;
    }
    return out;
}

QString CleanExportText(const Value& v) {
    return v.isNull() ? QString() : CleanExportText(v.text());
}

QString LikeFilter(const QString& columns, const QString& text) {
    if (text.isEmpty()) return {};
    // A character that no latin2 column can hold matches no row; the statement must still run.
    if (!Codec::latin2().canEncode(text)) return QStringLiteral(" AND (1 = 0)");
    const QString pattern = SqlQuote(u'%' + text + u'%');
    QStringList conditions;
    for (int i = 1; i <= 15; ++i) {
        const QString column = SeparatedPiece(u";", columns, i);
        if (column.isEmpty()) break;
        conditions << u'(' + column + QStringLiteral(" LIKE ") + pattern + u')';
    }
    if (conditions.isEmpty()) return {};
    return QStringLiteral(" AND (") + conditions.join(QStringLiteral(" OR ")) + u')';
}

static void replaceLineStarting(QStringList& lines, QStringView keyword, const QString& replacement) {
    for (QString& line : lines) {
        if (line.startsWith(keyword, Qt::CaseInsensitive)) {
            line = replacement;
            return;
        }
    }
}

void ReplaceWhere(QStringList& lines, const QString& condition) {
    replaceLineStarting(lines, u"WHERE", QStringLiteral("WHERE ") + condition);
}

void ReplaceOrderBy(QStringList& lines, const QString& column) {
    replaceLineStarting(lines, u"ORDER", QStringLiteral("ORDER BY ") + column + u';');
}
