#include "Dep7Reader.h"

#include "Error.h"

#include <QFile>

#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

#include <cstdio>
#include <memory>

namespace rksv::Dep7Reader {

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

QString parseErrorText(rapidjson::ParseErrorCode code)
{
    switch (code) {
    case rapidjson::kParseErrorDocumentEmpty: return QStringLiteral("die Datei ist leer");
    case rapidjson::kParseErrorDocumentRootNotSingular: return QStringLiteral("Text nach dem Ende der Daten");
    case rapidjson::kParseErrorObjectMissName: return QStringLiteral("Name eines Feldes fehlt");
    case rapidjson::kParseErrorObjectMissColon: return QStringLiteral("':' fehlt");
    case rapidjson::kParseErrorObjectMissCommaOrCurlyBracket: return QStringLiteral("',' oder '}' fehlt");
    case rapidjson::kParseErrorArrayMissCommaOrSquareBracket: return QStringLiteral("',' oder ']' fehlt");
    case rapidjson::kParseErrorStringMissQuotationMark: return QStringLiteral("ein Text endet nicht");
    case rapidjson::kParseErrorStringEscapeInvalid:
    case rapidjson::kParseErrorStringUnicodeEscapeInvalidHex:
    case rapidjson::kParseErrorStringUnicodeSurrogateInvalid: return QStringLiteral("ungültiges Escape mit '\\'");
    default: return QStringLiteral("ungültiger Wert");
    }
}

// The SAX handler: follows the file's layout and skips what it does not
// know. A false return stops the reader; m_failure says why.
class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler>
{
public:
    explicit Handler(Dep7Consumer &consumer) : m_consumer(consumer) {}

    QString failure;

    bool Default() { return m_skipDepth > 0 || value("eine Zahl oder ein Wahrheitswert"); }
    bool Null() { return m_skipDepth > 0 || value("null"); }
    bool String(const char *text, rapidjson::SizeType length, bool)
    {
        if (m_skipDepth > 0)
            return true;
        switch (m_place) {
        case Place::CertificateValue:
            m_certificate = QByteArray(text, length);
            m_place = Place::Group;
            return true;
        case Place::AuthorityList:
            m_authorities.emplace_back(text, length);
            return true;
        case Place::ReceiptList:
            m_consumer.receipt(QByteArrayView(text, length));
            return true;
        default:
            return value("ein Text");
        }
    }
    bool StartObject()
    {
        if (m_skipDepth > 0 || m_place == Place::GroupOtherValue || (m_place == Place::RootValue && m_skipValue))
            return skip();
        if (m_place == Place::Start) {
            m_place = Place::Root;
            return true;
        }
        if (m_place == Place::GroupList) {
            m_place = Place::Group;
            m_certificate.clear();
            m_authorities.clear();
            m_groupOpen = false;
            return true;
        }
        return value("ein Objekt");
    }
    bool Key(const char *text, rapidjson::SizeType length, bool)
    {
        if (m_skipDepth > 0)
            return true;
        const QByteArrayView key(text, length);
        if (m_place == Place::Root) {
            m_skipValue = key != "Belege-Gruppe";
            m_seenGroups = m_seenGroups || !m_skipValue;
            m_place = Place::RootValue;
        } else if (m_place == Place::Group) {
            if (key == "Signaturzertifikat")
                m_place = Place::CertificateValue;
            else if (key == "Zertifizierungsstellen")
                m_place = Place::AuthorityValue;
            else if (key == "Belege-kompakt")
                m_place = Place::ReceiptValue;
            else
                m_place = Place::GroupOtherValue;
        }
        return true;
    }
    bool EndObject(rapidjson::SizeType)
    {
        if (m_skipDepth > 0)
            return unskip();
        if (m_place == Place::Group) {
            if (!m_groupOpen)
                m_consumer.groupStarts(m_certificate, m_authorities);
            m_consumer.groupEnds();
            m_place = Place::GroupList;
        } else if (m_place == Place::Root) {
            m_place = Place::End;
        }
        return true;
    }
    bool StartArray()
    {
        if (m_skipDepth > 0)
            return skip();
        switch (m_place) {
        case Place::RootValue:
            if (m_skipValue)
                return skip();
            m_place = Place::GroupList;
            return true;
        case Place::AuthorityValue:
            m_authorities.clear();
            m_place = Place::AuthorityList;
            return true;
        case Place::ReceiptValue:
            if (!m_groupOpen)
                m_consumer.groupStarts(m_certificate, m_authorities);
            m_groupOpen = true;
            m_place = Place::ReceiptList;
            return true;
        case Place::GroupOtherValue:
            return skip();
        default:
            return value("eine Liste");
        }
    }
    bool EndArray(rapidjson::SizeType)
    {
        if (m_skipDepth > 0)
            return unskip();
        if (m_place == Place::GroupList)
            m_place = Place::Root;
        else
            m_place = Place::Group; // end of the authority or receipt list
        return true;
    }

