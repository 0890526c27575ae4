#pragma once

#include "ResultSetModel.h"

// A grid model whose cells can be edited: every edit is written to the table at once (by its primary
// key, or by the row's old values when the table has none), then edited() asks for a re-read.
class TableEditModel : public ResultSetModel {
    Q_OBJECT
public:
    TableEditModel(Connection& db, QString table, QObject* parent = nullptr);
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void edited();

private:
    Value valueFromText(const Column& column, const QString& text) const;
    Connection& m_db;
    QString m_table;
};
