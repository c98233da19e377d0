#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The text of an INI file, read and changed the way the platform's profile
// functions do: sections and names compare without case; a value is read
// without the blanks around it and without one pair of enclosing quotes
// ("..." or '...'); lines that are not understood are kept as they are.
class IniFile
{
public:
    // Never throws: a missing or unreadable file gives an empty text.
    static IniFile load(const QString &path);
    // Replaces the file atomically; throws IoError when it cannot be written.
    void save(const QString &path) const;

    static IniFile fromText(const QString &text);
    QString toText() const;

    std::optional<QString> value(const QString &section, const QString &name) const;
    // Writes the text as it stands; a new section goes to the end.
    void setValue(const QString &section, const QString &name, const QString &text);
    void eraseSection(const QString &section);

    bool operator==(const IniFile &) const = default;

private:
    // Index of the section's header line, or -1.
    qsizetype headerLine(const QString &section) const;
    // One past the section's last line.
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype valueLine(qsizetype header, const QString &name) const;

    QStringList m_lines;
};
