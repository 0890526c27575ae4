#pragma once

#include "ExportCommon.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// One column of an on-screen grid, as the screen describes it to an export.
struct ExportGridColumn {
    QString title;     // the header text shown on screen
    int width = 0;     // on-screen width in pixels at the moment of export
    QString fieldName; // the field it shows; empty: bound to no field
    bool hidden = false;
    std::optional<TAlignment> alignment; // the field's alignment; empty: right for numbers, left otherwise
    QString displayFormat;               // the field's numeric display mask (FormatNumeric), if any
    // The cell's text as the grid displays it; empty: the value's plain text.
    std::function<QString(qsizetype row)> displayText;
};

// An on-screen grid: its columns in screen order, its width in pixels and the rows behind it (not owned).
struct GridDescription {
    QList<ExportGridColumn> columns;
    int width = 0;
    const DataSet* data = nullptr;
};
