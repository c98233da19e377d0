#include "RegistryValue.h"

#include <QtEndian>

RegistryValue RegistryValue::fromString(const QString &text, Type type)
{
    RegistryValue value;
    value.type = type;
    value.data.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        value.data.append(char(c.unicode() & 0xff));
        value.data.append(char(c.unicode() >> 8));
    }
    value.data.append(2, '\0');
    return value;
}

RegistryValue RegistryValue::fromDWord(quint32 dword)
{
    RegistryValue value;
    value.type = DWord;
    value.data.resize(4);
    qToLittleEndian(dword, value.data.data());
    return value;
}

QString RegistryValue::text() const
{
    QString text;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = char16_t(uchar(data.at(i)) | (uchar(data.at(i + 1)) << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

quint32 RegistryValue::dword() const
{
    QByteArray bytes = data.left(4);
    bytes.resize(4, '\0');
    return qFromLittleEndian<quint32>(bytes.constData());
}
