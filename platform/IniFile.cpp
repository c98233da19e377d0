#include "IniFile.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

std::optional<QString> sectionName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'[') || !trimmed.contains(u']'))
        return std::nullopt;
    return trimmed.mid(1, trimmed.indexOf(u']') - 1).trimmed();
}

QString valueName(const QString &line)
{
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? QString() : line.left(equals).trimmed();
}

QString unquoted(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.front() == text.back() && (text.front() == u'"' || text.front() == u'\''))
        return text.mid(1, text.size() - 2);
    return text;
}

} // namespace

IniFile IniFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return fromText(QString::fromUtf8(file.readAll()));
}

void IniFile::save(const QString &path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    AtomicFile file(path, path);
    file.write(toText().toUtf8());
    file.commit();
}

IniFile IniFile::fromText(const QString &text)
{
    IniFile ini;
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ini.m_lines = normalized.split(u'\n');
    while (!ini.m_lines.isEmpty() && ini.m_lines.last().isEmpty())
        ini.m_lines.removeLast();
    return ini;
}

QString IniFile::toText() const
{
    QString text;
    for (const QString &line : m_lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

qsizetype IniFile::headerLine(const QString &section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines.at(i));
        if (name && name->compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const
{
    qsizetype end = header + 1;
    while (end < m_lines.size() && !sectionName(m_lines.at(end)))
        ++end;
    return end;
}

qsizetype IniFile::valueLine(qsizetype header, const QString &name) const
{
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const QString &line = m_lines.at(i);
        if (line.trimmed().startsWith(u';'))
            continue;
        if (line.contains(u'=') && valueName(line).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

std::optional<QString> IniFile::value(const QString &section, const QString &name) const
{
    const qsizetype header = headerLine(section);
    const qsizetype line = header < 0 ? -1 : valueLine(header, name);
    if (line < 0)
        return std::nullopt;
    const QString &text = m_lines.at(line);
    return unquoted(text.mid(text.indexOf(u'=') + 1));
}

void IniFile::setValue(const QString &section, const QString &name, const QString &text)
{
    const QString entry = name + u'=' + text;
    qsizetype header = headerLine(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + section + u']');
        m_lines.append(entry);
        return;
    }
    const qsizetype line = valueLine(header, name);
    if (line >= 0) {
        m_lines[line] = entry;
        return;
    }
    // After the section's last non-blank line.
    qsizetype insertAt = sectionEnd(header);
    while (insertAt > header + 1 && m_lines.at(insertAt - 1).trimmed().isEmpty())
        --insertAt;
    m_lines.insert(insertAt, entry);
}

void IniFile::eraseSection(const QString &section)
{
    const qsizetype header = headerLine(section);
    if (header >= 0)
        m_lines.remove(header, sectionEnd(header) - header);
}
