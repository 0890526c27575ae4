#include "BiffFile.h"

#include "ExportCommon.h"

#include "core/Codec.h"
#include "core/Errors.h"

#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {
enum : quint16 {
    idDimensions = 0x0000, idBlank = 0x0001, idInteger = 0x0002, idNumber = 0x0003, idLabel = 0x0004,
    idBoolErr = 0x0005, idBof = 0x0009, idEof = 0x000A, idNote = 0x001C, idColWidth = 0x0024,
    idFont = 0x0031, idCodePage = 0x0042,
};
constexpr qsizetype FlushSize = 1 << 16;

void put8(QByteArray& d, quint8 v) { d.append(static_cast<char>(v)); }
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
}  // namespace

std::array<quint8, 3> AttributeBytes(TCellAttributes a) {
    quint8 b1 = 0, b2 = 0, b3 = 0;
    if (a.contains(caHidden)) b1 |= 0x80;
    if (a.contains(caLocked)) b1 |= 0x40;
    if (a.contains(caFont1)) b2 = 0x00;
    else if (a.contains(caFont2)) b2 = 0x40;
    else if (a.contains(caFont3)) b2 = 0x80;
    else if (a.contains(caFont4)) b2 = 0xC0;
    if (a.contains(caShaded)) b3 |= 0x80;
    if (a.contains(caBottomBorder)) b3 |= 0x40;
    if (a.contains(caTopBorder)) b3 |= 0x20;
    if (a.contains(caRightBorder)) b3 |= 0x10;
    if (a.contains(caLeftBorder)) b3 |= 0x08;
    if (a.contains(caLeft)) b3 |= 1;
    else if (a.contains(caCenter)) b3 |= 2;
    else if (a.contains(caRight)) b3 |= 3;
    if (a.contains(caFill)) b3 |= 4;
    return {b1, b2, b3};
}

QByteArray BiffText(const QString& text) { return EncodeOrThrow(Codec::cp1250(), text).left(255); }

TBiffFile::TBiffFile(QIODevice& stream) : m_stream(stream) {
    m_buffer.reserve(FlushSize + 1024);
    WriteBOF();
    WriteCodePage(1250);
}

TBiffFile::~TBiffFile() = default;

void TBiffFile::record(quint16 id, const QByteArray& data) {
    put16(m_buffer, id);
    put16(m_buffer, static_cast<quint16>(data.size()));
    m_buffer.append(data);
    if (m_buffer.size() >= FlushSize) flush();
}

void TBiffFile::flush() {
    if (m_buffer.isEmpty()) return;
    if (m_stream.write(m_buffer) != m_buffer.size())
        throw FileError(u"A munkalap írása nem sikerült: %1"_s.arg(m_stream.errorString()));
    m_buffer.clear();
}

void TBiffFile::cellHeader(QByteArray& d, quint16 row, quint16 column, TCellAttributes attributes) {
    put16(d, row);
    put16(d, column);
    for (quint8 b : AttributeBytes(attributes)) put8(d, b);
}

void TBiffFile::WriteBOF() {
    QByteArray d;
    put16(d, 0x0002);
    put16(d, 0x0010);
    record(idBof, d);
}

void TBiffFile::WriteCodePage(quint16 codePage) {
    QByteArray d;
    put16(d, codePage);
    record(idCodePage, d);
}

void TBiffFile::WriteFont(const TxlFont& font) {
    const QByteArray name = BiffText(font.name);
    QByteArray d;
    put16(d, static_cast<quint16>(font.size * 20));
    put16(d, static_cast<quint16>((font.bold ? 0x0001 : 0) | (font.italic ? 0x0002 : 0) |
                                  (font.underline ? 0x0004 : 0) | (font.strikeOut ? 0x0008 : 0)));
    put8(d, static_cast<quint8>(name.size()));
    d.append(name);
    record(idFont, d);
}

void TBiffFile::WriteDimensions() {
    QByteArray d;
    put16(d, 0);
    put16(d, 1025);
    put16(d, 0);
    put16(d, 4);
    record(idDimensions, d);
}

void TBiffFile::WriteColWidth(quint8 column, quint16 width) {
    QByteArray d;
    put8(d, column);
    put8(d, column);
    put16(d, width);
    record(idColWidth, d);
}

void TBiffFile::WriteNote(quint16 row, quint16 column, const QString& text) {
    const QByteArray bytes = BiffText(text);
    QByteArray d;
    put16(d, row);
    put16(d, column);
    put16(d, static_cast<quint16>(bytes.size()));
    d.append(bytes);
    record(idNote, d);
}

void TBiffFile::WriteBlank(quint16 row, quint16 column, TCellAttributes attributes) {
    QByteArray d;
    cellHeader(d, row, column, attributes);
    record(idBlank, d);
}

void TBiffFile::WriteInteger(quint16 row, quint16 column, TCellAttributes attributes, quint16 value) {
    QByteArray d;
    cellHeader(d, row, column, attributes);
    put16(d, value);
    record(idInteger, d);
}

void TBiffFile::WriteNumber(quint16 row, quint16 column, TCellAttributes attributes, double value) {
    QByteArray d;
    cellHeader(d, row, column, attributes);
    putDouble(d, value);
    record(idNumber, d);
}

void TBiffFile::WriteLabel(quint16 row, quint16 column, TCellAttributes attributes, const QString& text) {
    const QByteArray bytes = BiffText(text);
    QByteArray d;
    cellHeader(d, row, column, attributes);
    put8(d, static_cast<quint8>(bytes.size()));
    d.append(bytes);
    record(idLabel, d);
}

void TBiffFile::WriteBoolErr(quint16 row, quint16 column, TCellAttributes attributes, bool value) {
    QByteArray d;
    cellHeader(d, row, column, attributes);
    put8(d, value ? 1 : 0);
    put8(d, 0);
    record(idBoolErr, d);
}

void TBiffFile::WriteEOF() { record(idEof, {}); }

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
        if (ok && i >= 0 && i <= 0xFFFF) return WriteInteger(row, column, attributes, static_cast<quint16>(i));
        if (ok) return WriteNumber(row, column, attributes, static_cast<double>(i));
        [[fallthrough]];
    }
    case ctDouble: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (ok) return WriteNumber(row, column, attributes, d);
        return WriteLabel(row, column, attributes, PlainText(value));
    }
    case ctBoolean: return WriteBoolErr(row, column, attributes, booleanValue(value));
    default: return WriteLabel(row, column, attributes, PlainText(value));
    }
}

void TBiffFile::Close() {
    if (m_closed) return;
    WriteEOF();
    flush();
    m_closed = true;
}
