#include "DataToXLS.h"

#include "core/Codec.h"
#include "core/Errors.h"

#include <mysql.h>

using namespace Qt::StringLiterals;

TCellType FieldTypeToCellType(const Column& column) {
    if (column.autoIncrement()) return ctInteger;
    switch (column.type) {
    case ColumnType::Integer:
        return ctInteger;
    case ColumnType::Double:
    case ColumnType::Decimal:
        return ctDouble;
    case ColumnType::Other:
        return column.serverType == MYSQL_TYPE_BIT && column.length == 1 ? ctBoolean : ctLabel;
    default:
        return ctLabel;
    }
}

void TxlColumn::AssignFromField(const DataSet& data, int column, const ExportFieldInfo* info) {
    TExportField::AssignFromField(data, column, info);
    const Column& c = data.column(column);
    Title = FieldLabel(c, info);
    Alignment = FieldAlignment(c, info);
    ColWidth = 0;
    DataType = FieldTypeToCellType(c);
}

void TxlColumn::AssignFromGridColumn(const ExportGridColumn& column, const DataSet* data) {
    TExportField::AssignFromGridColumn(column, data);
    Title = column.title;
    const int index = data && !column.fieldName.isEmpty() ? data->columnIndex(column.fieldName) : -1;
    Alignment = column.alignment ? *column.alignment
                : index >= 0     ? DefaultAlignment(data->column(index).type)
                                 : TAlignment::taLeftJustify;
    ColWidth = column.width * 37;
    DataType = index >= 0 ? FieldTypeToCellType(data->column(index)) : ctLabel;
}

TDataToXLS::TDataToXLS() {
    Title.Font.bold = true;
    Header.Font.bold = true;
}

TDataToXLS::~TDataToXLS() = default;

void TDataToXLS::CheckExport() const {
    TDataExport::CheckExport();
    const qsizetype headerRows = Title.Text.isEmpty() ? 1 : 2;
    const qsizetype rows = GetDataSet()->rowCount();
    if (rows + headerRows > MaxSheetRows)
        throw FormatError(
            u"Az eredmény %1 sorból áll, a munkalapra (Excel 2.x formátum) a fejléc mellett "
            u"legfeljebb %2 sor fér. Szűkítse a lekérdezést, vagy exportáljon határolt szövegbe."_s.arg(rows)
                .arg(MaxSheetRows - headerRows));
}

static TCellAttributes alignmentAttributes(TAlignment a) {
    switch (a) {
    case TAlignment::taRightJustify:
        return {caRight};
    case TAlignment::taCenter:
        return {caCenter};
    default:
        return {caLeft};
    }
}

void TDataToXLS::BeginExport() {
    TDataExport::BeginExport();
    // The columns to write, as the events left them: fields looked up once, not per cell.
    m_outputs.clear();
    for (int i = 0; i < Columns.Count(); ++i) {
        const TxlColumn& c = Columns[i];
        if (!c.Save) continue;
        const int index = Rows().columnIndex(c.DataField);
        if (index < 0)
            throw FormatError(u"A(z) „%1” mező nem szerepel az exportált adatok között."_s.arg(c.DataField));
        m_outputs.push_back({index, c.DataType, alignmentAttributes(c.Alignment)});
    }
    if (m_outputs.size() > MaxSheetColumns)
        throw FormatError(
            u"A munkalapra legfeljebb %1 oszlop fér, az export %2 oszlopot írna."_s.arg(MaxSheetColumns)
                .arg(m_outputs.size()));

    m_biff = std::make_unique<TBiffFile>(*Stream());
    m_row = 0;
    m_biff->WriteFont(Detail.Font);
    m_biff->WriteFont(Title.Font);
    m_biff->WriteFont(Header.Font);
    m_biff->WriteDimensions();
    if (!Title.Text.isEmpty()) {
        m_biff->WriteLabel(0, 0, {caFont2}, Title.Text);
        ++m_row;
    }
    if (!Comment.isEmpty()) m_biff->WriteNote(0, 0, Comment);
    quint16 out = 0;
    for (int i = 0; i < Columns.Count(); ++i) {
        const TxlColumn& c = Columns[i];
        if (!c.Save) continue;
        if (c.ColWidth > 0)
            m_biff->WriteColWidth(static_cast<quint8>(out), static_cast<quint16>(qMin(c.ColWidth, 0xFFFF)));
        m_biff->WriteLabel(static_cast<quint16>(m_row), out, {caFont3}, c.Title);
        ++out;
    }
    ++m_row;
}

void TDataToXLS::WriteRecord(qsizetype row) {
    const DataSet& data = Rows();
    const quint16 sheetRow = static_cast<quint16>(m_row);
    quint16 out = 0;
    for (const Output& o : m_outputs) {
        try {
            m_biff->WriteCell(sheetRow, out++, o.attributes, o.type, data.value(row, o.dataColumn));
        } catch (const EncodingError& e) {
            // Name the place of the character, so the user can find and mend it.
            throw FormatError(
                u"A(z) %1. sor „%2” mezőjében: "_s.arg(row + 1).arg(data.column(o.dataColumn).name) +
                e.message());
        }
    }
    ++m_row;
}

void TDataToXLS::EndExport() {
    m_biff->Close();
    m_biff.reset();
    m_outputs.clear();
    TDataExport::EndExport();
}

void TDataToXLS::AbortExport() {
    m_biff.reset(); // without EOF: the stream is not touched again
    m_outputs.clear();
    TDataExport::AbortExport();
}