    bool sawGroups() const { return m_seenGroups; }

private:
    enum class Place {
        Start, Root, RootValue, GroupList, Group, CertificateValue, AuthorityValue, AuthorityList,
        ReceiptValue, ReceiptList, GroupOtherValue, End
    };

    // A scalar where the layout wants something else, or a value of a key
    // the layout does not know.
    bool value(const char *what)
    {
        if (m_place == Place::GroupOtherValue) {
            m_place = Place::Group;
            return true;
        }
        if (m_place == Place::RootValue && m_skipValue) {
            m_place = Place::Root;
            return true;
        }
        failure = QStringLiteral("%1 steht, wo %2 erwartet wird").arg(QString::fromLatin1(what), expected());
        return false;
    }
    bool skip()
    {
        ++m_skipDepth;
        return true;
    }
    bool unskip()
    {
        if (--m_skipDepth == 0)
            m_place = m_place == Place::RootValue ? Place::Root : Place::Group;
        return true;
    }
    QString expected() const
    {
        switch (m_place) {
        case Place::Start: return QStringLiteral("das Objekt der Datei");
        case Place::RootValue: return QStringLiteral("die Liste \"Belege-Gruppe\"");
        case Place::GroupList: return QStringLiteral("eine Belegegruppe (Objekt)");
        case Place::CertificateValue: return QStringLiteral("das Signaturzertifikat (Text)");
        case Place::AuthorityValue: return QStringLiteral("die Liste der Zertifizierungsstellen");
        case Place::AuthorityList: return QStringLiteral("ein Zertifikat einer Zertifizierungsstelle (Text)");
        case Place::ReceiptValue: return QStringLiteral("die Liste \"Belege-kompakt\"");
        case Place::ReceiptList: return QStringLiteral("ein Beleg (Text)");
        default: return QStringLiteral("nichts mehr");
        }
    }

    Dep7Consumer &m_consumer;
    Place m_place = Place::Start;
    int m_skipDepth = 0;
    bool m_skipValue = false;
    bool m_seenGroups = false;
    bool m_groupOpen = false;
    QByteArray m_certificate;
    std::vector<QByteArray> m_authorities;
};

} // namespace

void read(const QString &fileName, Dep7Consumer &consumer)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(QFile::encodeName(fileName).constData(), "rb"));
    if (!file)
        throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
    char bom[3];
    if (std::fread(bom, 1, 3, file.get()) != 3 || QByteArrayView(bom, 3) != "\xEF\xBB\xBF")
        std::rewind(file.get());
    std::vector<char> buffer(64 * 1024);
    rapidjson::FileReadStream stream(file.get(), buffer.data(), buffer.size());
    rapidjson::Reader reader;
    Handler handler(consumer);
    const rapidjson::ParseResult result = reader.Parse<rapidjson::kParseIterativeFlag>(stream, handler);
    if (std::ferror(file.get()))
        throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
    if (result.IsError()) {
        const QString reason = result.Code() == rapidjson::kParseErrorTermination ? handler.failure
                                                                                  : parseErrorText(result.Code());
        throw Error(QStringLiteral("Die Datei ist keine DEP-7-Datei: %1 (Byte %2).").arg(reason).arg(result.Offset()));
    }
    if (!handler.sawGroups())
        throw Error(QStringLiteral("Die Datei ist keine DEP-7-Datei: die Liste \"Belege-Gruppe\" fehlt."));
}

} // namespace rksv::Dep7Reader
