#include "Conventions.h"

#include "ResultSetModel.h"
#include "core/Config.h"
#include "core/TextRoutines.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>

namespace {
class FocusColourFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w) return false;
        if (event->type() == QEvent::FocusIn) {
            QPalette p = w->palette();
            p.setColor(QPalette::Base, FocusColour);
            w->setPalette(p);
            if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
                combo->lineEdit()->setPalette(p);
        } else if (event->type() == QEvent::FocusOut) {
            w->setPalette(QPalette());
            if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
                combo->lineEdit()->setPalette(QPalette());
        }
        return false;
    }
};

FocusColourFilter* focusFilter() {
    static auto* f = new FocusColourFilter(qApp);
    return f;
}

bool isMultiLine(QWidget* w) {
    return qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w);
}

class EnterAsTabFilter : public QObject {
public:
    EnterAsTabFilter(QWidget* dialog, QWidget* ok) : QObject(dialog), m_dialog(dialog), m_ok(ok) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        QWidget* focus = QApplication::focusWidget();
        if (!focus || !m_dialog->isAncestorOf(focus)) return false;
        if (key->modifiers() & Qt::ControlModifier) {
            if (!m_ok) return false;
            if (auto* b = qobject_cast<QAbstractButton*>(m_ok); b && b->isEnabled()) {
                b->setFocus();
                b->click();
            }
            return true;
        }
        if (isMultiLine(focus)) return false;
        if (auto* button = qobject_cast<QAbstractButton*>(focus)) {
            button->click();
            return true;
        }
        // A combo box's own line edit has the focus; move on from the combo box.
        QWidget* from = focus;
        if (auto* combo = qobject_cast<QComboBox*>(focus->parentWidget())) from = combo;
        from->nextInFocusChain();
        QWidget* next = from->nextInFocusChain();
        while (next && next != from &&
               (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() || !next->isEnabled() ||
                !m_dialog->isAncestorOf(next)))
            next = next->nextInFocusChain();
        if (next) next->setFocus(Qt::TabFocusReason);
        return true;
    }

private:
    QWidget* m_dialog;
    QWidget* m_ok;
};

class CapitalizeFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* edit = qobject_cast<QLineEdit*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (!edit || key->text().size() != 1 || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        // Only an empty box counts; a box whose whole text is selected is not empty yet.
        const QChar typed = key->text()[0];
        const QChar wanted = CapitalizeFirstKey(edit->text(), typed);
        if (wanted == typed) return false;
        edit->insert(QString(wanted));
        return true;
    }
};

const QString TypeToSearchLetters = QStringLiteral("ÁÉÍÓŐÖÚŰÜáéíóőöúűü");

class TypeToSearchFilter : public QObject {
public:
    TypeToSearchFilter(QTableView* grid, QLineEdit* search) : QObject(grid), m_grid(grid), m_search(search) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_grid) {
            if (key->text().size() != 1 || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                return false;
            const QChar c = key->text()[0];
            const bool wanted = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
                                (c >= u'A' && c <= u'Z') || TypeToSearchLetters.contains(c);
            if (!wanted) return false;
            m_search->setFocus();
            m_search->setText(QString(c.toLower()));
            m_search->setCursorPosition(1);
            m_search->deselect();
            return true;
        }
        // One search box may serve several grids (one per tab): the one shown takes the keys.
        if (watched == m_search && m_grid->isVisible()) {
            switch (key->key()) {
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Up:
            case Qt::Key_Down:
                m_grid->setFocus();
                return true;
            default:
                return false;
            }
        }
        return false;
    }

private:
    QTableView* m_grid;
    QLineEdit* m_search;
};
} // namespace

void EnterColouring(QWidget* control) {
    control->installEventFilter(focusFilter());
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        combo->lineEdit()->installEventFilter(focusFilter());
}

void EnterColouring(std::initializer_list<QWidget*> controls) {
    for (QWidget* c : controls)
        EnterColouring(c);
}

void EnterAsTab(QWidget* dialog, QWidget* okButton) {
    auto* filter = new EnterAsTabFilter(dialog, okButton);
    // Filter at the application so the key is seen before the focused widget takes it.
    qApp->installEventFilter(filter); // a destroyed filter leaves the list by itself
}

void CapitalizeFirstKey(std::initializer_list<QLineEdit*> boxes) {
    static auto* filter = new CapitalizeFilter(qApp);
    for (QLineEdit* b : boxes)
        b->installEventFilter(filter);
}

void TypeToSearch(QTableView* grid, QLineEdit* searchBox) {
    auto* filter = new TypeToSearchFilter(grid, searchBox);
    grid->installEventFilter(filter);
    searchBox->installEventFilter(filter);
}

void HighlightSortColumn(QTableView* grid, int column) {
    if (auto* model = qobject_cast<ResultSetModel*>(grid->model())) model->setHighlightedColumn(column);
    grid->viewport()->update();
}

void ApplyFontSize(QWidget* window) {
    QFont f = window->font();
    f.setPointSize(Beall.betumeret);
    window->setFont(f);
}

QColor ExamTypeColour(int mlaptipus) {
    switch (mlaptipus) {
    case 2:
        return QColor(0xE6, 0xF2, 0xFF);
    case 3:
        return QColor(0xD9, 0xFF, 0xEC);
    case 4:
        return QColor(0xFF, 0xE1, 0xFF);
    default:
        return {};
    }
}
