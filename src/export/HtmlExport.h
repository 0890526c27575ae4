#pragma once

#include "GridDescription.h"

#include <QDateTime>
#include <QStringList>

// What the HTML page shows: a grid, the page's texts, the total fields ("a;b", items 1 to 50) and the
// group field.
struct HtmlPageRequest {
    GridDescription grid;
    QString title;
    QString subtitle;
    QString totalFields;
    QString groupField;
    QDateTime now;            // the time on the page; invalid: the current local time
    QString applicationTitle; // empty: the program's title
};

// &, <, > and " as entities: data and captions show as typed and cannot become markup.
QString HtmlEscape(QStringView text);

// The width of a column as a whole percentage of the grid's, halves to the even neighbour.
int WidthPercent(int columnWidth, int gridWidth);

// The page, line by line. progress runs every tenth row (its result is not looked at: the page is
// written whole or not at all). Throws FormatError for a column or group field the data set lacks.
QStringList HtmlPageLines(const HtmlPageRequest& request, const ExportProgress& progress = {});

// The page's bytes: windows-1250, every line followed by CR LF; a character the code page lacks is
// written as a numeric character reference, so nothing is lost.
QByteArray HtmlPageBytes(const QStringList& lines);

// Writes the page to the file, replacing it; the folder is created, with its parents, when missing.
// A failure (folder or file that cannot be created) throws FileError and leaves no new file.
void WriteHtmlPage(const HtmlPageRequest& request, const QString& fileName,
                   const ExportProgress& progress = {});

// The proposed file: the folder (the configuration folder when empty), then SafeFileName(title) + ".htm".
QString ProposedHtmlFileName(const QString& folder, const QString& title);
