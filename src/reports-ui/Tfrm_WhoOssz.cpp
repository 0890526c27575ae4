#include "Tfrm_WhoOssz.h"

#include "ReportRoutines.h"
#include "core/Config.h"
#include "core/Dates.h"
#include "export-ui/ExportDialogs.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
const QStringList WhoQuery{
    u"SELECT"_s,      u" who,"_s,       u" tetel_nev,"_s,     u" COUNT(*) db,"_s,
    u" SUM(ar) ar"_s, u"FROM vw_who"_s, u"WHERE who <> ''"_s, u"GROUP BY who, tetel_nev"_s,
    u"ORDER BY 1;"_s};
}

Tfrm_WhoOssz::Tfrm_WhoOssz(QWidget* parent, Connection& db, QDate from, QDate to)
    : SonoriaDialog(u"frm_WhoOssz"_s, Placement::Bounds, parent) {
    setWindowTitle(u"Vizsgálatok"_s);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(640, 460);

    title = new QLabel(u"Összesítés: "_s + PeriodText(from, to) + u"  "_s, this);
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setFrameShape(QFrame::StyledPanel);
    title->setMinimumHeight(28);

    aExcelbe = new QAction(u"Excelbe..."_s, this);
    aExcelbe->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    aBezar = new QAction(u"Bezár"_s, this);
    aBezar->setShortcut(Qt::Key_Escape);
    for (QAction* a : {aExcelbe, aBezar}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({aExcelbe, aBezar});

    grid = new QTableView(this);
    SetUpBrowseGrid(grid);
    grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid->addActions({aExcelbe, aBezar});
    m_list = new BrowseList(db, grid, WhoQuery, this);
    m_list->model()->setColumns({{u"who"_s, u"WHO"_s, {}, {}},
                                 {u"tetel_nev"_s, u"Tétel"_s, {}, {}},
                                 {u"db"_s, u"Darab"_s, Beall.formatDb, {}},
                                 {u"ar"_s, u"Ár"_s, Beall.formatFt, {}}});
    m_list->query().replaceWhere(u"(datum BETWEEN "_s + SqlDate(from) + u" AND "_s + SqlDate(to) + u')');
    m_list->open();

    status = new QStatusBar(this);
    auto* position = new QLabel(status);
    position->setAlignment(Qt::AlignCenter);
    position->setMinimumWidth(77);
    status->addWidget(position);
    auto showPosition = [this, position] { position->setText(m_list->positionText()); };
    connect(m_list, &BrowseList::currentRowChanged, this, showPosition);
    showPosition();

    connect(aExcelbe, &QAction::triggered, this,
            [this] { RunGuarded([this] { ExportDataSet(this, *m_list->model(), {}); }); });
    connect(aBezar, &QAction::triggered, this, &QDialog::reject);
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { RunGuarded([&] { sortBy(column); }); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(bar);
    layout->addWidget(grid, 1);
    layout->addWidget(status);
}

void Tfrm_WhoOssz::sortBy(int column) {
    HighlightSortColumn(grid, column);
    m_list->setOrderBy(m_list->model()->columns()[column].field); // the period condition stays
}

void Tfrm_WhoOssz::resizeEvent(QResizeEvent* event) {
    SonoriaDialog::resizeEvent(event);
    ApplyWidthShares(grid, {0.2, 0.4, 0.2, 0.2}, 44, WidthRounding::HalfEven);
}

void ShowWhoSummary(QWidget* parent, Connection& db, QDate from, QDate to) {
    Tfrm_WhoOssz window(parent, db, from, to);
    window.exec();
}
