#pragma once

#include "CharacterSets.h"
#include "ExportFile.h"
#include "TExportBaseComponent.h"
#include "TFont.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// How records and columns are arranged in the file. The text writer writes
// every layout as columnar: one row per record.
enum TExportLayout { elColumnar, elReversedColumnar, elTabularForm };

// An export into files of rows and cells: the file or files, header lines,
// title row, one row per record and footer lines. Derived writers decide
// how a cell and a row end are written.
class TExportToCellFile : public TExportBaseComponent
{
public:
    TExportToCellFile();

    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    bool addTitle() const { return m_addTitle; }
    void setAddTitle(bool addTitle) { m_addTitle = addTitle; }
    TCharacterSet characterSet() const { return m_characterSet; }
    void setCharacterSet(TCharacterSet set) { m_characterSet = set; }
    QStringList &header() { return m_header; }
    QStringList &footer() { return m_footer; }
    // Records per file; 0 puts all records into one file.
    int rowsPerFile() const { return m_rowsPerFile; }
    void setRowsPerFile(int rows) { m_rowsPerFile = rows; }
    TExportLayout layout() const { return m_layout; }
    void setLayout(TExportLayout layout) { m_layout = layout; }

    // The name of file `number` (0 for the first) when RowsPerFile splits the
    // export: the number in three digits before the extension.
    static QString numberedFileName(const QString &fileName, int number);

    // May change each cell before it is written: its type, colour,
    // alignment, font and text. `field` is nullptr for cells without one.
    std::function<void(TExportToCellFile &sender, db::TField *field, TCellType &cellType, TColor &color,
                       db::Alignment &alignment, TFont &font, QString &text)>
        onGetCellParams;
    // May change the name of each file (number 0 is the first).
    std::function<void(TExportToCellFile &sender, int number, QString &fileName)> onGetFileName;

protected:
    enum class CellRole { Header, Band, Title, BlankRow, Data, Footer };

    struct CellPlace
    {
        CellRole role;
        // The visible-column position, from 0.
        int position;
        bool lastColumn;
        db::TField *field;
        TCellType cellType;
    };

    // Appends one cell to the current row.
    virtual void writeCell(const QString &text, const CellPlace &place) = 0;
    // Appends the end of a row.
    virtual void writeRowEnd() = 0;
    // Appends what closes a file, after the footer lines.
    virtual void writeFileEnd() {}

    void exportData() override;
    QString targetName() const override { return m_fileName; }
    void prepareTarget() override;
    qint64 dataRowNumber() const override;

    // Separators belong between the cells of the title and record rows.
    bool inDataPhase() const { return m_dataPhase; }
    int columnWidth(int position) const;
    // Windows-1252 bytes of `text` into the current row.
    void appendText(QStringView text);
    void appendByte(char byte) { m_row.append(byte); }
    // A byte written after the row conversion, as it stands.
    void writeRawByte(char byte);

private:
    void openFile(int number);
    void closeFile();
    void writeLines(const QStringList &lines, CellRole role);
    void writeBandRow();
    void writeTitle();
    void writeRecord();
    void endRow();
    void putCell(QString &text, CellPlace place, TColor color, db::Alignment alignment, const TFont &font);
    int titleRowCount() const;

    QString m_fileName;
    bool m_addTitle = false;
    TCharacterSet m_characterSet = csANSI_WINDOWS;
    QStringList m_header;
    QStringList m_footer;
    int m_rowsPerFile = 0;
    TExportLayout m_layout = elColumnar;

    // Run state.
    std::unique_ptr<ExportFile> m_file;
    QByteArray m_row;
    bool m_dataPhase = false;
    int m_rowsSinceFlush = 0;
    std::vector<int> m_widths;
    ExportCell m_cell;
    TFont m_cellFont;
};
