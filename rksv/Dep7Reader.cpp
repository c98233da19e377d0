#include "Dep7Reader.h"

#include "Error.h"
#include "ReceiptChain.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace rksv::Dep7Reader {

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Members of all open objects whose names are kept to find one that comes
// twice; far above any real file.
constexpr qsizetype maxTrackedMembers = 100000;

QString number(qint64 value)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(value);
}

QString parseErrorText(rapidjson::ParseErrorCode code)
{
    switch (code) {
    case rapidjson::kParseErrorDocumentEmpty: return QStringLiteral("kein JSON-Wert");
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

// The file's bytes as the JSON reader takes them, with every string cut
// off after maxTextBytes: the reader would otherwise gather a string of
// any length before handing it on. A string that is too long reads as the
// end of the file, and overflowed() tells it from a real end.
class BoundedStream
{
public:
    using Ch = char;

    BoundedStream(std::FILE *file, size_t bufferSize)
        : m_buffer(bufferSize), m_in(file, m_buffer.data(), m_buffer.size())
    {}

    Ch Peek() const { return m_overflowed ? '\0' : m_in.Peek(); }
    Ch Take()
    {
        if (m_overflowed)
            return '\0';
        const Ch c = m_in.Take();
        if (!m_inString) {
            if (c == '"') {
                m_inString = true;
                m_length = 0;
            }
        } else if (m_escaped) {
            m_escaped = false;
        } else if (c == '\\') {
            m_escaped = true;
        } else if (c == '"') {
            m_inString = false;
            return c;
        }
        if (m_inString && ++m_length > maxTextBytes)
            m_overflowed = true;
        return c;
    }
    size_t Tell() const { return m_in.Tell(); }
    bool overflowed() const { return m_overflowed; }

    // Not used for reading; the reader's interface wants them.
    Ch *PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch *) { return 0; }

private:
    std::vector<char> m_buffer;
    rapidjson::FileReadStream m_in;
    bool m_inString = false;
    bool m_escaped = false;
    qsizetype m_length = 0;
    bool m_overflowed = false;
};

// The SAX handler: follows the file's layout and skips what it does not
// know. A false return stops the reader; failure says why.
class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler>
{
public:
    using RereadReceipts = std::function<void(size_t offset)>;

    Handler(Dep7Consumer &consumer, const BoundedStream &stream, RereadReceipts reread)
        : m_consumer(consumer), m_stream(stream), m_reread(std::move(reread))
    {}

    QString failure;

    bool Default() { return m_skipDepth > 0 || value("eine Zahl oder ein Wahrheitswert"); }
    bool Null() { return m_skipDepth > 0 || value("null"); }
    bool String(const char *text, rapidjson::SizeType length, bool)
    {
        if (m_skipDepth > 0)
            return true;
        switch (m_place) {
        case Place::CertificateValue:
            m_header.certificate = QByteArray(text, length);
            m_header.hasCertificate = true;
            m_place = Place::Group;
            return true;
        case Place::AuthorityList:
            m_authorityBytes += length;
            if (m_authorityBytes > maxAuthorityBytes)
                return fail(QStringLiteral("die Zertifizierungsstellen der Gruppe %1 sind zusammen länger als %2 Bytes")
                                .arg(m_header.number)
                                .arg(number(maxAuthorityBytes)));
            m_header.authorities.emplace_back(text, length);
            return true;
        case Place::ReceiptList:
            m_consumer.receipt(QByteArrayView(text, length));
            tellProgress();
            return true;
        case Place::DeferredReceiptList:
            tellProgress();
            return true;
        default:
            return value("ein Text");
        }
    }
    bool StartObject()
    {
        if (!enter())
            return false;
        m_memberNames.emplace_back();
        if (m_skipDepth > 0 || m_place == Place::GroupOtherValue || (m_place == Place::RootValue && m_skipValue))
            return skip();
        if (m_place == Place::Start) {
            m_place = Place::Root;
            return true;
        }
        if (m_place == Place::GroupList) {
            m_place = Place::Group;
            m_header = Dep7GroupHeader();
            m_header.number = ++m_groups;
            m_authorityBytes = 0;
            m_streaming = false;
            m_deferredOffset.reset();
            return true;
        }
        return value("ein Objekt");
    }
    bool Key(const char *text, rapidjson::SizeType length, bool)
    {
        const QByteArrayView key(text, length);
        if (!isNewMember(key))
            return false;
        if (m_skipDepth > 0)
            return true;
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
        leave();
        m_trackedMembers -= m_memberNames.back().size();
        m_memberNames.pop_back();
        if (m_skipDepth > 0)
            return unskip();
        if (m_place == Place::Group) {
            if (!m_streaming) {
                m_consumer.groupStarts(m_header);
                if (m_deferredOffset)
                    m_reread(*m_deferredOffset);
            }
            m_consumer.groupEnds();
            m_place = Place::GroupList;
        } else if (m_place == Place::Root) {
            m_place = Place::End;
        }
        return true;
    }
    bool StartArray()
    {
        if (!enter())
            return false;
        if (m_skipDepth > 0)
            return skip();
        switch (m_place) {
        case Place::RootValue:
            if (m_skipValue)
                return skip();
            m_place = Place::GroupList;
            return true;
        case Place::AuthorityValue:
            m_header.authorities.clear();
            m_header.hasAuthorities = true;
            m_authorityBytes = 0;
            m_place = Place::AuthorityList;
            return true;
        case Place::ReceiptValue:
            m_header.hasReceipts = true;
            if (m_header.hasCertificate && m_header.hasAuthorities) {
                m_consumer.groupStarts(m_header);
                m_streaming = true;
                m_place = Place::ReceiptList;
            } else {
                // The certificate texts follow: the list is read again
                // from here when the group has ended.
                m_deferredOffset = m_stream.Tell();
                m_place = Place::DeferredReceiptList;
            }
            return true;
        case Place::GroupOtherValue:
            return skip();
        default:
            return value("eine Liste");
        }
    }
    bool EndArray(rapidjson::SizeType)
    {
        leave();
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
        ReceiptValue, ReceiptList, DeferredReceiptList, GroupOtherValue, End
    };

    void tellProgress()
    {
        if (++m_receiptsRead % 1024 == 0)
            m_consumer.progress(qint64(m_stream.Tell()));
    }
    bool fail(const QString &reason)
    {
        failure = reason;
        return false;
    }
    bool enter()
    {
        if (++m_depth <= maxDepth)
            return true;
        return fail(QStringLiteral("Werte mehr als %1 Ebenen tief geschachtelt").arg(number(maxDepth)));
    }
    void leave() { --m_depth; }

    // A member of the innermost open object; false when the object has it
    // already. JSON leaves such a file's meaning open: one reader takes
    // the first value, another the last, a third both.
    bool isNewMember(QByteArrayView key)
    {
        QSet<QByteArray> &names = m_memberNames.back();
        const Sha256Digest digest = sha256(key);
        const QByteArray name(reinterpret_cast<const char *>(digest.data()), qsizetype(digest.size()));
        if (names.contains(name)) {
            return fail(QStringLiteral("das Feld \"%1\" steht zweimal im selben Objekt, die Datei ist mehrdeutig")
                            .arg(QString::fromUtf8(key.first(std::min<qsizetype>(key.size(), 80)))));
        }
        if (++m_trackedMembers > maxTrackedMembers)
            return fail(QStringLiteral("mehr als %1 Felder in einem Objekt").arg(number(maxTrackedMembers)));
        names.insert(name);
        return true;
    }

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
        QString reason = QStringLiteral("%1 steht, wo %2 erwartet wird").arg(QString::fromLatin1(what), expected());
        if (m_header.number > 0 && m_place != Place::GroupList && m_place != Place::Root && m_place != Place::End)
            reason += QStringLiteral(", in Gruppe %1").arg(m_header.number);
        return fail(reason);
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
        case Place::ReceiptList:
        case Place::DeferredReceiptList: return QStringLiteral("ein Beleg (Text)");
        default: return QStringLiteral("nichts mehr");
        }
    }

    Dep7Consumer &m_consumer;
    const BoundedStream &m_stream;
    RereadReceipts m_reread;
    Place m_place = Place::Start;
    int m_skipDepth = 0;
    int m_depth = 0;
    bool m_skipValue = false;
    bool m_seenGroups = false;
    bool m_streaming = false; // the open group's receipts go to the consumer as they come
    std::optional<size_t> m_deferredOffset;
    int m_groups = 0;
    Dep7GroupHeader m_header;
    qsizetype m_authorityBytes = 0;
    std::vector<QSet<QByteArray>> m_memberNames; // of each open object, as digests
    qsizetype m_trackedMembers = 0;
    qint64 m_receiptsRead = 0;
};

