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

Dep7Writer::Dep7Writer(const QString &fileName) : m_file(checkedLocalPath(fileName), fileName) {}

QString Dep7Writer::checkedLocalPath(const QString &fileName)
{
    if (fileName.size() > maxFileNameLength)
        throw IoError(QStringLiteral("Der Dateiname %1 ist länger als %2 Zeichen").arg(fileName).arg(maxFileNameLength));
    return WindowsPath::toLocal(fileName);
}

QString Dep7Writer::jsonString(const QString &text)
{
    return u'"' + (hasControlCharacters(text) ? controlCharactersEscaped(text) : text) + u'"';
}

void Dep7Writer::writeLine(int indent, QStringView text)
{
    m_line.fill(' ', indent);
    CodePage::appendAnsi(m_line, text);
    m_line.append("\r\n");
    m_file.write(m_line);
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
    m_file.commit();
}
