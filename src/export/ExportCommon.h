#pragma once

// The export engines know nothing of widgets. A dialog sets the options, calls one engine and shows
// the progress it reports:
//   delimited text  ExportDelimited(data, file, DelimitedOptions, progress)   (DelimitedExport.h)
//   worksheet       TDataToXLS: SetDataSet, SetFieldInfos, OnBeginExport (untick columns),
//                   AfterWriteRecord (progress), SaveToFile                      (DataToXLS.h)
//   HTML page       WriteHtmlPage(HtmlPageRequest, file, progress)              (HtmlExport.h)
//   mail            SendMailMessage(subject, body, attachment, ...)             (MailMessage.h)
// Every engine throws a SonoriaError with a message fit to show; none leaves a half-written file.

#include "core/Value.h"
#include "db/DataSet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// How a value stands in its cell.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// Right for numbers, left for everything else: what a field shows unless its screen says otherwise.
TAlignment DefaultAlignment(ColumnType type);

// How the calling screen shows one field of the data set. The screens fill these from their grids;
// a field without one is shown under its own name, visible, with the default alignment.
struct ExportFieldInfo {
    QString name;         // the field's name in the data set
    QString displayLabel; // the caption the screen gives the field; empty: the name
    bool visible = true;
    std::optional<TAlignment> alignment;
};
// The entry for a field name (compared without regard to case), or nullptr.
const ExportFieldInfo* FindFieldInfo(const QList<ExportFieldInfo>& infos, QStringView name);
QString FieldLabel(const Column& column, const ExportFieldInfo* info);
TAlignment FieldAlignment(const Column& column, const ExportFieldInfo* info);

// Called by the long loops with the rows done so far and the number of rows; the caller lets its
// pending events run here. Returning false asks the loop to stop (where the loop can be stopped).
using ExportProgress = std::function<bool(qsizetype done, qsizetype total)>;

// A value in its plain edit form, the way the Hungarian locale writes it: numbers without grouping
// and with a decimal comma, dates as "yyyy. MM. dd.", times as "H:mm:ss", a date-time as both (the
// time left out at midnight). NULL gives an empty text.
QString PlainText(const Value& v);
// A number in general format with a decimal comma (at most 15 significant digits).
QString GeneralNumberText(double v);

// Binary data (BLOB, BINARY, VARBINARY): no text to write.
bool IsBinaryType(ColumnType type);

// Where an export goes, by the file name's extension (any letter case).
enum class ExportKind { Delimited, Worksheet, NotSupported };
ExportKind ExportKindOf(const QString& fileName); // .xls worksheet, .xml not supported, else delimited
QString NotSupportedMessage();                    // "Ebben a verzióban ez nem támogatott."
// The proposed name as given, or File001.xls in the documents folder when none is given.
QString DefaultExportFileName(const QString& proposed);

// Replaces the file with the bytes as a whole: written beside it under a temporary name and renamed
// at the end, so a failure leaves the old file (or none) and never a part of the new one.
void WriteFileAtomically(const QString& fileName, const QByteArray& bytes);
QString CannotCreateMessage(const QString& fileName, const QString& reason);