// The second reading of a receipt list whose group named its certificate
// after it; the first reading found the list sound.
class ReceiptListHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ReceiptListHandler>
{
public:
    explicit ReceiptListHandler(Dep7Consumer &consumer) : m_consumer(consumer) {}

    bool Default() { return false; }
    bool StartArray() { return true; }
    bool EndArray(rapidjson::SizeType) { return true; }
    bool String(const char *text, rapidjson::SizeType length, bool)
    {
        m_consumer.receipt(QByteArrayView(text, length));
        return true;
    }

private:
    Dep7Consumer &m_consumer;
};

FileHandle open(const QString &fileName)
{
    FileHandle file(std::fopen(QFile::encodeName(fileName).constData(), "rb"));
    if (!file)
        throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
    return file;
}

} // namespace

void read(const QString &fileName, Dep7Consumer &consumer)
{
    // The receipt lists that are read twice need a file to go back in.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        throw Error(QStringLiteral("%1 ist keine Datei.").arg(fileName));
    const FileHandle file = open(fileName);
    char bom[3];
    const size_t start = std::fread(bom, 1, 3, file.get());
    if (start == 0 && !std::ferror(file.get()))
        throw Error(QStringLiteral("Die Datei %1 ist leer.").arg(fileName));
    const long bomSize = start == 3 && QByteArrayView(bom, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    std::fseek(file.get(), bomSize, SEEK_SET);

    FileHandle second;
    const auto reread = [&](size_t offset) {
        if (!second)
            second = open(fileName);
        if (std::fseek(second.get(), long(offset) + bomSize, SEEK_SET) != 0)
            throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
        // Small reads: a file may have many such groups, most of them short.
        BoundedStream stream(second.get(), 4096);
        ReceiptListHandler handler(consumer);
        rapidjson::Reader reader;
        if (reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag>(stream, handler).IsError())
            throw Error(QStringLiteral("Die Datei %1 hat sich beim Lesen geändert.").arg(fileName));
    };

    BoundedStream stream(file.get(), 64 * 1024);
    rapidjson::Reader reader;
    Handler handler(consumer, stream, reread);
    const rapidjson::ParseResult result = reader.Parse<rapidjson::kParseIterativeFlag>(stream, handler);
    if (std::ferror(file.get()))
        throw Error(QStringLiteral("Die Datei %1 kann nicht gelesen werden.").arg(fileName));
    if (result.IsError()) {
        QString reason = result.Code() == rapidjson::kParseErrorTermination ? handler.failure
                                                                            : parseErrorText(result.Code());
        if (stream.overflowed())
            reason = QStringLiteral("ein Text ist länger als %1 Bytes").arg(number(maxTextBytes));
        throw Error(QStringLiteral("Die Datei ist keine DEP-7-Datei: %1 (Byte %2).")
                        .arg(reason)
                        .arg(qint64(result.Offset()) + bomSize));
    }
    if (!handler.sawGroups())
        throw Error(QStringLiteral("Die Datei ist keine DEP-7-Datei: die Liste \"Belege-Gruppe\" fehlt."));
}

} // namespace rksv::Dep7Reader
