#pragma once

#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// Reads and writes the properties of one object as texts, one value per
// property named by the prefix and the property's declared name
// ("rg_version_" + "ItemIndex"). It lives for one read or write pass.
//
// The properties are those of Qt's meta-object system, found by name without
// case. Their declared name is the Qt name with its first letter in upper
// case, so QLineEdit's "text" is stored as "Text" and TRadioGroup's
// "ItemIndex" as it stands.
//
// Text forms by kind of property:
//   integer           decimal; read back also as hexadecimal after "$" or
//                     "0x"; any other text gives 0
//   64-bit integer    the same
//   string            the text
//   character         the one character; read back the first character
//   enumeration       the identifier, matched without case; no match leaves
//                     the property unchanged (bool: "False", "True")
//   floating point    general format, 7 significant digits for float and 15
//                     for double, with "." as decimal separator
//   set (Qt flags)    "[a,b]" with the identifiers of the members 0 to 31;
//                     read back from words between blanks, commas and
//                     brackets, unknown words ignored
//   variant           its text; read back as a text
//   string list       not in the section itself: the section
//                     "<section>.<prefix><name>" holds "Count" and one
//                     "Item<n>" per line, counted from 0
// Object references, collections and other object kinds are not stored.
class TPropsStorage
{
public:
    using ReadText = std::function<QString(const QString &section, const QString &name, const QString &defaultText)>;
    using WriteText = std::function<void(const QString &section, const QString &name, const QString &text)>;
    using EraseSection = std::function<void(const QString &section)>;

    enum class Kind { Integer, Int64, String, Char, Enumeration, Float, Set, Variant, StringList, Unsupported };

    TPropsStorage(QObject *object, const QString &prefix, const QString &section, QWidget *owner);

    void setReadText(ReadText read) { m_readText = std::move(read); }
    void setWriteText(WriteText write) { m_writeText = std::move(write); }
    void setEraseSection(EraseSection erase) { m_eraseSection = std::move(erase); }

    // A property the object does not have is passed by without a word.
    void loadProperty(const QString &propertyName);
    void storeProperty(const QString &propertyName);

    static std::optional<QMetaProperty> findProperty(const QObject *object, const QString &propertyName);
    static QString declaredName(const QMetaProperty &property);
    static Kind kindOf(const QMetaProperty &property);

    // The property's value in its text form, and back.
    QString propertyText(const QMetaProperty &property) const;
    void setPropertyText(const QMetaProperty &property, const QString &text);

    // Removes the characters of code 32 or below at both ends.
    static QString trimmed(const QString &text);

private:
    QString valueName(const QMetaProperty &property) const;
    QString listSection(const QMetaProperty &property) const;
    void loadStringList(const QMetaProperty &property);
    void storeStringList(const QMetaProperty &property);

    QPointer<QObject> m_object;
    QString m_prefix;
    QString m_section;
    QPointer<QWidget> m_owner;
    ReadText m_readText;
    WriteText m_writeText;
    EraseSection m_eraseSection;
};
