#pragma once

#include "ResultSetModel.h"
#include "db/QueryHelpers.h"

#include <QObject>
#include <QStyledItemDelegate>

class QTableView;
class QLineEdit;

// Paints the text colours the model's hook chooses, also in selected rows.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// A read-only browse grid (whole rows, selection kept visible) set up the one way every list uses.
void SetUpBrowseGrid(QTableView* grid);

// A column's width, but never narrower than its title needs: a title is read whole, not guessed at.
void SetColumnWidth(QTableView* grid, int column, int width);
// Widths from shares of the grid's width less a margin; rounded half to even, or cut to whole pixels
// (and each at least its title's width).
enum class WidthRounding { HalfEven, Truncate };
void ApplyWidthShares(QTableView* grid, const QList<double>& shares, int margin, WidthRounding rounding);

// A searchable, sortable list: a ListQuery on a connection shown in a grid through a ResultSetModel.
// Every list of the program is one of these: it re-reads keeping the row, moves to a key, and tells
// when the current row changes.
class BrowseList : public QObject {
    Q_OBJECT
public:
    // model: the grid's model when it is not a plain ResultSetModel (the list takes it over).
    BrowseList(Connection& db, QTableView* grid, const QStringList& sqlLines, QObject* parent = nullptr,
               ResultSetModel* model = nullptr);

    ResultSetModel* model() const { return m_model; }
    QTableView* grid() const { return m_grid; }
    ListQuery& query() { return m_query; }
    QString sql() const { return m_query.sql(); }
    Connection& db() const { return m_db; }

    void open();  // runs the query; the first row becomes current
    void close(); // forgets the rows
    bool isOpen() const { return m_open; }
    void reread();                                       // same text, the same row number (or the last row)
    void setWhere(const QString& condition);             // replaces the WHERE line and opens again
    void setOrderBy(const QString& field);               // replaces the ORDER BY line and opens again
    bool locate(const QString& field, const Value& key); // the cursor to that row when it exists
    // The cursor to the first row whose field begins with text (letters without regard to case);
    // nothing happens when none does.
    bool locateStartingWith(const QString& field, const QString& text);

    int currentRow() const; // -1 in an empty list
    void setCurrentRow(int row);
    Value current(const QString& field) const { return m_model->value(currentRow(), field); }
    qsizetype rowCount() const { return m_model->rowCount(); }
    QString positionText() const { return RecordPositionText(rowCount(), currentRow()); }

signals:
    void currentRowChanged();

private:
    Connection& m_db;
    QTableView* m_grid;
    ResultSetModel* m_model;
    ListQuery m_query;
    bool m_open = false;
};
