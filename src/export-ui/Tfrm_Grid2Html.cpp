#include "Tfrm_Grid2Html.h"

#include "ExportDialogs.h"
#include "core/Config.h"
#include "export/MailMessage.h"
#include "ui/BusyGuard.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

Tfrm_Grid2Html::Tfrm_Grid2Html(QWidget* parent, HtmlPageRequest request)
    : SonoriaDialog(u"frm_Grid2Html"_s, Placement::Position, parent), m_request(std::move(request)) {
    setWindowTitle(u"HTML export"_s);
    eMentes = new QLineEdit(
        ProposedHtmlFileName(Beall.htmlUt.isEmpty() ? ConfigDirectory() : Beall.htmlUt, m_request.title),
        this);
    eMentes->setMinimumWidth(380);
    EnterColouring(eMentes);
    auto* browse = new QToolButton(this);
    browse->setText(u"…"_s);
    connect(browse, &QToolButton::clicked, this, [this] {
        QFileDialog dialog(this, windowTitle(), eMentes->text());
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(u"HTML dokumentum (*.htm *.html)"_s);
        dialog.setDefaultSuffix(u"htm"_s);
        dialog.selectFile(eMentes->text());
        if (dialog.exec() == QDialog::Accepted) eMentes->setText(dialog.selectedFiles().value(0));
    });
    chkMegnyit = new QCheckBox(u"Mentés után megnyitás"_s, this);
    chkMegnyit->setChecked(true);
    btnOK = new QPushButton(u"OK"_s, this);
    btnOK->setDefault(true);
    btnMegsem = new QPushButton(u"Mégsem"_s, this);
    btnEmail = new QPushButton(u"E-Mail"_s, this);
    connect(btnOK, &QPushButton::clicked, this, &Tfrm_Grid2Html::accept);
    connect(btnMegsem, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnEmail, &QPushButton::clicked, this, [this] { RunGuarded([this] { email(); }); });
    progress = new QProgressBar(this);
    progress->setTextVisible(false);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(eMentes, 1);
    pathRow->addWidget(browse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkMegnyit);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnMegsem);
    buttons->addWidget(btnEmail);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(u"Mentés helye"_s, this));
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
    layout->addWidget(progress);
    setFixedSize(sizeHint());
}

void Tfrm_Grid2Html::writePage() {
    const qsizetype rows = m_request.grid.data ? m_request.grid.data->rowCount() : 0;
    progress->setMaximum(static_cast<int>(std::max<qsizetype>(1, rows)));
    progress->setValue(0);
    struct ResetProgress {
        QProgressBar* bar;
        ~ResetProgress() { bar->setValue(0); }
    } reset{progress};
    BusyGuard busy(this);
    WriteHtmlPage(m_request, eMentes->text(), [this](qsizetype done, qsizetype) {
        progress->setValue(static_cast<int>(done));
        BusyGuard::pump();
        return true;
    });
    if (chkMegnyit->isChecked())
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(eMentes->text()).absoluteFilePath()));
}

void Tfrm_Grid2Html::email() {
    chkMegnyit->setChecked(false); // the page goes to the mail client, not to the browser
    writePage();
    SendMailMessage(u"Html küldés"_s, u"Html küldés"_s, QFileInfo(eMentes->text()).absoluteFilePath());
}

void Tfrm_Grid2Html::accept() {
    if (!RunGuarded([this] { writePage(); })) return; // the dialog stays open after a failed write
    Beall.htmlUt = QFileInfo(eMentes->text()).absolutePath() + QDir::separator();
    SonoriaDialog::accept();
}

void ExportGridToHtml(QWidget* parent, QTableView* grid, const QString& title, const QString& subtitle,
                      const QString& totalFields, const QString& groupField) {
    auto* model = qobject_cast<ResultSetModel*>(grid->model());
    if (!model) return;
    HtmlPageRequest request;
    request.title = title;
    request.subtitle = subtitle;
    request.totalFields = totalFields;
    request.groupField = groupField;
    request.grid.data = &model->result();
    request.grid.width = grid->width();
    for (int c = 0; c < model->columnCount(); ++c) {
        const GridColumn& gc = model->columns()[c];
        ExportGridColumn column;
        column.title = gc.title;
        column.width = grid->columnWidth(c);
        column.fieldName = model->fieldIndex(c) >= 0 ? gc.field : QString();
        column.hidden = grid->isColumnHidden(c);
        if (gc.alignment & Qt::AlignRight)
            column.alignment = TAlignment::taRightJustify;
        else if (gc.alignment & Qt::AlignHCenter)
            column.alignment = TAlignment::taCenter;
        else if (gc.alignment & Qt::AlignLeft)
            column.alignment = TAlignment::taLeftJustify;
        column.displayFormat = gc.format;
        column.displayText = [model, c](qsizetype row) {
            return model->displayText(static_cast<int>(row), c);
        };
        request.grid.columns << column;
    }
    Tfrm_Grid2Html dialog(parent, request);
    dialog.exec();
}
