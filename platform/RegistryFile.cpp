#include "RegistryFile.h"

#include "AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace {

QString normalizedKey(const QString &key)
{
    QString path = key;
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The form of a name under which it is found regardless of case.
QString folded(const QString &name)
{
    return name.toCaseFolded();
}

bool isBelow(const QString &path, const QString &key)
{
    return path.size() > key.size() && path.at(key.size()) == u'\\'
        && sameName(path.left(key.size()), key);
}

QString decodeText(const QByteArray &bytes, bool *damaged)
{
    if (bytes.startsWith("\xff\xfe")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        QString text = decoder(bytes.mid(2));
        *damaged = *damaged || decoder.hasError();
        return text;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes.startsWith("\xef\xbb\xbf") ? bytes.mid(3) : bytes);
    *damaged = *damaged || decoder.hasError();
    return text;
}

QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out + u'"';
}

// Reads a quoted text starting at `pos` (on its opening quote); `pos` ends
// after the closing quote. Returns false for an unterminated text.
bool readQuoted(const QString &line, qsizetype &pos, QString &text)
{
    text.clear();
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == u'\\' && pos + 1 < line.size()) {
            text += line.at(++pos);
        } else if (c == u'"') {
            ++pos;
            return true;
        } else {
            text += c;
        }
    }
    return false;
}

bool isPlainString(const RegistryValue &value)
{
    if (value.type != RegistryValue::String || value.data.size() % 2 != 0)
        return false;
    const QString text = value.text();
    if ((text.size() + 1) * 2 != value.data.size())
        return false; // embedded NUL or missing terminator
    return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 32; });
}

QString hexData(const QString &prefix, const QByteArray &data)
{
    QString out = prefix;
    qsizetype column = out.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        const QString byte = QString::number(uchar(data.at(i)), 16).rightJustified(2, u'0');
        out += byte;
        column += 2;
        if (i + 1 < data.size()) {
            out += u',';
            ++column;
            if (column > 76) {
                out += QStringLiteral("\\\r\n  ");
                column = 2;
            }
        }
    }
    return out;
}

QString dataText(const RegistryValue &value)
{
    if (isPlainString(value))
        return quoted(value.text());
    if (value.type == RegistryValue::DWord && value.data.size() == 4)
        return QStringLiteral("dword:") + QString::number(value.dword(), 16).rightJustified(8, u'0');
    const QString prefix = value.type == RegistryValue::Binary
        ? QStringLiteral("hex:")
        : QStringLiteral("hex(") + QString::number(value.type, 16) + QStringLiteral("):");
    return hexData(prefix, value.data);
}

std::optional<QByteArray> parseHexBytes(const QString &text)
{
    QByteArray bytes;
    const QStringList parts = text.split(u',', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool ok = false;
        const uint byte = part.trimmed().toUInt(&ok, 16);
        if (!ok || byte > 255)
            return std::nullopt;
        bytes.append(char(byte));
    }
    return bytes;
}

std::optional<RegistryValue> parseData(const QString &data)
{
    RegistryValue value;
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        QString text;
        if (!readQuoted(data, pos, text) || !data.mid(pos).trimmed().isEmpty())
            return std::nullopt;
        return RegistryValue::fromString(text);
    }
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        bool ok = false;
        const QString digits = data.mid(6).trimmed();
        const quint32 dword = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8)
            return std::nullopt;
        return RegistryValue::fromDWord(dword);
    }
    if (data.startsWith(u"hex:", Qt::CaseInsensitive)) {
        value.type = RegistryValue::Binary;
        const auto bytes = parseHexBytes(data.mid(4));
        if (!bytes)
            return std::nullopt;
        value.data = *bytes;
        return value;
    }
    if (data.startsWith(u"hex(", Qt::CaseInsensitive)) {
        const qsizetype close = data.indexOf(u"):");
        bool ok = false;
        const uint type = close < 0 ? 0 : data.mid(4, close - 4).toUInt(&ok, 16);
        const auto bytes = ok ? parseHexBytes(data.mid(close + 2)) : std::nullopt;
        if (!bytes)
            return std::nullopt;
        value.type = type;
        value.data = *bytes;
        return value;
    }
    return std::nullopt;
}

// Joins the lines that a trailing "\" continues (only hex data is wrapped).
QStringList logicalLines(const QString &text)
{
    QStringList lines;
    QString pending;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!pending.isEmpty())
            line = pending + line.trimmed();
        pending.clear();
        const bool hexLine = line.contains(u"=hex", Qt::CaseInsensitive);
        if (hexLine && line.endsWith(u'\\')) {
            pending = line.chopped(1);
            continue;
        }
        lines.append(line);
    }
    if (!pending.isEmpty())
        lines.append(pending);
    return lines;
}

} // namespace

RegistryFile::LoadResult RegistryFile::load(const QString &path)
{
    m_keys.clear();
    m_keyIndex.clear();
    QFile file(path);
    if (!file.exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Damaged;
    bool damaged = false;
    *this = parse(file.readAll(), &damaged);
    if (file.error() != QFile::NoError)
        damaged = true;
    return damaged ? LoadResult::Damaged : LoadResult::Loaded;
}

void RegistryFile::save(const QString &path) const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    AtomicFile file(path, path);
    file.write(toBytes());
    file.commit();
}

