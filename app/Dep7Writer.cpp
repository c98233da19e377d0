#include "Dep7Writer.h"

#include "CodePage.h"
#include "Error.h"
#include "WindowsPath.h"

namespace {

bool hasControlCharacters(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20)
            return true;
    }
    return false;
}

// Control characters as JSON escapes; everything else as it stands.
QString controlCharactersEscaped(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\b':
            out += QStringLiteral("\\b");
            break;
        case u'\f':
            out += QStringLiteral("\\f");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

} // namespace

Dep7Writer::Dep7Writer(const QString &fileName) : m_fileName(fileName)
{
    if (fileName.size() > maxFileNameLength)
        throw IoError(QStringLiteral("Der Dateiname %1 ist länger als %2 Zeichen").arg(fileName).arg(maxFileNameLength));
    m_file.setFileName(WindowsPath::toLocal(fileName));
    if (!m_file.open(QIODevice::WriteOnly))
        throw IoError(QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2").arg(fileName, m_file.errorString()));
}

QString Dep7Writer::jsonString(const QString &text)
{
    return u'"' + (hasControlCharacters(text) ? controlCharactersEscaped(text) : text) + u'"';
}

void Dep7Writer::fail(const QString &what)
{
    throw IoError(QStringLiteral("Die Datei %1 kann nicht %2 werden: %3").arg(m_fileName, what, m_file.errorString()));
}

void Dep7Writer::writeLine(int indent, QStringView text)
{
    m_line.fill(' ', indent);
    CodePage::appendAnsi(m_line, text);
    m_line.append("\r\n");
    if (m_file.write(m_line) != m_line.size())
        fail(QStringLiteral("geschrieben"));
}

void Dep7Writer::writeFileOpening()
{
    writeLine(0, u"{ \"Belege-Gruppe\": [");
}

void Dep7Writer::writeGroupHeader(const QString &certificate, const QString &authorities)
{
    writeLine(5, u"{");
    writeLine(6, QString(QStringLiteral("\"Signaturzertifikat\":") + jsonString(certificate) + u','));
    writeLine(6, QString(QStringLiteral("\"Zertifizierungsstellen\":[") + jsonString(authorities) + QStringLiteral("],")));
    writeLine(6, u"\"Belege-kompakt\":[");
}

void Dep7Writer::writeReceipt(const QString &receipt, bool moreInGroup)
{
    writeLine(23, moreInGroup ? QString(jsonString(receipt) + u',') : jsonString(receipt));
}

void Dep7Writer::writeGroupClose()
{
    writeLine(23, u"]");
}

void Dep7Writer::writeGroupSeparator()
{
    writeLine(6, u"},");
}

void Dep7Writer::writeFileEnd()
{
    writeLine(6, u"}");
    writeLine(19, u"]");
    writeLine(0, u"}");
}

void Dep7Writer::commit()
{
    if (!m_file.commit())
        throw IoError(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(m_fileName, m_file.errorString()));
}
