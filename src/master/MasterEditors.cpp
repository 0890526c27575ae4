#include "MasterEditors.h"

#include "core/Codec.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"
#include "ui/TextBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// A number as the box shows it: the stored text with a decimal comma.
QString NumberText(const Value& v) {
    QString t = v.text();
    t.replace(u'.', u',');
    return t;
}
} // namespace

Tfrm_TorzsSzerkeszt::Tfrm_TorzsSzerkeszt(QWidget* parent, Connection& db, EditorDescription description)
    : SonoriaDialog(description.section, Placement::Position, parent), m_desc(std::move(description)),
      m_row(db, m_desc.table.table, m_desc.table.keyColumn) {
    setWindowTitle(m_desc.caption);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QWidget* page = this;
    if (!m_desc.tabTitle.isEmpty()) {
        auto* tabs = new QTabWidget(this);
        tabs->setObjectName(u"PageControl1"_s);
        page = new QWidget(tabs);
        tabs->addTab(page, m_desc.tabTitle);
        layout->addWidget(tabs);
    }
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const EditorField& f : m_desc.fields) {
        QWidget* box;
        if (f.kind == EditorField::Memo) {
            auto* memo = new TextBox(page);
            memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            memo->setMinimumSize(420, 200);
            memo->setTabChangesFocus(true);
            box = memo;
        } else {
            auto* edit = new QLineEdit(page);
            if (f.width > 0)
                edit->setFixedWidth(f.width);
            else
                edit->setMinimumWidth(300);
            if (f.capitalize) CapitalizeFirstKey({edit});
            box = edit;
        }
        box->setObjectName(f.column);
        auto* label = new QLabel(f.label, page);
        label->setBuddy(box);
        if (f.width > 0) {
            auto* row = new QHBoxLayout;
            row->addWidget(box);
            row->addStretch(1);
            form->addRow(label, row);
        } else {
            form->addRow(label, box);
        }
        m_boxes << box;
        EnterColouring(box);
    }
    if (page == this) {
        layout->addLayout(form);
    } else {
        page->setLayout(form);
    }

    const OkCancelButtons okCancel = AddOkCancelRow(this, layout, [this] { okClicked(); });
    m_ok = okCancel.ok;
    m_cancel = okCancel.cancel;

    EnterAsTab(this, m_desc.ctrlEnterAccepts ? m_ok : nullptr);
    if (!m_boxes.isEmpty()) m_boxes.first()->setFocus();
}

bool Tfrm_TorzsSzerkeszt::start(const Value& key) {
    if (key.isNull())
        m_row.startNew();
    else if (!m_row.load(key))
        return false;
    m_shown.clear();
    for (int i = 0; i < m_desc.fields.size(); ++i) {
        const EditorField& f = m_desc.fields[i];
        const Value v = m_row.value(f.column);
        QString shown = f.kind == EditorField::Number ? NumberText(v) : v.text();
        if (auto* edit = qobject_cast<QLineEdit*>(m_boxes[i])) {
            if (const int n = m_row.maxLength(f.column); n > 0 && f.kind == EditorField::Line)
                edit->setMaxLength(n);
            edit->setText(shown);
            shown = edit->text();
        } else if (auto* memo = qobject_cast<TextBox*>(m_boxes[i])) {
            memo->setStoredText(shown);
            shown = memo->storedText();
        }
        m_shown << shown;
    }
    return true;
}

QString Tfrm_TorzsSzerkeszt::boxText(int field) const {
    if (auto* edit = qobject_cast<QLineEdit*>(m_boxes[field])) return edit->text();
    if (auto* memo = qobject_cast<TextBox*>(m_boxes[field])) return memo->storedText();
    return {};
}

QLineEdit* Tfrm_TorzsSzerkeszt::lineEdit(const QString& column) const {
    return findChild<QLineEdit*>(column);
}
QPlainTextEdit* Tfrm_TorzsSzerkeszt::memo(const QString& column) const {
    return findChild<QPlainTextEdit*>(column);
}

void Tfrm_TorzsSzerkeszt::copyIntoRow() {
    for (int i = 0; i < m_desc.fields.size(); ++i) {
        const EditorField& f = m_desc.fields[i];
        const QString text = boxText(i);
        // Blanks alone would make a row the list cannot tell from an empty one.
        if (f.required && text.trimmed().isEmpty())
            throw FormatError(u"A(z) „%1” mező kitöltése kötelező."_s.arg(f.label));
        if (!m_row.isNew() && text == m_shown[i]) continue;
        if (m_row.isNew() && text.isEmpty()) continue;
        if (f.kind == EditorField::Number)
            m_row.setNumberText(f.column, text);
        else
            m_row.setText(f.column, text);
    }
}

