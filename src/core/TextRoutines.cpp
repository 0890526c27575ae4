#include "TextRoutines.h"

#include "Codec.h"
#include "Errors.h"

#include <cmath>

QString VarToText(const Value& v, const QString& defaultText) {
    return v.isNull() ? defaultText : v.text();
}

static QString notNumberMessage(const Value& v) {
    return QStringLiteral("A(z) „%1” érték nem szám.").arg(v.text());
}

int VarToInt(const Value& v, int defaultValue) {
    if (v.isNull()) return defaultValue;
    bool ok = false;
    const int i = v.toInt(&ok);
    if (ok) return i;
    const double d = v.toDouble(&ok);
    if (ok && std::abs(d) < 2147483648.0) return static_cast<int>(std::lround(d));
    throw FormatError(notNumberMessage(v));
}

double VarToFloat(const Value& v, double defaultValue) {
    if (v.isNull()) return defaultValue;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok) throw FormatError(notNumberMessage(v));
    return d;
}

QString IdText(qint64 key) {
    return QString::number(key);
}

QString IdText(const Value& v) {
    if (v.isNull()) return QStringLiteral("0");
    bool ok = false;
    const qint64 i = v.toInt64(&ok);
    if (ok) return QString::number(i);
    const double d = v.toDouble(&ok);
    if (ok) return QString::number(static_cast<qint64>(std::llround(d)));
    throw FormatError(notNumberMessage(v));
}

QString ReplaceChar(const Value& v, QChar a, QChar b) {
    if (v.isNull()) return {};
    QString s = v.text();
    s.replace(a, b);
    return s;
}

QString CleanNumberText(const QString& text) {
    const QString t = text.trimmed();
    QString out;
    bool separatorSeen = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9')
            out += c;
        else if (c == u'-' && i == 0)
            out += c;
        else if ((c == u',' || c == u'.') && !separatorSeen) {
            out += c;
            separatorSeen = true;
        }
    }
    return out;
}

int TextToInt(const QString& text) {
    const QString cleaned = CleanNumberText(text.trimmed());
    bool ok = false;
    const int v = cleaned.toInt(&ok, 10);
    return ok ? v : 0;
}

std::optional<double> TextToFloat(const QString& text) {
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d)) return std::nullopt;
    return d;
}

int CountChar(QChar c, QStringView text) {
    return static_cast<int>(text.count(c));
}

QString RemoveChars(QStringView set, const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!set.contains(c)) out += c;
    return out;
}

QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText) {
    if (oldText.isEmpty()) return text;
    QString s = text;
    s.replace(oldText, newText, Qt::CaseInsensitive);
    return s;
}

QString SeparatedPiece(QStringView separators, QStringView text, int n) {
    QString out;
    int counter = 1;
    for (QChar c : text) {
        if (separators.contains(c))
            ++counter;
        else if (counter == n)
            out += c;
        else if (counter > n)
            break;
    }
    return out;
}

QChar CapitalizeFirstKey(const QString& currentText, QChar typed) {
    if (currentText.isEmpty() && typed >= u'a' && typed <= u'z') return QChar(typed.unicode() - 32);
    return typed;
}

QString SafeFileName(const QString& text) {
    static const QString replacedByHyphen = QStringLiteral(" !\"#%&'*+/:?@\\");
    QString out;
    out.reserve(text.size());
    const Codec& cp = Codec::cp1250();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (replacedByHyphen.contains(c)) {
            out += u'-';
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size()) ++i; // a character beyond windows-1250
        const auto byte = cp.encode(QStringView(&c, 1));
        const unsigned char b = byte ? static_cast<unsigned char>(byte->at(0)) : 0xFF;
        out += (b >= 0x81) ? QChar(u'_') : c.toLower();
    }
    return out;
}

QString CrLfLineBreaks(QStringView text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}
