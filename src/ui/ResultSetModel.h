#pragma once

#include "db/Connection.h"

#include <QAbstractTableModel>
#include <QColor>

#include <functional>
#include <memory>

// One column of a grid: the field it shows, its title, and how its value is displayed.
struct GridColumn {
    QString field;
    QString title;
    // Numbers: a mask for FormatNumeric ("00000", "### ### ##0"); dates: a QDate pattern, empty for
    // the short date. Empty for numbers: the plain value.
    QString format;
    Qt::Alignment alignment = {}; // empty: right for numbers, left for the rest
};

// The table model of every grid: a ResultSet with a column list. Cells are decoded only when a view
// asks for them. The row colours come from a hook; the sort column is painted HighlightColour.
class ResultSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultSetModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void setColumns(QList<GridColumn> columns); // empty: every field of the result, titled by name
    const QList<GridColumn>& columns() const { return m_columns; }
    void setColumnFormat(const QString& field, const QString& format);
    void setResult(ResultSet result);
    const ResultSet& result() const { return m_result; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    Value value(int row, const QString& field) const;         // NULL outside the rows
    QString displayText(int row, int column) const;           // as the grid shows it
    QString displayTextOfField(int row, int field) const;     // a field of the result by its index
    int fieldIndex(int column) const;                         // the result's column of a grid column
    int locate(const QString& field, const Value& key) const; // first row with that value, -1
    int firstRowStartingWith(const QString& field, const QString& text) const; // -1 when none

    void setHighlightedColumn(int column);
    int highlightedColumn() const { return m_highlight; }
    // Background of a cell of an unselected row; an invalid colour keeps the grid's own.
    using BackgroundHook = std::function<QColor(int row, int column)>;
    void setBackgroundHook(BackgroundHook hook) { m_background = std::move(hook); }
    // Text colour of a cell; selected tells whether the row is selected.
    using ForegroundHook = std::function<QColor(int row, int column, bool selected)>;
    void setForegroundHook(ForegroundHook hook) { m_foreground = std::move(hook); }
    QColor background(int row, int column) const;
    QColor foreground(int row, int column, bool selected) const;

private:
    ResultSet m_result;
    QList<GridColumn> m_columns;
    QList<GridColumn> m_requested;
    QList<int> m_fieldOfColumn;
    int m_highlight = 0;
    BackgroundHook m_background;
    ForegroundHook m_foreground;
    void bindColumns();
};

// Displays a value of a column type with a format of GridColumn.
QString FormatValue(const Value& v, const QString& format);
