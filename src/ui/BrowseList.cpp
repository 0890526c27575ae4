#include "BrowseList.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <cmath>

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    auto* model = qobject_cast<const ResultSetModel*>(index.model());
    if (!model) return;
    const bool selected = option->state & QStyle::State_Selected;
    const QColor text = model->foreground(index.row(), index.column(), selected);
    if (text.isValid()) {
        option->palette.setColor(QPalette::Text, text);
        option->palette.setColor(QPalette::HighlightedText, text);
    }
}

void SetUpBrowseGrid(QTableView* grid) {
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(false);
    grid->setWordWrap(false);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->setItemDelegate(new GridDelegate(grid));
    // Keep the selection visible when the grid loses the focus.
    QPalette p = grid->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    grid->setPalette(p);
}

void SetColumnWidth(QTableView* grid, int column, int width) {
    grid->setColumnWidth(column, std::max(width, grid->horizontalHeader()->sectionSizeHint(column)));
}

void ApplyWidthShares(QTableView* grid, const QList<double>& shares, int margin, WidthRounding rounding) {
    const double base = std::max(0, grid->width() - margin);
    for (int i = 0; i < shares.size(); ++i) {
        const double w = base * shares[i];
        SetColumnWidth(
            grid, i,
            static_cast<int>(rounding == WidthRounding::HalfEven ? std::nearbyint(w) : std::trunc(w)));
    }
}

BrowseList::BrowseList(Connection& db, QTableView* grid, const QStringList& sqlLines, QObject* parent,
                       ResultSetModel* model)
    : QObject(parent ? parent : grid), m_db(db), m_grid(grid), m_model(model ? model : new ResultSetModel),
      m_query(sqlLines) {
    m_model->setParent(this);
    m_grid->setModel(m_model);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { emit currentRowChanged(); });
}

void BrowseList::open() {
    m_model->setResult(m_db.query(m_query.sql()));
    m_open = true;
    setCurrentRow(rowCount() > 0 ? 0 : -1);
    emit currentRowChanged();
}

void BrowseList::close() {
    m_model->setResult(ResultSet());
    m_open = false;
}

void BrowseList::reread() {
    const int row = currentRow();
    m_model->setResult(m_db.query(m_query.sql()));
    m_open = true;
    const int n = static_cast<int>(rowCount());
    setCurrentRow(n == 0 ? -1 : std::clamp(row < 0 ? 0 : row, 0, n - 1));
    emit currentRowChanged();
}

void BrowseList::setWhere(const QString& condition) {
    m_query.replaceWhere(condition);
    open();
}

void BrowseList::setOrderBy(const QString& field) {
    m_query.replaceOrderBy(field);
    open();
}

bool BrowseList::locate(const QString& field, const Value& key) {
    const int row = m_model->locate(field, key);
    if (row < 0) return false;
    setCurrentRow(row);
    return true;
}

bool BrowseList::locateStartingWith(const QString& field, const QString& text) {
    const int row = m_model->firstRowStartingWith(field, text);
    if (row < 0) return false;
    setCurrentRow(row);
    return true;
}

int BrowseList::currentRow() const {
    const QModelIndex i = m_grid->selectionModel()->currentIndex();
    return i.isValid() && i.row() < rowCount() ? i.row() : -1;
}

void BrowseList::setCurrentRow(int row) {
    if (row < 0 || row >= rowCount()) {
        m_grid->selectionModel()->clear();
        return;
    }
    const QModelIndex i = m_model->index(row, std::max(0, m_grid->currentIndex().column()));
    m_grid->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    m_grid->scrollTo(i);
}
