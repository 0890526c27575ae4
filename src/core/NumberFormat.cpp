#include "NumberFormat.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

static const QLocale& hungarian() {
    static const QLocale locale(QLocale::Hungarian, QLocale::Hungary);
    return locale;
}

static bool isDigitPlace(QChar c) {
    return c == u'0' || c == u'#';
}

QString FormatNumeric(QStringView mask, double value) {
    if (!std::isfinite(value)) return QString::number(value);
    const qsizetype point = mask.indexOf(u'.');
    QString intMask = (point < 0 ? mask : mask.left(point)).toString();
    const QStringView fracMask = point < 0 ? QStringView() : mask.mid(point + 1);

    int fracPlaces = 0, fracZeros = 0;
    for (QChar c : fracMask) {
        if (isDigitPlace(c)) ++fracPlaces;
        if (c == u'0') fracZeros = fracPlaces; // the last '0' fixes the shown digits
    }
    const bool grouping = intMask.contains(u',');
    intMask.remove(u',');

    // Round half away from zero on the decimal digits.
    const long double scale = std::pow(10.0L, fracPlaces);
    const long double scaled = std::round(std::fabs(static_cast<long double>(value)) * scale);
    QString digits = QString::number(static_cast<double>(scaled), 'f', 0);
    while (digits.size() <= fracPlaces)
        digits.prepend(u'0');
    QString intDigits = digits.left(digits.size() - fracPlaces);
    QString fracDigits = digits.right(fracPlaces);
    const bool negative = value < 0 && scaled != 0;

    // Minimum integer digits: from the first '0' of the integer mask to its end.
    int minIntDigits = 0;
    {
        int places = 0;
        bool zeroSeen = false;
        for (QChar c : intMask) {
            if (c == u'0') zeroSeen = true;
            if (isDigitPlace(c) && zeroSeen) ++places;
        }
        minIntDigits = places;
    }
    if (intDigits == u"0" && minIntDigits == 0) intDigits.clear();
    while (intDigits.size() < minIntDigits)
        intDigits.prepend(u'0');

    QString intPart;
    if (grouping) {
        // Literals before the first and after the last digit place stay where they stand.
        const qsizetype first =
            std::distance(intMask.begin(), std::find_if(intMask.begin(), intMask.end(), isDigitPlace));
        qsizetype last = intMask.size() - 1;
        while (last >= 0 && !isDigitPlace(intMask[last]))
            --last;
        QString grouped;
        for (qsizetype i = 0; i < intDigits.size(); ++i) {
            if (i > 0 && (intDigits.size() - i) % 3 == 0) grouped += hungarian().groupSeparator();
            grouped += intDigits[i];
        }
        intPart = intMask.left(first) + grouped + intMask.mid(last + 1);
    } else {
        // Digits fill the digit places from the right; surplus digits go before the leftmost place.
        qsizetype d = intDigits.size() - 1;
        qsizetype leftmost = -1;
        for (qsizetype i = 0; i < intMask.size(); ++i)
            if (isDigitPlace(intMask[i])) {
                leftmost = i;
                break;
            }
        QString out;
        for (qsizetype i = intMask.size() - 1; i >= 0; --i) {
            const QChar c = intMask[i];
            if (isDigitPlace(c)) {
                if (i == leftmost && d >= 0) {
                    out.prepend(intDigits.left(d + 1));
                    d = -1;
                } else if (d >= 0) {
                    out.prepend(intDigits[d--]);
                }
            } else {
                out.prepend(c);
            }
        }
        if (leftmost < 0) out.prepend(intDigits); // a mask without digit places
        intPart = out;
    }

    QString fracPart;
    if (fracPlaces > 0) {
        while (fracDigits.size() > fracZeros && fracDigits.endsWith(u'0'))
            fracDigits.chop(1);
        // Literals of the fraction mask are copied in order around the digits.
        qsizetype d = 0;
        for (QChar c : fracMask) {
            if (isDigitPlace(c)) {
                if (d < fracDigits.size()) fracPart += fracDigits[d];
                ++d;
            } else {
                fracPart += c;
            }
        }
        if (!fracDigits.isEmpty()) fracPart.prepend(hungarian().decimalPoint());
    }
    return (negative ? QStringLiteral("-") : QString()) + intPart + fracPart;
}
