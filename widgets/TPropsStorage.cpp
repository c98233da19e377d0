#include "TPropsStorage.h"

#include "Error.h"
#include "FormatSettings.h"
#include "SettingsStore.h"

#include <QMetaEnum>
#include <QRegularExpression>
#include <QWidget>

namespace {

int matchKey(const QMetaEnum &metaEnum, QStringView word, bool *found)
{
    for (int i = 0; i < metaEnum.keyCount(); ++i) {
        if (word.compare(QLatin1StringView(metaEnum.key(i)), Qt::CaseInsensitive) == 0) {
            *found = true;
            return metaEnum.value(i);
        }
    }
    *found = false;
    return 0;
}

bool isSingleBit(int value)
{
    const quint32 bits = quint32(value);
    return bits != 0 && (bits & (bits - 1)) == 0;
}

QString setText(const QMetaEnum &metaEnum, int value)
{
    QStringList members;
    for (int bit = 0; bit < 32; ++bit) {
        const int member = int(quint32(1) << bit);
        if (!(value & member))
            continue;
        if (const char *key = metaEnum.valueToKey(member))
            members.append(QString::fromLatin1(key));
    }
    return u'[' + members.join(u',') + u']';
}

int setFromText(const QMetaEnum &metaEnum, const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,\\[\\]]+"));
    int value = 0;
    for (const QString &word : text.split(separators, Qt::SkipEmptyParts)) {
        bool found = false;
        const int member = matchKey(metaEnum, word, &found);
        if (found && isSingleBit(member))
            value |= member;
    }
    return value;
}

QString floatText(double value, int digits)
{
    const FormatSettings &settings = FormatSettings::current();
    QString text = TextFormat::floatToText(value, settings, digits);
    text.replace(settings.decimalSeparator, u'.');
    return text;
}

