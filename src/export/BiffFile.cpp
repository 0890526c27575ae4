#include "BiffFile.h"

#include "ExportCommon.h"

#include "core/Codec.h"
#include "core/Errors.h"

#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {
enum : quint16 {
    idDimensions = 0x0000,
    idBlank = 0x0001,
    idInteger = 0x0002,
    idNumber = 0x0003,
    idLabel = 0x0004,
    idBoolErr = 0x0005,
    idBof = 0x0009,
    idEof = 0x000A,
    idNote = 0x001C,
    idColWidth = 0x0024,
    idFont = 0x0031,
    idCodePage = 0x0042,
};
constexpr qsizetype FlushSize = 1 << 16;

void put8(QByteArray& d, quint8 v) {
    d.append(static_cast<char>(v));
}
void put16(QByteArray& d, quint16 v) {
    d.append(static_cast<char>(v & 0xFF));
    d.append(static_cast<char>(v >> 8));
}
void putDouble(QByteArray& d, double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    char le[8];
    qToLittleEndian(bits, le);
    d.append(le, 8);
}
} // namespace

std::array<quint8, 3> AttributeBytes(TCellAttributes a) {
    quint8 b1 = 0, b2 = 0, b3 = 0;
    if (a.contains(caHidden)) b1 |= 0x80;
    if (a.contains(caLocked)) b1 |= 0x40;
    if (a.contains(caFont1))
        b2 = 0x00;
    else if (a.contains(caFont2))
        b2 = 0x40;
    else if (a.contains(caFont3))
        b2 = 0x80;
    else if (a.contains(caFont4))
        b2 = 0xC0;
    if (a.contains(caShaded)) b3 |= 0x80;
    if (a.contains(caBottomBorder)) b3 |= 0x40;
    if (a.contains(caTopBorder)) b3 |= 0x20;
    if (a.contains(caRightBorder)) b3 |= 0x10;
    if (a.contains(caLeftBorder)) b3 |= 0x08;
    if (a.contains(caLeft))
        b3 |= 1;
    else if (a.contains(caCenter))
        b3 |= 2;
    else if (a.contains(caRight))
        b3 |= 3;
    if (a.contains(caFill)) b3 |= 4;
    return {b1, b2, b3};
}

QByteArray BiffText(const QString& text) {
    return EncodeOrThrow(Codec::cp1250(), text).left(255);
}

TBiffFile::TBiffFile(QIODevice& stream) : m_stream(stream) {
    m_buffer.reserve(FlushSize + 1024);
    WriteBOF();
    WriteCodePage(1250);
}

TBiffFile::~TBiffFile() = default;

// Records go straight into the buffer: identifier, length, then the data appended by the caller.
void TBiffFile::begin(quint16 id, qsizetype length) {
    if (m_buffer.size() >= FlushSize) flush();
    put16(m_buffer, id);
    put16(m_buffer, static_cast<quint16>(length));
}

void TBiffFile::flush() {
    if (m_buffer.isEmpty()) return;
    if (m_stream.write(m_buffer) != m_buffer.size())
        throw FileError(u"A munkalap írása nem sikerült: %1"_s.arg(m_stream.errorString()));
    m_buffer.clear();
}

void TBiffFile::cellHeader(quint16 id, qsizetype extra, quint16 row, quint16 column,
                           TCellAttributes attributes) {
    begin(id, 7 + extra);
    put16(m_buffer, row);
    put16(m_buffer, column);
    for (quint8 b : AttributeBytes(attributes))
        put8(m_buffer, b);
}

void TBiffFile::WriteBOF() {
    begin(idBof, 4);
    put16(m_buffer, 0x0002);
    put16(m_buffer, 0x0010);
}

void TBiffFile::WriteCodePage(quint16 codePage) {
    begin(idCodePage, 2);
    put16(m_buffer, codePage);
}

