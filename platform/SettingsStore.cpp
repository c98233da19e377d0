#include "SettingsStore.h"

#include <QDir>

SettingsStore::~SettingsStore() = default;

void SettingsStore::commit() {}

int SettingsStore::readInteger(const QString &section, const QString &name, int defaultValue)
{
    return parseInteger(readText(section, name, QString::number(defaultValue)).trimmed()).value_or(defaultValue);
}

void SettingsStore::writeInteger(const QString &section, const QString &name, int value)
{
    writeText(section, name, QString::number(value));
}

QString SettingsStore::programName()
{
    return QStringLiteral("DepExport");
}

QString SettingsStore::configDirectory()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base) + u'/' + programName();
}

namespace {

struct ParsedInteger
{
    qlonglong value;
    bool hexadecimal;
};

std::optional<ParsedInteger> parseSettingsInteger(const QString &text)
{
    QStringView digits(text);
    bool negative = false;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    int base = 10;
    if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.mid(1);
    } else if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    }
    if (digits.isEmpty() || digits.startsWith(u'-') || digits.startsWith(u'+'))
        return std::nullopt;
    bool ok = false;
    const qlonglong magnitude = digits.toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return ParsedInteger{negative ? -magnitude : magnitude, base == 16};
}

} // namespace

std::optional<qlonglong> SettingsStore::parseInt64(const QString &text)
{
    const std::optional<ParsedInteger> parsed = parseSettingsInteger(text);
    return parsed ? std::optional<qlonglong>(parsed->value) : std::nullopt;
}

std::optional<int> SettingsStore::parseInteger(const QString &text)
{
    const std::optional<ParsedInteger> parsed = parseSettingsInteger(text);
    if (!parsed)
        return std::nullopt;
    const qlonglong value = parsed->value;
    // Hexadecimal texts may give the bit pattern of a negative number.
    if (parsed->hexadecimal && value > 0x7fffffffLL && value <= 0xffffffffLL)
        return int(quint32(value));
    if (value < -0x80000000LL || value > 0x7fffffffLL)
        return std::nullopt;
    return int(value);
}
