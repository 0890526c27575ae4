#include "ModelCheck.h"

#include <QStringList>

std::unique_ptr<QAbstractItemModelTester> CheckModel(QAbstractItemModel* model) {
    return std::make_unique<QAbstractItemModelTester>(model,
                                                      QAbstractItemModelTester::FailureReportingMode::Fatal);
}

QString ModelText(const QAbstractItemModel* model) {
    QStringList lines;
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    lines << cells.join(u" | ");
    for (int r = 0; r < model->rowCount(); ++r) {
        cells.clear();
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data(Qt::DisplayRole).toString();
        lines << cells.join(u" | ");
    }
    return lines.join(u'\n') + u'\n';
}
