#include "TExportToCellFile.h"

#include "CodePage.h"
#include "TCustomDataEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QScopeGuard>

namespace {

// Rows between two flushes of the file to the operating system.
constexpr int rowsPerFlush = 1025;

// Where the extension of a file name starts (at its "."), or -1. Only the
// last path element counts; "\" and "/" both separate.
qsizetype extensionStart(const QString &fileName)
{
    for (qsizetype i = fileName.size() - 1; i >= 0; --i) {
        const QChar c = fileName.at(i);
        if (c == u'.')
            return i;
        if (c == u'\\' || c == u'/' || c == u':')
            break;
    }
    return -1;
}

QString defaultFileName()
{
    const QString folder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return folder.isEmpty() ? QStringLiteral("Export.TXT") : QDir::toNativeSeparators(folder + QStringLiteral("/Export.TXT"));
}

} // namespace

TExportToCellFile::TExportToCellFile()
    : m_fileName(defaultFileName())
{
}

QString TExportToCellFile::numberedFileName(const QString &fileName, int number)
{
    if (number == 0)
        return fileName;
    const QString digits = QString::number(number).rightJustified(3, u'0');
    const qsizetype dot = extensionStart(fileName);
    if (dot < 0)
        return fileName + digits;
    return fileName.left(dot) + digits + fileName.mid(dot);
}

void TExportToCellFile::prepareTarget()
{
    if (extensionStart(m_fileName) < 0)
        m_fileName += QStringLiteral(".TXT");
}

int TExportToCellFile::titleRowCount() const
{
    if (!m_addTitle)
        return 0;
    int rows = 1;
    if (options().contains(soBlankRowAfterCaptions))
        ++rows;
    if (options().contains(soExportBands) && !bands().isEmpty())
        ++rows;
    return rows;
}

qint64 TExportToCellFile::dataRowNumber() const
{
    qint64 row = statistic().currentRow - m_header.size() + 1;
    if (m_addTitle)
        --row;
    if (m_addTitle && options().contains(soBlankRowAfterCaptions))
        --row;
    return row;
}

int TExportToCellFile::columnWidth(int position) const
{
    if (position < 0 || position >= static_cast<int>(m_widths.size()))
        return 0;
    return m_widths[std::size_t(position)];
}

void TExportToCellFile::exportData()
{
    if (recordCount() == 0 && !exportIfEmpty())
        return;
    statistic().totalCount = m_header.size() + titleRowCount() + recordCount() + m_footer.size();
    m_widths.clear();
    for (int i = 0; i < visibleCount(); ++i)
        m_widths.push_back(visibleColumn(i).width);

    // A file that is not complete when a failure passes is thrown away.
    auto discard = qScopeGuard([this] {
        m_file.reset();
        m_row.clear();
        m_dataPhase = false;
    });
    int number = 0;
    openFile(number);
    walkRecords([&](qint64 accepted) {
        if (m_rowsPerFile > 0 && accepted > 0 && accepted % m_rowsPerFile == 0) {
            closeFile();
            openFile(++number);
        }
        writeRecord();
    });
    closeFile();
}

void TExportToCellFile::openFile(int number)
{
    QString name = numberedFileName(m_fileName, number);
    if (onGetFileName)
        onGetFileName(*this, number, name);
    m_file = std::make_unique<ExportFile>(name, options().contains(soMergeData));
    m_row.resize(0);
    m_row.reserve(4096);
    statistic().currentRow = 0;
    m_rowsSinceFlush = 0;
    m_dataPhase = false;
    writeLines(m_header, CellRole::Header);
    m_dataPhase = true;
    writeTitle();
}

void TExportToCellFile::closeFile()
{
    m_dataPhase = false;
    writeLines(m_footer, CellRole::Footer);
    writeFileEnd();
    m_file->commit();
    m_file.reset();
}

void TExportToCellFile::putCell(QString &text, CellPlace place, TColor color, db::Alignment alignment, const TFont &font)
{
    if (onGetCellParams) {
        m_cellFont = font;
        onGetCellParams(*this, place.field, place.cellType, color, alignment, m_cellFont, text);
    }
    writeCell(text, place);
}

void TExportToCellFile::writeLines(const QStringList &lines, CellRole role)
{
    for (const QString &line : lines) {
        QString text = line;
        putCell(text, {role, 0, true, nullptr, ctString}, clWhite, db::taLeftJustify, TFont());
        endRow();
    }
}

void TExportToCellFile::writeBandRow()
{
    const int count = visibleCount();
    int previousBand = -1;
    for (int p = 0; p < count; ++p) {
        const TExportColumn &column = visibleColumn(p);
        const int band = column.bandIndex;
        const bool known = band >= 0 && band < bands().count();
        QString text;
        TColor color = clSilver;
        db::Alignment alignment = db::taCenter;
        TFont font;
        // The band's caption goes over the first column of its run.
        if (known && band != previousBand && bands().at(band).visible) {
            const TExportColumnBand &b = bands().at(band);
            text = b.caption;
            color = b.color;
            alignment = b.alignment;
            font = b.font;
        }
        previousBand = known ? band : -1;
        putCell(text, {CellRole::Band, p, p == count - 1, nullptr, ctString}, color, alignment, font);
    }
    endRow();
}

void TExportToCellFile::writeTitle()
{
    if (!m_addTitle)
        return;
    if (options().contains(soExportBands) && !bands().isEmpty())
        writeBandRow();
    const int count = visibleCount();
    const bool fieldNames = options().contains(soUseFieldNameAsCaption);
    for (int p = 0; p < count; ++p) {
        const TExportColumn &column = visibleColumn(p);
        QString text = fieldNames ? column.fieldName : column.title.caption;
        putCell(text, {CellRole::Title, p, p == count - 1, nullptr, ctString}, column.title.color,
                column.title.alignment, column.title.font);
    }
    endRow();
    if (options().contains(soBlankRowAfterCaptions)) {
        for (int p = 0; p < count; ++p) {
            QString text;
            putCell(text, {CellRole::BlankRow, p, p == count - 1, nullptr, ctString}, clWhite, db::taLeftJustify,
                    TFont());
        }
        endRow();
    }
}

void TExportToCellFile::writeRecord()
{
    const int count = visibleCount();
    for (int p = 0; p < count; ++p) {
        readCell(p, m_cell);
        const TExportColumn &column = visibleColumn(p);
        if (onGetCellParams) {
            putCell(m_cell.text, {CellRole::Data, p, p == count - 1, m_cell.field, m_cell.cellType}, column.color,
                    column.alignment, column.font);
        } else {
            writeCell(m_cell.text, {CellRole::Data, p, p == count - 1, m_cell.field, m_cell.cellType});
        }
    }
    endRow();
}

void TExportToCellFile::endRow()
{
    writeRowEnd();
    CharacterSets::convert(m_row, 0, m_characterSet);
    m_file->write(m_row);
    m_row.resize(0);
    ++statistic().currentRow;
    if (++m_rowsSinceFlush >= rowsPerFlush) {
        m_file->flush();
        m_rowsSinceFlush = 0;
    }
}

void TExportToCellFile::appendText(QStringView text)
{
    CodePage::appendAnsi(m_row, text);
}

void TExportToCellFile::writeRawByte(char byte)
{
    m_file->write(byte);
}
