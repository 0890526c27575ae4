#pragma once

#include "core/Value.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The expression language of the layouts:
//   'text'                      a literal ('' or \' for a quote inside)
//   Qry.column, Tbl.column      the column's value in the current row
//   SUM(x)                      running total of x over the master rows since the last reset; NULL adds
//   nothing FORMATNUMERIC(mask, x)      x through a numeric display mask
// Function names and data set names ignore letter case.
class ReportExpression {
public:
    // Looks up a column reference: data set name and column name; NULL when there is no such column
    // or no current row.
    using Resolver = std::function<Value(const QString& dataSet, const QString& column)>;

    // Throws FormatError with a message that names the expression when the text is not one.
    explicit ReportExpression(const QString& text);
    ~ReportExpression();
    ReportExpression(ReportExpression&&) noexcept;
    ReportExpression& operator=(ReportExpression&&) noexcept;

    const QString& text() const { return m_text; }
    bool hasAggregate() const;
    // Adds the current master row to every running total.
    void accumulate(const Resolver& resolve);
    void reset();
    // The value as text.
    QString evaluate(const Resolver& resolve) const;

    struct Node;

private:
    QString m_text;
    std::unique_ptr<Node> m_root;
    std::vector<Node*> m_sums;
};
