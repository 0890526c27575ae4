#pragma once

#include "ExportCommon.h"

// The choices of the delimited export.
struct DelimitedOptions {
    QChar separator = u';';
    QChar qualifier;               // '"' or '\''; a null QChar for none ("Semmi")
    bool header = true;            // false: "Fejléc nem kell (az első sorban)"
    bool originalNames = false;    // "Eredeti mezőneveket használja": the header shows the field names
    bool multiLineFields = true;   // "Többsoros mezőket is kiírja": memo texts instead of the word BLOB
    QList<bool> ticked;            // per field of the data set; a field beyond the list is ticked
    QList<ExportFieldInfo> fields; // the display labels of the calling screen
};

struct DelimitedResult {
    qsizetype rows = 0;   // data lines written
    bool stopped = false; // the progress callback asked to stop; the rows before it are written
};

// The file's bytes: the header line (empty when switched off), then one line per row, every line
// followed by CR LF; windows-1250 bytes. progress runs before each row; when it returns false the
// loop ends and the lines so far make the file. A character windows-1250 lacks throws
// (FormatError; its message names the row and the field).
QByteArray DelimitedText(const DataSet& data, const DelimitedOptions& options,
                         const ExportProgress& progress = {}, DelimitedResult* result = nullptr);

// DelimitedText written to the file in one piece, replacing it; on any failure no new file is left.
DelimitedResult ExportDelimited(const DataSet& data, const QString& fileName, const DelimitedOptions& options,
                                const ExportProgress& progress = {});
