#pragma once

#include <QString>

// A number through a display mask: "0" a digit always shown, "#" a digit shown when significant,
// "." the decimal separator, "," (before it) thousands grouping, anything else copied as it stands.
// "### ### ##0" shows 1234567 as "1 234 567" and 12 as "  12". Separators are Hungarian.
QString FormatNumeric(QStringView mask, double value);
