#include "Codec.h"

#include <iconv.h>

#include <stdexcept>

Codec::Codec(const char* iconvName) : m_name(iconvName) {
    iconv_t cd = iconv_open("UTF-16LE", iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert from ") + iconvName);
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[4] = {};
        char* inPtr = &in;
        char* outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char16_t u = 0xFFFD;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == 2)
            u = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                      (static_cast<unsigned char>(out[1]) << 8));
        m_toUnicode[b] = u;
        if (u != 0xFFFD && m_fromUnicode[u] == 0) m_fromUnicode[u] = static_cast<unsigned char>(b);
    }
    iconv_close(cd);
}

const Codec& Codec::latin2() {
    static const Codec codec("ISO-8859-2");
    return codec;
}

const Codec& Codec::cp1250() {
    static const Codec codec("WINDOWS-1250");
    return codec;
}

QString Codec::decode(QByteArrayView bytes) const {
    QString s(bytes.size(), Qt::Uninitialized);
    QChar* d = s.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0, n = bytes.size(); i < n; ++i)
        d[i] = QChar(m_toUnicode[p[i]]);
    return s;
}

std::optional<QByteArray> Codec::encode(QStringView text, QString* bad) const {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t u = text[i].unicode();
        const unsigned char b = m_fromUnicode[u];
        if (b == 0 && u != 0) {
            if (bad) {
                // A character outside the BMP is a surrogate pair: name the whole character.
                if (QChar::isHighSurrogate(u) && i + 1 < n)
                    *bad = text.mid(i, 2).toString();
                else
                    *bad = QString(QChar(u));
            }
            return std::nullopt;
        }
        d[i] = static_cast<char>(b);
    }
    return out;
}

static QString describeCodePage(const char* codePage) {
    return QString::fromLatin1(codePage).startsWith(u"ISO", Qt::CaseInsensitive)
               ? QStringLiteral("az adatbázis (latin2)")
               : QStringLiteral("a fájl (windows-1250)");
}

static QString encodingMessage(const QString& character, const char* codePage) {
    const char32_t code = character.size() == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                          : character.isEmpty() ? 0
                                                : character[0].unicode();
    return QStringLiteral("A(z) „%1” karakter (U+%2) nem tárolható, mert %3 kódlapján nem "
                          "szerepel. Kérem, cserélje le vagy törölje.")
        .arg(character)
        .arg(QString::number(static_cast<uint>(code), 16).toUpper().rightJustified(4, u'0'))
        .arg(describeCodePage(codePage));
}

EncodingError::EncodingError(const QString& character, const char* codePage)
    : FormatError(encodingMessage(character, codePage)), m_character(character) {}

QByteArray EncodeOrThrow(const Codec& codec, QStringView text) {
    QString bad;
    if (auto bytes = codec.encode(text, &bad)) return *bytes;
    throw EncodingError(bad, codec.name());
}
