#pragma once

#include "BiffFile.h"
#include "DataExport.h"

#include <memory>

// The cell type for a field's type: whole numbers (not 64-bit) and auto-increment keys INTEGER,
// floating-point and decimal numbers NUMBER, BIT(1) BOOLERR, everything else LABEL.
TCellType FieldTypeToCellType(const Column& column);

// One worksheet column.
class TxlColumn : public TExportField {
public:
    QString Title; // header text
    TAlignment Alignment = TAlignment::taLeftJustify;
    int ColWidth = 0; // 1/256 of a character width; 0: not written
    TCellType DataType = ctLabel;
    void AssignFromField(const DataSet& data, int column, const ExportFieldInfo* info) override;
    void AssignFromGridColumn(const ExportGridColumn& column, const DataSet* data) override;
};

class TxlColumns : public TExportFields {
public:
    TxlColumn& operator[](int index) { return static_cast<TxlColumn&>(Item(index)); }
    const TxlColumn& operator[](int index) const { return static_cast<const TxlColumn&>(Item(index)); }
    TxlColumn& AddColumn() { return static_cast<TxlColumn&>(Add()); }

protected:
    std::unique_ptr<TExportField> CreateItem() const override { return std::make_unique<TxlColumn>(); }
};

class TxlBand {
public:
    virtual ~TxlBand() = default;
    TxlFont Font;
    int RowHeight = 0; // kept for the screens, not written to the file
};
class TxlTitle : public TxlBand {
public:
    QString Text;
};
class TxlHeader : public TxlBand {};
class TxlDetail : public TxlBand {};

// A data set as a BIFF2 worksheet: the fonts of the detail, title and header bands, the optional
// title and note, a header row of the column titles, one row of cells per data row.
// A worksheet holds at most 65 536 rows (title and header included) and 256 columns; a larger
// export is refused before anything is written, as is an empty data set.
class TDataToXLS : public TDataExport {
public:
    TDataToXLS();
    ~TDataToXLS() override;

    TxlColumns Columns;
    TxlTitle Title;
    TxlHeader Header;
    TxlDetail Detail;
    QString Comment;

    TExportFields& GetColumns() override { return Columns; }
    int CurrentSheetRow() const { return m_row; }

    // A BIFF2 sheet holds 16 384 rows, the header included; readers refuse a larger one.
    static constexpr qsizetype MaxSheetRows = 16384;
    static constexpr int MaxSheetColumns = 256;

protected:
    void CheckExport() const override;
    void BeginExport() override;
    void EndExport() override;
    void WriteRecord(qsizetype row) override;
    void AbortExport() override;

private:
    struct Output {
        int dataColumn; // index in the data set
        TCellType type;
        TCellAttributes attributes;
    };
    std::unique_ptr<TBiffFile> m_biff;
    std::vector<Output> m_outputs;
    int m_row = 0;
};
