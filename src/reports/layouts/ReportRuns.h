#pragma once

// The data side of every report run: the layout, its queries run on the connection, and the pages.
// The screens add preview, print and export on top; the command-line tool writes the PDF.

#include "reports/model/PageBuilder.h"
#include "reports/model/ReportLayout.h"

#include "db/Connection.h"

#include <QDate>

#include <memory>
#include <optional>

struct PreparedReport {
    ReportLayout layout;
    std::unique_ptr<DataSet> qry; // the master rows (also what an export of the list writes)
    std::unique_ptr<DataSet> tbl; // may be empty
    QString qrySql;               // the statement that filled qry
    QDateTime printedAt = QDateTime::currentDateTime();

    int build(const PageSink& sink) const;
    std::vector<ReportPage> pages() const;
    // Streams the pages into a PDF; the file appears only when complete. Returns the page count.
    int writePdf(const QString& path) const;
};

// Logo.bmp in the folder, the letter case of its name ignored. An empty image when there is none;
// FileError when there is one that cannot be read.
QImage LoadLogo(const QString& folder);

// The statement's named parameters (":name") replaced by SQL text, outside quoted literals.
QString BindParameters(const QString& sql, const QList<std::pair<QString, QString>>& values);

// The findings sheet of an examination in the layout of its type; nothing for a type of 5 or more.
// The logo comes from logoFolder (LogoFolder() in the program).
std::optional<PreparedReport> PrepareFindingsSheet(Connection& db, qint64 examination,
                                                   const QString& logoFolder);

// The period lists (both dates inclusive) and one patient's examination list.
PreparedReport PrepareRevenueList(Connection& db, QDate from, QDate to);
PreparedReport PreparePerformedList(Connection& db, QDate from, QDate to);
PreparedReport PrepareExaminationTotals(Connection& db, QDate from, QDate to);
PreparedReport PreparePatientExamList(Connection& db, qint64 patient);

// The envelope, the registered-mail slip and the patient list (the query text as the main window holds it).
PreparedReport PrepareEnvelope(Connection& db, qint64 patient, const QString& logoFolder);
PreparedReport PrepareRegisteredSlip(Connection& db, qint64 patient);
PreparedReport PreparePatientList(Connection& db, const QString& query);

// The patient list's query as it stands before a search or a sort.
QString DefaultPatientListQuery();
