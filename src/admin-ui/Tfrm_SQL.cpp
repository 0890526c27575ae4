#include "Tfrm_SQL.h"

#include "core/Codec.h"
#include "core/Config.h"
#include "core/Errors.h"
#include "core/TextRoutines.h"
#include "db/QueryHelpers.h"
#include "db/RowEditor.h"
#include "ui/BusyGuard.h"
#include "ui/Messages.h"
#include "ui/TableEditModel.h"

#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSaveFile>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QAction* makeAction(QWidget* owner, const QString& caption, const QList<QKeySequence>& keys) {
    auto* a = new QAction(caption, owner);
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(a);
    return a;
}

void setAllColumnWidths(QTableView* grid, int width) {
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        grid->setColumnWidth(c, width);
}
} // namespace

Tfrm_SQL::Tfrm_SQL(QWidget* parent, Connection& db, ExportResultFunction exportResult)
    : SonoriaDialog(u"frm_SQL"_s, Placement::Bounds, parent), m_db(db), m_export(std::move(exportResult)) {
    setWindowTitle(u"SQL lekérdezés"_s);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    resize(800, 560);

    editor = new QsciScintilla(this);
    auto* lexer = new QsciLexerSQL(editor);
    QFont mono(u"Courier New"_s, 10);
    lexer->setDefaultFont(mono);
    lexer->setFont(mono);
    const QColor green(0x00, 0x80, 0x00), blue(0x00, 0x00, 0xFF), red(0xC0, 0x00, 0x00);
    for (int style : {QsciLexerSQL::Comment, QsciLexerSQL::CommentLine, QsciLexerSQL::CommentDoc,
                      QsciLexerSQL::CommentLineHash})
        lexer->setColor(green, style);
    lexer->setColor(blue, QsciLexerSQL::Number);
    for (int style : {QsciLexerSQL::SingleQuotedString, QsciLexerSQL::DoubleQuotedString})
        lexer->setColor(red, style);
    editor->setLexer(lexer);
    editor->setUtf8(true);
    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginLineNumbers(0, true);
    editor->setMarginWidth(0, u"00000"_s);
    editor->setTabWidth(2);
    editor->setCaretLineVisible(true);
    editor->setCaretLineBackgroundColor(QColor(0xE8, 0xF2, 0xFF));
    editor->setContextMenuPolicy(Qt::ActionsContextMenu);

    grid = new QTableView(this);
    SetUpBrowseGrid(grid);
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_query = new BrowseList(m_db, grid, {}, this);
    m_query->model()->setHighlightedColumn(-1);

    pages = new QTabWidget(this);
    pages->addTab(editor, u"SQL"_s);
    pages->addTab(grid, u"Eredmény"_s);

    aUj = makeAction(this, u"Új SQL file"_s, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    aMegnyit = makeAction(this, u"Megnyit"_s, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    aMent = makeAction(this, u"Mentés"_s, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    aExport = makeAction(this, u"Export"_s, {QKeySequence(Qt::CTRL | Qt::Key_E)});
    aMasol = makeAction(this, u"Másol"_s, {QKeySequence(Qt::Key_F3)});
    aMasol->setToolTip(u"Eredmény másolása vágólapra"_s);
    aFuttat =
        makeAction(this, u"Futtat"_s, {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return)});
    aEredmeny = makeAction(this, u"Eredmény"_s, {QKeySequence(Qt::Key_F9)});
    aTab = makeAction(this, u"Tab"_s, {QKeySequence(Qt::CTRL | Qt::Key_Tab)});
    aBezar = makeAction(this, u"Bezár"_s, {});
    setResultActions(false);

    connect(aUj, &QAction::triggered, this, [this] { editor->clear(); });
    connect(aMegnyit, &QAction::triggered, this, [this] {
        QDir().mkpath(sqlFolder());
        const QString path =
            QFileDialog::getOpenFileName(this, u"SQL megnyitás"_s, sqlFolder(), u"SQL állományok (*.sql)"_s);
        if (!path.isEmpty()) RunGuarded([&] { openFile(path); });
    });
    connect(aMent, &QAction::triggered, this, [this] {
        QDir().mkpath(sqlFolder());
        QFileDialog dialog(this, u"SQL mentése"_s, m_fileName.isEmpty() ? sqlFolder() : m_fileName,
                           u"SQL file-ok (*.sql)"_s);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(u"sql"_s);
        if (dialog.exec() == QDialog::Accepted)
            RunGuarded([&] { saveFile(dialog.selectedFiles().value(0)); });
    });
    connect(aExport, &QAction::triggered, this, [this] {
        if (m_export && shownResult()) RunGuarded([this] { m_export(this, shownResult()); });
    });
    connect(aMasol, &QAction::triggered, this, [this] { RunGuarded([this] { aMasolExecute(); }); });
    connect(aFuttat, &QAction::triggered, this, [this] { RunGuarded([this] { aFuttatExecute(); }); });
    connect(aEredmeny, &QAction::triggered, this, [this] { RunGuarded([this] { aEredmenyExecute(); }); });
    connect(aTab, &QAction::triggered, this, [this] { pages->setCurrentIndex(1 - pages->currentIndex()); });
    connect(aBezar, &QAction::triggered, this, &QDialog::reject);

    auto* menu = new QMenuBar(this);
    QMenu* file = menu->addMenu(u"Fájl"_s);
    file->addActions({aUj, aMegnyit, aMent});
    file->addSeparator();
    file->addAction(aExport);
    file->addSeparator();
    file->addAction(aBezar);
    menu->addMenu(u"SQL"_s)->addAction(aFuttat);
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({aUj, aMegnyit, aMent});
    bar->addSeparator();
    bar->addActions({aFuttat, aEredmeny, aMasol, aExport});
    bar->addSeparator();
    bar->addAction(aBezar);
    auto* sep = new QAction(editor);
    sep->setSeparator(true);
    editor->addActions({aFuttat, aEredmeny, sep, aUj, aMegnyit, aMent});
    grid->addAction(aExport);

    status = new QStatusBar(this);
    progress = new QProgressBar(this);
    progress->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu);
    layout->addWidget(bar);
    layout->addWidget(pages, 1);
    layout->addWidget(progress);
    layout->addWidget(status);
}

QString Tfrm_SQL::sqlFolder() const {
    return ConfigDirectory() + u"/SQL"_s;
}

void Tfrm_SQL::showEvent(QShowEvent* event) {
    SonoriaDialog::showEvent(event);
    editor->setFocus();
}

ResultSetModel* Tfrm_SQL::shownResult() const {
    BrowseList* shown = (m_table && grid->model() == m_table->model()) ? m_table : m_query;
    return shown->isOpen() ? shown->model() : nullptr;
}

void Tfrm_SQL::setResultActions(bool enabled) {
    aExport->setEnabled(enabled);
    aMasol->setEnabled(enabled);
}

void Tfrm_SQL::showResultPage() {
    pages->setCurrentIndex(1);
    setAllColumnWidths(grid, 64);
    setResultActions(true);
}

bool Tfrm_SQL::tableMode() {
    const QString firstLine = editor->text(0);
    if (firstLine.left(5).compare(u"table"_s, Qt::CaseInsensitive) != 0) return false;
    QString table = SeparatedPiece(u":", firstLine, 2).trimmed();
    // The name as it stands, a space or a word of SQL in it too; backquotes typed around it are not part of
    // it.
    if (table.size() > 2 && table.startsWith(u'`') && table.endsWith(u'`'))
        table = table.mid(1, table.size() - 2).replace(u"``"_s, u"`"_s);
    if (table.isEmpty()) throw FormatError(u"A „table:” után adja meg a tábla nevét."_s);
    auto* model = new TableEditModel(m_db, table);
    delete m_table;
    m_table = new BrowseList(m_db, grid, {u"SELECT * FROM "_s + QuotedName(table) + u';'}, this, model);
    connect(model, &TableEditModel::edited, this,
            [this] { QMetaObject::invokeMethod(m_table, &BrowseList::reread, Qt::QueuedConnection); });
    connect(m_table, &BrowseList::currentRowChanged, this,
            [this] { status->showMessage(m_table->positionText()); });
    m_table->open();
    showResultPage();
    return true;
}

void Tfrm_SQL::showQuery(const QString& sql) {
    if (m_table && grid->model() == m_table->model()) {
        delete m_table;
        m_table = nullptr;
        m_query = new BrowseList(m_db, grid, {}, this);
        m_query->model()->setHighlightedColumn(-1);
    }
    m_query->close();
    m_query->query().setLines({sql});
    try {
        m_query->open();
    } catch (const SonoriaError& e) {
        ErrorBox(u"SQL hiba:\n"_s + e.message(), this);
        return;
    }
    connect(
        m_query, &BrowseList::currentRowChanged, this,
        [this] { status->showMessage(m_query->positionText()); }, Qt::UniqueConnection);
    status->showMessage(m_query->positionText());
    showResultPage();
}

void Tfrm_SQL::runScript(const QString& script) {
    progress->setMaximum(std::max(1, CountChar(u';', script)));
    progress->setValue(0);
    progress->setVisible(true);
    QString statement;
    int done = 0;
    BusyGuard busy(this);
    for (QChar c : script) {
        statement += c;
        if (c != u';') continue;
        // Every ";" ends a statement; what follows the last one is not run.
        BusyGuard::pump();
        try {
            m_db.exec(statement);
        } catch (const SonoriaError& e) {
            progress->setVisible(false);
            ErrorBox(u"SQL hiba:\n"_s + e.message(), this);
            return;
        }
        progress->setValue(++done);
        statement.clear();
    }
    progress->setVisible(false);
    InfoBox(u"SQL futtatás kész."_s, this);
}

void Tfrm_SQL::aFuttatExecute() {
    if (tableMode()) return;
    const QString text = (editor->hasSelectedText() ? editor->selectedText() : editor->text()).trimmed();
    const QString upper = text.toUpper();
    if (upper.startsWith(u"SELECT"_s) || upper.startsWith(u"SHOW"_s))
        showQuery(text);
    else
        runScript(text);
}

void Tfrm_SQL::aEredmenyExecute() {
    if (tableMode()) return;
    const QString text =
        editor->hasSelectedText() ? editor->selectedText() : editor->text().section(u';', 0, 0);
    showQuery(text);
}

void Tfrm_SQL::aMasolExecute() {
    ResultSetModel* model = shownResult();
    if (!model) return;
    QStringList lines;
    DataSetToLines(model->result(), lines, [model](qsizetype row, int field) {
        return model->displayTextOfField(static_cast<int>(row), field);
    });
    QGuiApplication::clipboard()->setText(lines.join(u'\n'));
}

void Tfrm_SQL::openFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw FileError(u"A(z) „%1” fájl nem olvasható: %2"_s.arg(path, f.errorString()));
    QString text = Codec::cp1250().decode(f.readAll());
    text.replace(u"\r\n"_s, u"\n"_s);
    editor->setText(text);
    m_fileName = path;
}

void Tfrm_SQL::saveFile(const QString& path) {
    QString text = editor->text();
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\n', u"\r\n"_s);
    const QByteArray bytes = EncodeOrThrow(Codec::cp1250(), text);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw FileError(u"A(z) „%1” fájl nem írható: %2"_s.arg(path, f.errorString()));
    m_fileName = path;
}

void ShowSqlConsole(QWidget* parent, Connection& db, ExportResultFunction exportResult) {
    Tfrm_SQL console(parent, db, std::move(exportResult));
    console.exec();
}
