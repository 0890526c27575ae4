#pragma once

#include "ExportCommon.h"
#include "GridDescription.h"

#include <QIODevice>

#include <functional>
#include <memory>
#include <vector>

// One column of an export: the field it takes its values from and whether it is written.
class TExportField {
public:
    virtual ~TExportField() = default;
    QString DataField;
    bool Save = true;
    // From a field of the data set: its name, Save = its visibility.
    virtual void AssignFromField(const DataSet& data, int column, const ExportFieldInfo* info);
    // From a grid column: its field's name, Save = the column's visibility.
    virtual void AssignFromGridColumn(const ExportGridColumn& column, const DataSet* data);
};

// The columns of an export, owned by the exporter.
class TExportFields {
public:
    virtual ~TExportFields() = default;
    int Count() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    TExportField& Item(int index) { return *m_items[static_cast<size_t>(index)]; }
    const TExportField& Item(int index) const { return *m_items[static_cast<size_t>(index)]; }
    TExportField& Add();
    void Clear() { m_items.clear(); }

protected:
    virtual std::unique_ptr<TExportField> CreateItem() const { return std::make_unique<TExportField>(); }

private:
    std::vector<std::unique_ptr<TExportField>> m_items;
};

// The frame of an export of a data set into a stream: columns (built from the fields when none are
// given), events around the export and around each row, a running flag that Stop clears.
// The data set is not owned; who destroys it first hands the exporter a nullptr.
class TDataExport {
public:
    virtual ~TDataExport() = default;

    void SetDataSet(const DataSet* data) { m_data = data; }
    const DataSet* GetDataSet() const { return m_data; }
    // How the calling screen shows the fields (labels, visibility, alignment) for automatic columns.
    void SetFieldInfos(QList<ExportFieldInfo> infos) { m_fieldInfos = std::move(infos); }

    std::function<void(TDataExport& sender)> OnBeginExport;
    std::function<void(TDataExport& sender)> OnEndExport;
    std::function<void(TDataExport& sender, bool& cancel)> BeforeWriteRecord;
    std::function<void(TDataExport& sender)> AfterWriteRecord;

    // One export into the stream. Throws (FileError, FormatError, EncodingError) without writing
    // anything more once a step fails.
    void SaveToStream(QIODevice& stream);
    // One export into the file, replacing it. The refusals of CheckExport come before the file is
    // touched; a failure later leaves the file as it was (or absent): nothing half-written stays.
    void SaveToFile(const QString& fileName);

    bool Running() const { return m_running; }
    void Stop() { m_running = false; }
    qsizetype WrittenRows() const { return m_writtenRows; }
    qsizetype CurrentRow() const { return m_currentRow; } // the data set's row being written

    virtual TExportFields& GetColumns() = 0;

protected:
    // Refuses an export that cannot give a sound file, with a message fit to show.
    virtual void CheckExport() const;
    virtual void BeginExport();
    virtual void EndExport();
    virtual void WriteRecords();
    virtual void WriteRecord(qsizetype row) = 0;
    // After a failure: forget what the failed export held (no more writes to the stream).
    virtual void AbortExport();

    QIODevice* Stream() const { return m_stream; }
    const DataSet& Rows() const { return *m_data; }

private:
    const DataSet* m_data = nullptr;
    QList<ExportFieldInfo> m_fieldInfos;
    QIODevice* m_stream = nullptr;
    bool m_running = false;
    bool m_autoColumns = false;
    qsizetype m_writtenRows = 0;
    qsizetype m_currentRow = -1;
};
