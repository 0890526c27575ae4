#pragma once

#include "core/Value.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <array>
#include <initializer_list>

// What kind of record a cell becomes.
enum TCellType { ctBlank, ctInteger, ctDouble, ctLabel, ctBoolean };

enum TCellAttribute {
    caHidden,
    caLocked,
    caShaded,
    caBottomBorder,
    caTopBorder,
    caRightBorder,
    caLeftBorder,
    caFont1,
    caFont2,
    caFont3,
    caFont4,
    caLeft,
    caCenter,
    caRight,
    caFill
};

// A set of cell attributes.
class TCellAttributes {
public:
    TCellAttributes() = default;
    TCellAttributes(std::initializer_list<TCellAttribute> list) {
        for (TCellAttribute a : list)
            m_bits |= bit(a);
    }
    bool contains(TCellAttribute a) const { return m_bits & bit(a); }
    TCellAttributes& operator<<(TCellAttribute a) {
        m_bits |= bit(a);
        return *this;
    }

private:
    static quint16 bit(TCellAttribute a) { return static_cast<quint16>(1u << a); }
    quint16 m_bits = 0;
};

// The three attribute bytes of a cell record.
std::array<quint8, 3> AttributeBytes(TCellAttributes attributes);

// A font of a worksheet band.
struct TxlFont {
    QString name = QStringLiteral("Arial");
    int size = 10; // points
    bool bold = false, italic = false, underline = false, strikeOut = false;
};

// Writes the records of a BIFF2 worksheet (the Excel 2.x format) to a stream it does not own.
// Creating it writes BOF and CODEPAGE 1250 (texts are windows-1250, whatever system reads them);
// Close writes EOF. Records are gathered and handed to the stream in large pieces; a stream that
// refuses a write throws FileError. A text that windows-1250 cannot hold throws EncodingError.
class TBiffFile {
public:
    explicit TBiffFile(QIODevice& stream);
    ~TBiffFile(); // writes nothing: a worksheet without Close stays without EOF
    TBiffFile(const TBiffFile&) = delete;
    TBiffFile& operator=(const TBiffFile&) = delete;

    void WriteBOF();
    void WriteCodePage(quint16 codePage);
    void WriteFont(const TxlFont& font);
    void WriteDimensions();
    void WriteColWidth(quint8 column, quint16 width);
    void WriteNote(quint16 row, quint16 column, const QString& text);
    void WriteBlank(quint16 row, quint16 column, TCellAttributes attributes);
    void WriteInteger(quint16 row, quint16 column, TCellAttributes attributes, quint16 value);
    void WriteNumber(quint16 row, quint16 column, TCellAttributes attributes, double value);
    void WriteLabel(quint16 row, quint16 column, TCellAttributes attributes, const QString& text);
    void WriteBoolErr(quint16 row, quint16 column, TCellAttributes attributes, bool value);
    void WriteEOF();
    // One cell of the given type: NULL is BLANK whatever the type; a whole number outside 0 to 65535
    // becomes a NUMBER; a value the type cannot read is written as its text.
    void WriteCell(quint16 row, quint16 column, TCellAttributes attributes, TCellType cellType,
                   const Value& value);

    void Close(); // EOF, and everything handed to the stream

private:
    void begin(quint16 id, qsizetype length);
    void cellHeader(quint16 id, qsizetype extra, quint16 row, quint16 column, TCellAttributes attributes);
    void flush();
    QIODevice& m_stream;
    QByteArray m_buffer;
    bool m_closed = false;
};

// Text of a cell or a note: windows-1250 bytes, at most 255 of them.
QByteArray BiffText(const QString& text);