void TBiffFile::WriteFont(const TxlFont& font) {
    const QByteArray name = BiffText(font.name);
    begin(idFont, 5 + name.size());
    put16(m_buffer, static_cast<quint16>(font.size * 20));
    put16(m_buffer, static_cast<quint16>((font.bold ? 0x0001 : 0) | (font.italic ? 0x0002 : 0) |
                                         (font.underline ? 0x0004 : 0) | (font.strikeOut ? 0x0008 : 0)));
    put8(m_buffer, static_cast<quint8>(name.size()));
    m_buffer.append(name);
}

void TBiffFile::WriteDimensions() {
    begin(idDimensions, 8);
    put16(m_buffer, 0);
    put16(m_buffer, 1025);
    put16(m_buffer, 0);
    put16(m_buffer, 4);
}

void TBiffFile::WriteColWidth(quint8 column, quint16 width) {
    begin(idColWidth, 4);
    put8(m_buffer, column);
    put8(m_buffer, column);
    put16(m_buffer, width);
}

void TBiffFile::WriteNote(quint16 row, quint16 column, const QString& text) {
    const QByteArray bytes = BiffText(text);
    begin(idNote, 6 + bytes.size());
    put16(m_buffer, row);
    put16(m_buffer, column);
    put16(m_buffer, static_cast<quint16>(bytes.size()));
    m_buffer.append(bytes);
}

void TBiffFile::WriteBlank(quint16 row, quint16 column, TCellAttributes attributes) {
    cellHeader(idBlank, 0, row, column, attributes);
}

void TBiffFile::WriteInteger(quint16 row, quint16 column, TCellAttributes attributes, quint16 value) {
    cellHeader(idInteger, 2, row, column, attributes);
    put16(m_buffer, value);
}

void TBiffFile::WriteNumber(quint16 row, quint16 column, TCellAttributes attributes, double value) {
    cellHeader(idNumber, 8, row, column, attributes);
    putDouble(m_buffer, value);
}

void TBiffFile::WriteLabel(quint16 row, quint16 column, TCellAttributes attributes, const QString& text) {
    const QByteArray bytes = BiffText(text);
    cellHeader(idLabel, 1 + bytes.size(), row, column, attributes);
    put8(m_buffer, static_cast<quint8>(bytes.size()));
    m_buffer.append(bytes);
}

void TBiffFile::WriteBoolErr(quint16 row, quint16 column, TCellAttributes attributes, bool value) {
    cellHeader(idBoolErr, 2, row, column, attributes);
    put8(m_buffer, value ? 1 : 0);
    put8(m_buffer, 0);
}

void TBiffFile::WriteEOF() {
    begin(idEof, 0);
}

static bool booleanValue(const Value& v) {
    const QByteArray& b = v.bytes();
    if (b.compare("false", Qt::CaseInsensitive) == 0) return false;
    for (char c : b)
        if (c != 0 && c != '0') return true;
    return false;
}

void TBiffFile::WriteCell(quint16 row, quint16 column, TCellAttributes attributes, TCellType cellType,
                          const Value& value) {
    if (value.isNull() || cellType == ctBlank) return WriteBlank(row, column, attributes);
    if (IsBinaryType(value.type())) return WriteLabel(row, column, attributes, u"BLOB"_s);
    switch (cellType) {
    case ctInteger: {
        bool ok = false;
        const qint64 i = value.toInt64(&ok);
        if (ok && i >= 0 && i <= 0xFFFF)
            return WriteInteger(row, column, attributes, static_cast<quint16>(i));
        if (ok) return WriteNumber(row, column, attributes, static_cast<double>(i));
        [[fallthrough]];
    }
    case ctDouble: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (ok) return WriteNumber(row, column, attributes, d);
        return WriteLabel(row, column, attributes, PlainText(value));
    }
    case ctBoolean:
        return WriteBoolErr(row, column, attributes, booleanValue(value));
    default:
        return WriteLabel(row, column, attributes, PlainText(value));
    }
}

void TBiffFile::Close() {
    if (m_closed) return;
    WriteEOF();
    flush();
    m_closed = true;
}
