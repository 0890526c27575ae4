#pragma once

#include <QString>

#include <functional>
#include <optional>

class Connection;
class QWidget;

// The screens the examination record opens, handed in by the caller so that this library needs none
// of them: the patient, item and snippet pickers and the findings sheet.
struct ExamScreens {
    // The patient browser in pick mode ("Ügyfél választás"): a patient key, or -1.
    std::function<int(QWidget* parent)> pickPatient;
    // The item browser in pick mode ("Tétel választás") with a row preselected (-1: none): a key, or -1.
    std::function<int(QWidget* parent, int preselect)> pickItem;
    // The snippet browser in pick mode filtered by a text: the snippet's text, or nothing.
    std::function<std::optional<QString>(QWidget* parent, const QString& search)> pickSnippet;
    // The findings sheet of an examination, printed (true) or previewed (false).
    std::function<void(QWidget* parent, int examination, bool print)> printFindings;
};

// The examination record. (-1, -1, type): a new examination, the patient picked first; (-1, patient,
// type): a new one for that patient; (key, -1, type): an existing one. Returns the key saved, or -1.
int OpenExamination(QWidget* parent, Connection& db, const ExamScreens& screens, int examination, int patient,
                    int type);

// The line-item dialog: a new line of the item for the examination (line -1), or the line given;
// a line whose item differs from the given one takes the new item's name and price. The line's key,
// or -1 when nothing was saved.
int OpenLineItem(QWidget* parent, Connection& db, int line, int examination, int item);