RegistryFile RegistryFile::parse(const QByteArray &bytes, bool *damaged)
{
    bool broken = false;
    const QString text = decodeText(bytes, &broken);
    RegistryFile hive;
    bool sawHeader = false;
    qsizetype currentKey = -1;
    for (const QString &rawLine : logicalLines(text)) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!sawHeader) {
            sawHeader = line == header || line == u"REGEDIT4";
            if (!sawHeader)
                break; // not a registry file at all
            continue;
        }
        if (!hive.parseLine(line, currentKey))
            broken = true;
    }
    if (!sawHeader) {
        broken = broken || !text.trimmed().isEmpty();
        hive.m_keys.clear();
        hive.m_keyIndex.clear();
    }
    if (damaged)
        *damaged = broken;
    return hive;
}

bool RegistryFile::parseLine(const QString &line, qsizetype &currentKey)
{
    if (line.startsWith(u'[')) {
        if (!line.endsWith(u']') || line.size() < 3)
            return false;
        const QString path = normalizedKey(line.mid(1, line.size() - 2).trimmed());
        if (path.startsWith(u'-')) {
            deleteKey(path.mid(1));
            currentKey = -1;
            return true;
        }
        createKey(path);
        currentKey = indexOfKey(path);
        return true;
    }
    if (currentKey < 0)
        return false;
    QString name;
    qsizetype pos = 0;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else if (line.startsWith(u'"')) {
        if (!readQuoted(line, pos, name))
            return false;
    } else {
        return false;
    }
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
    if (pos >= line.size() || line.at(pos) != u'=')
        return false;
    const QString data = line.mid(pos + 1).trimmed();
    const QString keyPath = m_keys.at(currentKey).path;
    if (data == u"-") {
        deleteValue(keyPath, name);
        return true;
    }
    const auto value = parseData(data);
    if (!value)
        return false;
    setValue(keyPath, name, *value);
    currentKey = indexOfKey(keyPath);
    return true;
}

QByteArray RegistryFile::toBytes() const
{
    QList<Key> keys = m_keys;
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
        return a.path.compare(b.path, Qt::CaseInsensitive) < 0;
    });
    QString text = header.toString() + QStringLiteral("\r\n");
    for (const Key &key : keys) {
        text += QStringLiteral("\r\n[") + key.path + QStringLiteral("]\r\n");
        for (const NamedValue &value : key.values) {
            text += value.name.isEmpty() ? QStringLiteral("@") : quoted(value.name);
            text += u'=' + dataText(value.value) + QStringLiteral("\r\n");
        }
    }
    text += QStringLiteral("\r\n");
    return text.toUtf8();
}

qsizetype RegistryFile::indexOfKey(const QString &key) const
{
    return m_keyIndex.value(folded(normalizedKey(key)), -1);
}

void RegistryFile::reindexKeys()
{
    m_keyIndex.clear();
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        m_keyIndex.insert(folded(m_keys.at(i).path), i);
}

qsizetype RegistryFile::Key::indexOfValue(const QString &name) const
{
    return valueIndex.value(folded(name), -1);
}

void RegistryFile::Key::reindexValues()
{
    valueIndex.clear();
    for (qsizetype i = 0; i < values.size(); ++i)
        valueIndex.insert(folded(values.at(i).name), i);
}

bool RegistryFile::keyExists(const QString &key) const
{
    const QString path = normalizedKey(key);
    return indexOfKey(path) >= 0
        || std::any_of(m_keys.begin(), m_keys.end(), [&](const Key &k) { return isBelow(k.path, path); });
}

void RegistryFile::createKey(const QString &key)
{
    if (indexOfKey(key) >= 0)
        return;
    m_keys.append(Key{normalizedKey(key), {}, {}});
    m_keyIndex.insert(folded(m_keys.last().path), m_keys.size() - 1);
}

bool RegistryFile::deleteKey(const QString &key)
{
    const QString path = normalizedKey(key);
    const auto removed = m_keys.removeIf([&](const Key &k) { return sameName(k.path, path) || isBelow(k.path, path); });
    if (removed > 0)
        reindexKeys();
    return removed > 0;
}

QStringList RegistryFile::subKeys(const QString &key) const
{
    const QString path = normalizedKey(key);
    QStringList names;
    QSet<QString> seen;
    for (const Key &k : m_keys) {
        if (!isBelow(k.path, path))
            continue;
        const QString name = k.path.mid(path.size() + 1).section(u'\\', 0, 0);
        if (!seen.contains(folded(name))) {
            seen.insert(folded(name));
            names.append(name);
        }
    }
    return names;
}

std::optional<RegistryValue> RegistryFile::value(const QString &key, const QString &name) const
{
    const qsizetype index = indexOfKey(key);
    if (index < 0)
        return std::nullopt;
    const Key &k = m_keys.at(index);
    const qsizetype position = k.indexOfValue(name);
    if (position < 0)
        return std::nullopt;
    return k.values.at(position).value;
}

void RegistryFile::setValue(const QString &key, const QString &name, const RegistryValue &value)
{
    createKey(key);
    Key &k = m_keys[indexOfKey(key)];
    const qsizetype position = k.indexOfValue(name);
    if (position >= 0) {
        k.values[position].value = value;
        return;
    }
    k.values.append(NamedValue{name, value});
    k.valueIndex.insert(folded(name), k.values.size() - 1);
}

bool RegistryFile::deleteValue(const QString &key, const QString &name)
{
    const qsizetype index = indexOfKey(key);
    if (index < 0)
        return false;
    Key &k = m_keys[index];
    if (k.values.removeIf([&](const NamedValue &v) { return sameName(v.name, name); }) == 0)
        return false;
    k.reindexValues();
    return true;
}
