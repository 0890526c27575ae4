#include "Tfrm_Hatarolt.h"

#include "ExportDialogs.h"
#include "core/Errors.h"
#include "export/DataToXLS.h"
#include "export/DelimitedExport.h"
#include "ui/BusyGuard.h"
#include "ui/Conventions.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
QGroupBox* optionGroup(QWidget* parent, const QString& title, const QStringList& options, int checked,
                       QButtonGroup*& group) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < options.size(); ++i) {
        auto* b = new QRadioButton(options[i], box);
        group->addButton(b, i);
        layout->addWidget(b);
        if (i == checked) b->setChecked(true);
    }
    return box;
}
} // namespace

Tfrm_Hatarolt::Tfrm_Hatarolt(QWidget* parent, const DataSet& data, QList<ExportFieldInfo> fields,
                             const QString& fileName)
    : SonoriaDialog(u"frm_Hatarolt"_s, Placement::Position, parent), m_data(data),
      m_fields(std::move(fields)) {
    setWindowTitle(u"Határolt szöveg export"_s);

    lstMezok = new QListWidget(this);
    for (const QString& name : data.columnNames()) {
        auto* item = new QListWidgetItem(name, lstMezok);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    auto* all = new QPushButton(u"összes"_s, this);
    auto* none = new QPushButton(u"egyik sem"_s, this);
    auto tickAll = [this](Qt::CheckState state) {
        for (int i = 0; i < lstMezok->count(); ++i)
            lstMezok->item(i)->setCheckState(state);
    };
    connect(all, &QPushButton::clicked, this, [tickAll] { tickAll(Qt::Checked); });
    connect(none, &QPushButton::clicked, this, [tickAll] { tickAll(Qt::Unchecked); });

    auto* separators =
        optionGroup(this, u"Határoló karakter"_s,
                    {u"Pontosvessző (;)"_s, u"Tabulátor"_s, u"Vessző (,)"_s, u"Cső (|)"_s}, 0, grpHatarolo);
    auto* qualifiers = optionGroup(this, u"Szövegjelölő"_s,
                                   {u"Idézőjel (\")"_s, u"Aposztróf (')"_s, u"Semmi"_s}, 2, grpSzovegjelolo);
    chkTobbsoros = new QCheckBox(u"Többsoros mezőket is kiírja"_s, this);
    chkTobbsoros->setChecked(true);
    chkEredeti = new QCheckBox(u"Eredeti mezőneveket használja"_s, this);
    chkFejlec = new QCheckBox(u"Fejléc nem kell (az első sorban)"_s, this);
    chkMegnyit = new QCheckBox(u"Export után megnyitás"_s, this);

    eFilenev = new QLineEdit(DefaultExportFileName(fileName), this);
    EnterColouring(eFilenev);
    auto* browseButton = new QToolButton(this);
    browseButton->setText(u"…"_s);
    connect(browseButton, &QToolButton::clicked, this, [this] {
        const QString chosen = browse();
        if (!chosen.isEmpty()) eFilenev->setText(chosen);
    });

    btnIndit = new QPushButton(u"Export indítás"_s, this);
    btnIndit->setDefault(true);
    btnMegallit = new QPushButton(u"Megállít"_s, this);
    btnMegallit->setEnabled(false);
    btnBezar = new QPushButton(u"Bezár"_s, this);
    connect(btnIndit, &QPushButton::clicked, this, [this] { RunGuarded([this] { startExport(); }); });
    connect(btnMegallit, &QPushButton::clicked, this, [this] { m_running = false; });
    connect(btnBezar, &QPushButton::clicked, this, &QDialog::reject);
    progress = new QProgressBar(this);
    progress->setValue(0);
    progress->setTextVisible(false);

    auto* right = new QGridLayout;
    right->addWidget(separators, 0, 0);
    right->addWidget(qualifiers, 0, 1);
    auto* checks = new QVBoxLayout;
    for (QCheckBox* c : {chkTobbsoros, chkEredeti, chkFejlec, chkMegnyit})
        checks->addWidget(c);
    right->addLayout(checks, 1, 0, 1, 2);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(u"Filenév"_s, this));
    fileRow->addWidget(eFilenev, 1);
    fileRow->addWidget(browseButton);
    right->addLayout(fileRow, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnIndit);
    buttons->addWidget(btnMegallit);
    buttons->addWidget(btnBezar);
    right->addLayout(buttons, 3, 0, 1, 2);
    right->setRowStretch(4, 1);
    auto* fieldButtons = new QHBoxLayout;
    fieldButtons->addWidget(all);
    fieldButtons->addWidget(none);
    auto* left = new QVBoxLayout;
    left->addWidget(lstMezok, 1);
    left->addLayout(fieldButtons);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(progress);
    resize(620, 380);
}

