#include "Tfrm_MunkalapBongeszo.h"

#include "ReportRoutines.h"
#include "core/Config.h"
#include "core/TextRoutines.h"
#include "data/Examinations.h"
#include "db/QueryHelpers.h"
#include "export-ui/ExportDialogs.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"
#include "ui/PrintDialogs.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

Tfrm_MunkalapBongeszo::Tfrm_MunkalapBongeszo(QWidget* parent, Connection& db, int patient)
    : SonoriaDialog(u"frm_MunkalapBongeszo"_s, Placement::Bounds, parent), m_db(db), m_patient(patient) {
    setWindowTitle(u"Vizsgálatok"_s);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(1100, 560); // room for the examinations' full titles beside the texts

    aNyomtat = new QAction(u"Nyomtat"_s, this);
    aNyomtat->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    aExcelbe = new QAction(u"Excelbe..."_s, this);
    aExcelbe->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    aBezar = new QAction(u"Bezár"_s, this);
    aBezar->setShortcut(Qt::Key_Escape);
    for (QAction* a : {aNyomtat, aExcelbe, aBezar}) {
        a->setToolTip(a->text());
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({aNyomtat, aExcelbe});
    bar->addSeparator();
    bar->addAction(aBezar);

    title = new QLabel(LookupName(db, patient, u"ugyfel"_s, {}) + u"  "_s, this);
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    grid = new QTableView(this);
    SetUpBrowseGrid(grid);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->addActions({aNyomtat, aExcelbe, aBezar});
    m_list = new BrowseList(db, grid, PatientExaminationsQuery(patient), this);
    m_list->model()->setColumns({{u"munkalapstr"_s, u"Sorszám"_s, {}, {}},
                                 {u"cim"_s, u"Típus"_s, {}, {}},
                                 {u"datum"_s, u"Dátum"_s, {}, {}},
                                 {u"panaszok"_s, u"Panasz"_s, {}, {}},
                                 {u"ar_ossz"_s, u"Ár"_s, Beall.formatFt, {}}});
    m_list->model()->setBackgroundHook(
        [this](int row, int) { return ExamTypeColour(m_list->model()->value(row, u"mlaptipus"_s).toInt()); });

    mSzoveg = new QPlainTextEdit(this);
    mVelemeny = new QPlainTextEdit(this);
    for (QPlainTextEdit* m : {mSzoveg, mVelemeny})
        m->setReadOnly(true);
    auto* texts = new QSplitter(Qt::Vertical, this);
    texts->addWidget(mSzoveg);
    texts->addWidget(mVelemeny);
    splitter = new QSplitter(Qt::Horizontal, this);
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(title);
    leftLayout->addWidget(grid, 1);
    splitter->addWidget(left);
    splitter->addWidget(texts);
    connect(splitter, &QSplitter::splitterMoved, this, &Tfrm_MunkalapBongeszo::sizeColumns);

    status = new QStatusBar(this);
    auto* position = new QLabel(status);
    position->setMinimumWidth(77);
    position->setAlignment(Qt::AlignCenter);
    status->addWidget(position);
    connect(m_list, &BrowseList::currentRowChanged, this, [this, position] {
        position->setText(m_list->positionText());
        mSzoveg->setPlainText(m_list->current(u"szoveg"_s).text());
        mVelemeny->setPlainText(m_list->current(u"velemeny"_s).text());
    });
    m_list->open();

    connect(aNyomtat, &QAction::triggered, this, [this] { RunGuarded([this] { aNyomtatExecute(); }); });
    connect(aExcelbe, &QAction::triggered, this,
            [this] { RunGuarded([this] { ExportDataSet(this, *m_list->model(), {}); }); });
    connect(aBezar, &QAction::triggered, this, &QDialog::reject);
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunGuarded([&] { sortBy(column); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);
    layout->addWidget(status);
}

void Tfrm_MunkalapBongeszo::showEvent(QShowEvent* event) {
    SonoriaDialog::showEvent(event);
    const int right = static_cast<int>(std::lround(width() * 0.4));
    splitter->setSizes({std::max(0, splitter->width() - right), right});
    sizeColumns();
}

void Tfrm_MunkalapBongeszo::resizeEvent(QResizeEvent* event) {
    SonoriaDialog::resizeEvent(event);
    sizeColumns();
}

void Tfrm_MunkalapBongeszo::sizeColumns() {
    ApplyWidthShares(grid, {0.15, 0.20, 0.15, 0.35, 0.15}, 44, WidthRounding::HalfEven);
    // The number, type, date and price stay readable: what they lack is taken from the complaints,
    // which keep at least their title's width (the grid scrolls beyond that).
    constexpr int Complaints = 3;
    QHeaderView* header = grid->horizontalHeader();
    const QAbstractItemView* view = grid; // the widest cell of the rows shown
    int complaints = grid->columnWidth(Complaints);
    for (int column : {0, 1, 2, 4}) {
        const int needed = std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column));
        const int width = grid->columnWidth(column);
        if (width >= needed) continue;
        grid->setColumnWidth(column, needed);
        complaints -= needed - width;
    }
    grid->setColumnWidth(Complaints, std::max(complaints, header->sectionSizeHint(Complaints)));
}

void Tfrm_MunkalapBongeszo::sortBy(int column) {
    HighlightSortColumn(grid, column);
    m_list->setOrderBy(m_list->model()->columns()[column].field);
}

void Tfrm_MunkalapBongeszo::aNyomtatExecute() {
    switch (AskChoice(0, u"Vizsgálati lelet,Lista"_s, u"Nyomtatás típusa"_s, this)) {
    case 0:
        // With no examination in the list there is no findings sheet to show.
        if (m_list->currentRow() >= 0)
            PrintFindingsSheet(this, m_db, m_list->current(u"munkalap"_s).toInt(), false);
        break;
    case 1:
        PrintPatientExamList(this, m_db, m_patient);
        break;
    default:
        break;
    }
}

void ShowPatientHistory(QWidget* parent, Connection& db, int patient) {
    Tfrm_MunkalapBongeszo window(parent, db, patient);
    window.exec();
}