void Tfrm_TorzsSzerkeszt::okClicked() {
    // Saved while the dialog is open: what the row or the server refuses is told, and the dialog
    // stays open with what was typed.
    if (SaveOrTell(
            this,
            [this] {
                copyIntoRow();
                m_saved = m_row.post();
            },
            u"Hibás adat megadás: "_s))
        accept();
}

Value Tfrm_TorzsSzerkeszt::run() {
    if (exec() == QDialog::Accepted) return m_saved;
    m_row.cancel();
    return {};
}

// ---------------------------------------------------------------------------------------------------

EditorDescription ItemEditorDescription() {
    EditorDescription d;
    d.section = u"frm_TorzsTetel_Szerkeszt"_s;
    d.caption = u"Tétel szerkesztés"_s;
    d.table = ItemsTable();
    d.tabTitle = u"Általános adatok"_s;
    d.fields = {{u"WHO"_s, u"who"_s, EditorField::Line, true, 110},
                {u"Ár"_s, u"ar"_s, EditorField::Number, true, 110},
                {u"Tétel neve"_s, u"tetel_nev"_s, EditorField::Line, false, 0}};
    return d;
}

EditorDescription SnippetEditorDescription() {
    EditorDescription d;
    d.section = u"frm_TorzsSzotar_Szerkeszt"_s;
    d.caption = u"Szótár"_s;
    d.table = SnippetsTable();
    d.fields = {{u"Cím"_s, u"cim"_s, EditorField::Line, true, 0, true},
                {u"Szöveg"_s, u"szoveg"_s, EditorField::Memo, false}};
    d.ctrlEnterAccepts = true;
    return d;
}

EditorDescription PostalCodeEditorDescription() {
    EditorDescription d;
    d.section = u"frm_TorzsIrsz_Szerkeszt"_s;
    d.caption = u"Irányítószám szerkesztés"_s;
    d.table = PostalCodesTable();
    d.fields = {{u"Irányítószám"_s, u"irsz"_s, EditorField::Line, false, 80},
                {u"Település"_s, u"varos"_s, EditorField::Line, true, 0}};
    d.ctrlEnterAccepts = true;
    return d;
}

Tfrm_TorzsTetel_Szerkeszt::Tfrm_TorzsTetel_Szerkeszt(QWidget* parent, Connection& db)
    : Tfrm_TorzsSzerkeszt(parent, db, ItemEditorDescription()) {}
Tfrm_TorzsSzotar_Szerkeszt::Tfrm_TorzsSzotar_Szerkeszt(QWidget* parent, Connection& db)
    : Tfrm_TorzsSzerkeszt(parent, db, SnippetEditorDescription()) {}
Tfrm_TorzsIrsz_Szerkeszt::Tfrm_TorzsIrsz_Szerkeszt(QWidget* parent, Connection& db)
    : Tfrm_TorzsSzerkeszt(parent, db, PostalCodeEditorDescription()) {}

namespace {
Value RunEditor(Tfrm_TorzsSzerkeszt& dialog, const Value& key, QWidget* parent) {
    if (!dialog.start(key)) {
        ErrorBox(u"A sor már nem létezik, talán egy másik gépen törölték."_s, parent);
        return {};
    }
    return dialog.run();
}
} // namespace

int EditItem(QWidget* parent, Connection& db, int key) {
    Tfrm_TorzsTetel_Szerkeszt d(parent, db);
    const Value saved = RunEditor(d, key < 0 ? Value() : Value::fromInt(key), parent);
    return saved.isNull() ? -1 : saved.toInt();
}

QString EditSnippet(QWidget* parent, Connection& db, const QString& title) {
    Tfrm_TorzsSzotar_Szerkeszt d(parent, db);
    Value key;
    if (!title.isEmpty()) {
        if (!Codec::latin2().canEncode(title)) return {};
        key = Value::fromText(title);
    }
    return RunEditor(d, key, parent).text();
}

int EditPostalCode(QWidget* parent, Connection& db, int key) {
    Tfrm_TorzsIrsz_Szerkeszt d(parent, db);
    const Value saved = RunEditor(d, key < 0 ? Value() : Value::fromInt(key), parent);
    return saved.isNull() ? -1 : saved.toInt();
}