QString Tfrm_Hatarolt::browse() {
    QFileDialog dialog(this, windowTitle(), eFilenev->text());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"csv"_s);
    dialog.setNameFilters({u"Excel munkalap (*.xls)"_s, u"Excelbarát XML (*.xml)"_s,
                           u"CSV állományok (*.csv)"_s, u"Text állományok (*.txt)"_s,
                           u"Minden állomány (*)"_s});
    dialog.selectFile(eFilenev->text());
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QList<bool> Tfrm_Hatarolt::ticked() const {
    QList<bool> list;
    for (int i = 0; i < lstMezok->count(); ++i)
        list << (lstMezok->item(i)->checkState() == Qt::Checked);
    return list;
}

void Tfrm_Hatarolt::startExport() {
    if (eFilenev->text().isEmpty()) {
        const QString chosen = browse();
        if (chosen.isEmpty()) return;
        eFilenev->setText(chosen);
    }
    const QString file = eFilenev->text();
    switch (ExportKindOf(file)) {
    case ExportKind::Worksheet:
        exportWorksheet(file);
        break;
    case ExportKind::NotSupported:
        ErrorBox(NotSupportedMessage(), this);
        break;
    case ExportKind::Delimited:
        exportDelimited(file);
        break;
    }
    if (chkMegnyit->isChecked() && QFileInfo::exists(file)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
        accept();
    }
}

void Tfrm_Hatarolt::exportDelimited(const QString& file) {
    const QChar separators[] = {u';', u'\t', u',', u'|'};
    const QChar qualifiers[] = {u'"', u'\'', QChar()};
    DelimitedOptions options;
    options.separator = separators[std::max(0, grpHatarolo->checkedId())];
    options.qualifier = qualifiers[std::max(0, grpSzovegjelolo->checkedId())];
    options.header = !chkFejlec->isChecked();
    options.originalNames = chkEredeti->isChecked();
    options.multiLineFields = chkTobbsoros->isChecked();
    options.ticked = ticked();
    options.fields = m_fields;
    btnMegallit->setEnabled(true);
    m_running = true;
    BusyGuard busy(this, {btnMegallit});
    progress->setMaximum(static_cast<int>(std::max<qsizetype>(1, m_data.rowCount())));
    try {
        ExportDelimited(m_data, file, options, [this](qsizetype done, qsizetype) {
            BusyGuard::pump(); // the window repaints and "Megállít" can act
            progress->setValue(static_cast<int>(done));
            return m_running;
        });
        progress->setValue(0);
        InfoBox(file + u" file kész."_s, this);
    } catch (const SonoriaError& e) {
        ErrorBox(u"Hiba: "_s + e.message(), this);
    }
    m_running = false;
    btnMegallit->setEnabled(false);
    progress->setValue(0);
}

void Tfrm_Hatarolt::exportWorksheet(const QString& file) {
    TDataToXLS xls;
    xls.SetDataSet(&m_data);
    xls.SetFieldInfos(m_fields);
    const QList<bool> fields = ticked();
    xls.OnBeginExport = [&fields](TDataExport& sender) {
        TExportFields& columns = sender.GetColumns();
        for (int i = 0; i < columns.Count() && i < fields.size(); ++i)
            if (!fields[i]) columns.Item(i).Save = false;
    };
    progress->setMaximum(static_cast<int>(std::max<qsizetype>(1, m_data.rowCount())));
    xls.AfterWriteRecord = [this](TDataExport&) { progress->setValue(progress->value() + 1); };
    // Errors of the worksheet reach the general error report; no file is left half-written.
    struct ResetProgress {
        QProgressBar* bar;
        ~ResetProgress() { bar->setValue(0); }
    } reset{progress};
    xls.SaveToFile(file);
}

QList<ExportFieldInfo> FieldInfosOf(const ResultSetModel& model) {
    QList<ExportFieldInfo> infos;
    for (const GridColumn& c : model.columns())
        infos << ExportFieldInfo{c.field, c.title, true, {}};
    return infos;
}

void ExportDataSet(QWidget* parent, const DataSet& data, const QString& fileName,
                   const QList<ExportFieldInfo>& fields) {
    Tfrm_Hatarolt dialog(parent, data, fields, fileName);
    dialog.exec();
}

void ExportDataSet(QWidget* parent, const ResultSetModel& model, const QString& fileName) {
    ExportDataSet(parent, model.result(), fileName, FieldInfosOf(model));
}
