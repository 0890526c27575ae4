#pragma once

#include <QAbstractItemModelTester>
#include <QString>

#include <memory>

// Watches the model with QAbstractItemModelTester for as long as the result lives; a broken rule of the
// item-model contract aborts the test run (fatal mode), so it cannot pass unnoticed.
std::unique_ptr<QAbstractItemModelTester> CheckModel(QAbstractItemModel* model);

// The model as text, for comparing a whole grid in one assertion: the horizontal header, then one line
// per row, cells joined by " | " (the display role).
QString ModelText(const QAbstractItemModel* model);
