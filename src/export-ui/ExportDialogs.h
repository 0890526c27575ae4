#pragma once

#include "export/ExportCommon.h"

#include <QString>

class DataSet;
class QTableView;
class QWidget;
class ResultSetModel;

// The export dialog ("Határolt szöveg export") over a list's rows: delimited text or a worksheet. An
// empty fileName proposes File001.xls in the documents folder.
void ExportDataSet(QWidget* parent, const DataSet& data, const QString& fileName,
                   const QList<ExportFieldInfo>& fields = {});
// The same for a grid's model: the grid's column titles become the fields' labels.
void ExportDataSet(QWidget* parent, const ResultSetModel& model, const QString& fileName);
QList<ExportFieldInfo> FieldInfosOf(const ResultSetModel& model);

// The HTML export dialog ("HTML export") of an on-screen grid. totalFields: names separated by ";".
void ExportGridToHtml(QWidget* parent, QTableView* grid, const QString& title, const QString& subtitle = {},
                      const QString& totalFields = {}, const QString& groupField = {});
