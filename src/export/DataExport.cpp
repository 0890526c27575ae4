#include "DataExport.h"

#include "core/Errors.h"

#include <QSaveFile>

using namespace Qt::StringLiterals;

void TExportField::AssignFromField(const DataSet& data, int column, const ExportFieldInfo* info) {
    DataField = data.column(column).name;
    Save = info ? info->visible : true;
}

void TExportField::AssignFromGridColumn(const ExportGridColumn& column, const DataSet*) {
    DataField = column.fieldName;
    Save = !column.hidden;
}

TExportField& TExportFields::Add() {
    m_items.push_back(CreateItem());
    return *m_items.back();
}

void TDataExport::CheckExport() const {
    if (!m_data) throw FormatError(u"Nincs megadva adathalmaz, nincs mit exportálni."_s);
    if (m_data->rowCount() == 0)
        throw FormatError(u"Az eredmény üres (nincs egy sora sem), nincs mit exportálni."_s);
}

void TDataExport::SaveToStream(QIODevice& stream) {
    CheckExport();
    m_stream = &stream;
    try {
        BeginExport();
        WriteRecords();
        EndExport();
    } catch (...) {
        AbortExport();
        m_stream = nullptr;
        throw;
    }
    m_stream = nullptr;
}

void TDataExport::SaveToFile(const QString& fileName) {
    CheckExport();
    QSaveFile file(fileName); // written under a temporary name, renamed by commit
    if (!file.open(QIODevice::WriteOnly)) throw FileError(CannotCreateMessage(fileName, file.errorString()));
    SaveToStream(file); // on failure the temporary file is removed with the QSaveFile
    if (!file.commit())
        throw FileError(u"A(z) %1 fájl írása nem sikerült: %2"_s.arg(fileName, file.errorString()));
}

void TDataExport::BeginExport() {
    m_running = true;
    TExportFields& columns = GetColumns();
    m_autoColumns = columns.IsEmpty();
    if (m_autoColumns) {
        for (int c = 0; c < m_data->columnCount(); ++c)
            columns.Add().AssignFromField(*m_data, c, FindFieldInfo(m_fieldInfos, m_data->column(c).name));
    }
    if (OnBeginExport) OnBeginExport(*this);
}

void TDataExport::EndExport() {
    if (m_autoColumns) GetColumns().Clear();
    m_autoColumns = false;
    if (OnEndExport) OnEndExport(*this);
    m_running = false;
}

void TDataExport::WriteRecords() {
    m_writtenRows = 0;
    for (qsizetype row = 0, n = m_data->rowCount(); row < n && m_running; ++row) {
        m_currentRow = row;
        bool cancel = false;
        if (BeforeWriteRecord) BeforeWriteRecord(*this, cancel);
        if (cancel) continue;
        WriteRecord(row);
        ++m_writtenRows;
        if (AfterWriteRecord) AfterWriteRecord(*this);
    }
    m_currentRow = -1;
}

void TDataExport::AbortExport() {
    if (m_autoColumns) GetColumns().Clear();
    m_autoColumns = false;
    m_running = false;
    m_currentRow = -1;
}