double floatFromText(const QString &text)
{
    QString normalized = text;
    normalized.replace(FormatSettings::current().decimalSeparator, u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(normalized, &ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

void writeProperty(QObject *object, const QMetaProperty &property, const QVariant &value)
{
    if (!property.write(object, value))
        throw Error(QStringLiteral("Invalid property value"));
}

} // namespace

TPropsStorage::TPropsStorage(QObject *object, const QString &prefix, const QString &section, QWidget *owner)
    : m_object(object), m_prefix(prefix), m_section(section), m_owner(owner)
{
}

std::optional<QMetaProperty> TPropsStorage::findProperty(const QObject *object, const QString &propertyName)
{
    if (!object)
        return std::nullopt;
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (propertyName.compare(QLatin1StringView(property.name()), Qt::CaseInsensitive) == 0)
            return property;
    }
    return std::nullopt;
}

QString TPropsStorage::declaredName(const QMetaProperty &property)
{
    QString name = QString::fromLatin1(property.name());
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name;
}

TPropsStorage::Kind TPropsStorage::kindOf(const QMetaProperty &property)
{
    if (property.isEnumType())
        return property.isFlagType() ? Kind::Set : Kind::Enumeration;
    switch (property.metaType().id()) {
    case QMetaType::Bool:
        return Kind::Enumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return Kind::Integer;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return Kind::Int64;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return Kind::String;
    case QMetaType::QChar:
    case QMetaType::Char:
    case QMetaType::Char16:
        return Kind::Char;
    case QMetaType::Float:
    case QMetaType::Double:
        return Kind::Float;
    case QMetaType::QVariant:
        return Kind::Variant;
    case QMetaType::QStringList:
        return Kind::StringList;
    default:
        return Kind::Unsupported;
    }
}

QString TPropsStorage::trimmed(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString TPropsStorage::propertyText(const QMetaProperty &property) const
{
    const QVariant value = property.read(m_object);
    switch (kindOf(property)) {
    case Kind::Integer:
    case Kind::Int64:
        return property.metaType().id() == QMetaType::ULongLong ? QString::number(value.toULongLong())
                                                                 : QString::number(value.toLongLong());
    case Kind::String:
    case Kind::Variant:
        return value.toString();
    case Kind::Char:
        return property.metaType().id() == QMetaType::Char ? QString(QChar(uchar(value.value<char>())))
                                                           : QString(value.toChar());
    case Kind::Enumeration:
        if (property.metaType().id() == QMetaType::Bool)
            return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return QString::fromLatin1(property.enumerator().valueToKey(value.toInt()));
    case Kind::Float:
        return floatText(value.toDouble(), property.metaType().id() == QMetaType::Float ? 7 : 15);
    case Kind::Set:
        return setText(property.enumerator(), value.toInt());
    case Kind::StringList:
    case Kind::Unsupported:
        break;
    }
    return {};
}

void TPropsStorage::setPropertyText(const QMetaProperty &property, const QString &text)
{
    switch (kindOf(property)) {
    case Kind::Integer:
        writeProperty(m_object, property, QVariant(SettingsStore::parseInteger(text).value_or(0)));
        break;
    case Kind::Int64:
        writeProperty(m_object, property, QVariant(SettingsStore::parseInt64(text).value_or(0)));
        break;
    case Kind::String:
    case Kind::Variant:
        writeProperty(m_object, property, QVariant(text));
        break;
    case Kind::Char:
        if (!text.isEmpty())
            writeProperty(m_object, property, property.metaType().id() == QMetaType::Char
                                                  ? QVariant::fromValue(char(text.at(0).toLatin1()))
                                                  : QVariant::fromValue(text.at(0)));
        break;
    case Kind::Enumeration: {
        if (property.metaType().id() == QMetaType::Bool) {
            if (text.compare(u"True", Qt::CaseInsensitive) == 0 || text.compare(u"False", Qt::CaseInsensitive) == 0)
                writeProperty(m_object, property, QVariant(text.compare(u"True", Qt::CaseInsensitive) == 0));
            break;
        }
        bool found = false;
        const int value = matchKey(property.enumerator(), text, &found);
        if (found)
            writeProperty(m_object, property, QVariant(value));
        break;
    }
    case Kind::Float:
        writeProperty(m_object, property, QVariant(floatFromText(text)));
        break;
    case Kind::Set:
        writeProperty(m_object, property, QVariant(setFromText(property.enumerator(), text)));
        break;
    case Kind::StringList:
    case Kind::Unsupported:
        break;
    }
}

QString TPropsStorage::valueName(const QMetaProperty &property) const
{
    return m_prefix + declaredName(property);
}

QString TPropsStorage::listSection(const QMetaProperty &property) const
{
    return m_section + u'.' + valueName(property);
}

void TPropsStorage::loadProperty(const QString &propertyName)
{
    const auto property = findProperty(m_object, propertyName);
    if (!property || !property->isReadable() || !property->isWritable() || !m_readText)
        return;
    const Kind kind = kindOf(*property);
    if (kind == Kind::Unsupported)
        return;
    if (kind == Kind::StringList) {
        loadStringList(*property);
        return;
    }
    const QString current = propertyText(*property);
    setPropertyText(*property, trimmed(m_readText(m_section, valueName(*property), current)));
}

void TPropsStorage::storeProperty(const QString &propertyName)
{
    const auto property = findProperty(m_object, propertyName);
    if (!property || !property->isReadable() || !m_writeText)
        return;
    const Kind kind = kindOf(*property);
    if (kind == Kind::StringList) {
        storeStringList(*property);
        return;
    }
    const QString text = propertyText(*property);
    if (text.isEmpty() && kind != Kind::String && kind != Kind::Char)
        return;
    m_writeText(m_section, valueName(*property), trimmed(text));
}

void TPropsStorage::loadStringList(const QMetaProperty &property)
{
    const QString section = listSection(property);
    const int count = SettingsStore::parseInteger(trimmed(m_readText(section, QStringLiteral("Count"), QStringLiteral("0"))))
                          .value_or(0);
    if (count <= 0)
        return;
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(m_readText(section, QStringLiteral("Item%1").arg(i), QString()));
    writeProperty(m_object, property, QVariant(lines));
}

void TPropsStorage::storeStringList(const QMetaProperty &property)
{
    const QString section = listSection(property);
    if (m_eraseSection)
        m_eraseSection(section);
    const QStringList lines = property.read(m_object).toStringList();
    if (lines.isEmpty())
        return;
    m_writeText(section, QStringLiteral("Count"), QString::number(lines.size()));
    for (qsizetype i = 0; i < lines.size(); ++i)
        m_writeText(section, QStringLiteral("Item%1").arg(i), lines.at(i));
}
