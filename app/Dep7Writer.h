#pragma once

#include "AtomicFile.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

// Writes the DEP 7 file, the receipt journal grouped by signature
// certificate, line by line in the Windows ANSI code page, each line ending
// with CR LF.
//
// The indentation is uneven on purpose (5 blanks before a group's "{", 6
// before its keys and its "}", 23 before the receipts and their "]", 19
// before the last "]"): the tools that receive the file have always got it
// so. No other blank is written.
//
// The lines go through AtomicFile: commit() puts the complete file in place
// of the target; without commit() (a failure on the way) a file of the
// target's name stays as it was.
class Dep7Writer
{
public:
    // The Windows file name as built from the folder field; the file
    // system sees it mapped to a local path. Throws IoError when the file
    // cannot be created.
    explicit Dep7Writer(const QString &fileName);
    Dep7Writer(const Dep7Writer &) = delete;
    Dep7Writer &operator=(const Dep7Writer &) = delete;

    void writeFileOpening();
    void writeGroupHeader(const QString &certificate, const QString &authorities);
    void writeReceipt(const QString &receipt, bool moreInGroup);
    void writeGroupClose();
    void writeGroupSeparator();
    void writeFileEnd();

    // Puts the complete file in place. Throws IoError.
    void commit();

    // A field text between double quotes. Double quotes and backslashes are
    // written as they stand: a register that has to name two authorities
    // keeps `CA1","CA2` in its authority column, which so becomes an array
    // of two. Control characters, which can only break the file (a
    // certificate kept as PEM lines with CR LF), get their JSON escapes.
    static QString jsonString(const QString &text);

    // Windows keeps full file names to 259 characters.
    static constexpr int maxFileNameLength = 259;

private:
    void writeLine(int indent, QStringView text);
    static QString checkedLocalPath(const QString &fileName);

    AtomicFile m_file;
    QByteArray m_line;
};
