#pragma once

#include <QDate>
#include <QString>

class QWidget;

// The small questions before a print or a date stamp. Each creates its dialog, shows it modally and
// hands back what was chosen; the dialogs keep their position under their own section.

// A period; true on OK, and only then are from and to changed.
bool AskPeriod(QDate& from, QDate& to, const QString& caption = {}, QWidget* parent = nullptr);
// 0 preview, 1 print, 2 export to CSV, -1 cancelled. An empty printer name becomes the first
// installed printer at once; on OK the printer box's text comes back.
int AskPrintChoice(QString& printerName, QWidget* parent = nullptr);
// options: the choices separated by "," or ";" (at most 20, empty ones left out). The index among
// the shown options, -1 when cancelled.
int AskChoice(int initialIndex, const QString& options, const QString& caption, QWidget* parent = nullptr);
// A date; true on OK, and only then is date changed.
bool AskDate(QDate& date, const QString& caption = {}, QWidget* parent = nullptr);
