#pragma once

#include <QColor>
#include <QWidget>

class QLineEdit;
class QTableView;

inline const QColor HighlightColour{0xFF, 0xFF, 0xB9}; // the column a grid is sorted by
inline const QColor FocusColour{0xA6, 0xCA, 0xF0};     // an edit control that has the focus

// The background of an examination's rows by its type: thyroid, neck vessels, lower-limb vessels;
// general (and any other type) keeps the grid's own (an invalid colour).
QColor ExamTypeColour(int mlaptipus);

// The focused control turns FocusColour, and back to the window colour when it loses the focus.
void EnterColouring(std::initializer_list<QWidget*> controls);
void EnterColouring(QWidget* control);
// Enter moves the focus on as Tab does (multi-line texts take Enter as a new line; a focused button is
// pressed). With ctrlEnterAccepts, Ctrl+Enter presses okButton from any control.
void EnterAsTab(QWidget* dialog, QWidget* okButton = nullptr);
// A letter a to z typed into an empty box becomes a capital.
void CapitalizeFirstKey(std::initializer_list<QLineEdit*> boxes);
// Typing a digit or letter in the grid starts the search box with it (lower case); Page Up, Page
// Down, Up and Down in the search box go to the grid (the one shown, when one box serves several grids).
void TypeToSearch(QTableView* grid, QLineEdit* searchBox);
// Every column the window colour, the given one HighlightColour (grids over a ResultSetModel).
void HighlightSortColumn(QTableView* grid, int column);
// The font size of the settings for a window and its children.
void ApplyFontSize(QWidget* window);
