#pragma once

#include "Value.h"

#include <QString>

#include <optional>

// Conversions of nullable field values.
QString VarToText(const Value& v, const QString& defaultText = {});
int VarToInt(const Value& v, int defaultValue);         // throws FormatError on a non-numeric text
double VarToFloat(const Value& v, double defaultValue); // throws FormatError on a non-numeric text
QString IdText(const Value& v);                         // "0" for NULL
QString IdText(qint64 key);
QString ReplaceChar(const Value& v, QChar a, QChar b);

template <typename T> T IfValue(bool condition, T x, T y) {
    return condition ? x : y;
}

int TextToInt(const QString& text);
// A number as the user types it: "12,5" and "12.5" both read, surrounding spaces ignored. Empty for
// anything else, also for "inf", "nan" and a number no double can hold ("1e999"): the database
// cannot store them.
std::optional<double> TextToFloat(const QString& text);
QString CleanNumberText(const QString& text);
int CountChar(QChar c, QStringView text);
QString RemoveChars(QStringView set, const QString& text);
QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText);
// Piece n (from 1) of a text cut at any of the separator characters.
QString SeparatedPiece(QStringView separators, QStringView text, int n);

// The character to put into an edit box for a typed one: a to z become capitals while the box is empty.
QChar CapitalizeFirstKey(const QString& currentText, QChar typed);

// The text made safe as a file name (windows-1250 bytes 0x81 to 0xFF become "_").
QString SafeFileName(const QString& text);

// The text with every line break (CR LF, a lone CR or LF, the line and paragraph separators) written
// as CR LF, the way the database holds multi-line texts.
QString CrLfLineBreaks(QStringView text);
