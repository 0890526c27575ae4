#pragma once

#include "reports/layouts/ReportRuns.h"

#include <QString>

class QWidget;

enum class ReportOutput { Preview, Print };

// The printer of a run: the name given when it is an installed printer, otherwise the system's
// default printer (empty when there is none).
QString RunPrinterName(const QString& wanted);

// A prepared report shown in the preview window (which also saves the pages as a PDF file) or printed
// straight to the printer with a progress window that can cancel. Without any installed printer,
// printing says so instead of dropping the job.
void OutputReport(QWidget* parent, const PreparedReport& report, ReportOutput output,
                  const QString& printerName);
