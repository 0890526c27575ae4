#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "Errors.h"

#include <array>
#include <optional>

// An 8-bit code page. The tables are taken from iconv once, when a code page is first used, so every
// byte decodes exactly as the C library knows it.
class Codec {
public:
    static const Codec& latin2(); // ISO-8859-2, the database connection
    static const Codec& cp1250(); // windows-1250, the files the program writes

    QString decode(QByteArrayView bytes) const;
    // The bytes of the text, or nothing when a character has no byte in this code page; *bad then
    // holds the first such character.
    std::optional<QByteArray> encode(QStringView text, QString* bad = nullptr) const;
    bool canEncode(QStringView text) const { return encode(text).has_value(); }
    const char* name() const { return m_name; }

private:
    explicit Codec(const char* iconvName);
    const char* m_name;
    std::array<char16_t, 256> m_toUnicode{};
    std::array<unsigned char, 65536> m_fromUnicode{}; // 0 = not representable (except U+0000)
};

// Thrown when a text holds a character that the target code page cannot store.
class EncodingError : public FormatError {
public:
    EncodingError(const QString& character, const char* codePage);
    const QString& character() const { return m_character; }

private:
    QString m_character;
};

// Encodes or throws EncodingError with a message fit to show.
QByteArray EncodeOrThrow(const Codec& codec, QStringView text);
