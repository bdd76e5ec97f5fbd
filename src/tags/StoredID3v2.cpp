#include "tags/StoredID3v2.h"

#include "core/AtomicFile.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace orv {
namespace {

constexpr int kHeaderLength = 10;
constexpr int kFlagUnsynchronised = 0x80;
constexpr int kFlagExtendedHeader = 0x40;  // in ID3v2.2: compression
constexpr int kFlagFooter = 0x10;
constexpr qint64 kLargestSyncSafe = (qint64(1) << 28) - 1;
constexpr qsizetype kNewPadding = 1024;

quint32 bigEndian(const QByteArray& bytes, qsizetype at, int length) {
    quint32 value = 0;
    for (int i = 0; i < length; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::optional<quint32> syncSafe(const QByteArray& bytes, qsizetype at) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        if (byte & 0x80) return std::nullopt;
        value = (value << 7) | byte;
    }
    return value;
}

QByteArray bigEndianBytes(quint32 value, int length) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i) bytes[length - 1 - i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
}

QByteArray syncSafeBytes(quint32 value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[3 - i] = static_cast<char>((value >> (7 * i)) & 0x7f);
    return bytes;
}

// Undoes the unsynchronisation of a whole tag: every 0xFF 0x00 pair becomes 0xFF.
QByteArray resynchronised(const QByteArray& data) {
    QByteArray plain;
    plain.reserve(data.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        plain.append(data[i]);
        if (static_cast<unsigned char>(data[i]) == 0xff && i + 1 < data.size() && data[i + 1] == '\0') ++i;
    }
    return plain;
}

bool isFrameId(const QByteArray& id) {
    return std::all_of(id.begin(), id.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

StoredID3v2 withProblem(StoredID3v2 tag, const char* problem) {
    tag.problem = QString::fromLatin1(problem);
    return tag;
}

int frameHeaderLength(int version) {
    return version == 2 ? 6 : 10;
}

// Where the frames begin: after the extended header, which is left out of a rewritten tag (it
// describes the old one: its padding, its checksum).
std::optional<qsizetype> framesStart(const StoredID3v2& tag, const QByteArray& body) {
    if (tag.version == 2 || !(tag.flags & kFlagExtendedHeader)) return 0;
    if (body.size() < 4) return std::nullopt;
    const std::optional<quint32> size =
        tag.version == 3 ? std::optional<quint32>(bigEndian(body, 0, 4) + 4) : syncSafe(body, 0);
    if (!size || *size < 6 || qint64(*size) > body.size()) return std::nullopt;
    return *size;
}

// The frames of the tag body; false when they cannot be told apart.
bool readFrames(StoredID3v2& tag, const QByteArray& body, qsizetype at) {
    const int headerLength = frameHeaderLength(tag.version);
    const int idLength = tag.version == 2 ? 3 : 4;
    while (at < body.size() && body[at] != '\0') {  // padding begins with a zero byte
        if (at + headerLength > body.size()) return false;
        const QByteArray id = body.mid(at, idLength);
        std::optional<quint32> size =
            tag.version == 4 ? syncSafe(body, at + 4) : bigEndian(body, at + idLength, tag.version == 2 ? 3 : 4);
        if (!isFrameId(id) || !size || qint64(*size) > body.size() - at - headerLength) return false;
        tag.frames.push_back({id, body.mid(at, headerLength + *size)});
        at += headerLength + *size;
    }
    return true;
}

QByteArray storedFrameId(const QString& frameId, int version) {
    if (version == 4 && frameId == QLatin1String("TYER")) return "TDRC";
    if (version == 4 && frameId == QLatin1String("TORY")) return "TDOR";
    if (version != 2) return frameId.toLatin1();
    static const std::pair<const char*, const char*> shortIds[] = {
        {"TIT1", "TT1"}, {"TIT2", "TT2"}, {"TIT3", "TT3"}, {"TPE1", "TP1"}, {"TPE2", "TP2"}, {"TPE3", "TP3"},
        {"TALB", "TAL"}, {"TYER", "TYE"}, {"TORY", "TOR"}, {"TRCK", "TRK"}, {"TCON", "TCO"}, {"TCOM", "TCM"}};
    for (const auto& [id, shortId] : shortIds)
        if (frameId == QLatin1String(id)) return shortId;
    return {};
}

// A text frame in the tag's version: Latin-1 when the text fits, else UTF-16 with byte-order mark.
QByteArray textFrame(const QByteArray& id, const QString& text, int version) {
    const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xff; });
    QByteArray body;
    if (latin1) {
        body = QByteArray(1, '\0') + text.toLatin1();
    } else {
        body = QByteArray("\1\xff\xfe", 3);
        for (const QChar c : text)
            body.append(static_cast<char>(c.unicode() & 0xff)).append(static_cast<char>(c.unicode() >> 8));
    }
    const auto size = static_cast<quint32>(body.size());
    if (version == 2) return id + bigEndianBytes(size, 3) + body;
    return id + (version == 4 ? syncSafeBytes(size) : bigEndianBytes(size, 4)) + QByteArray(2, '\0') + body;
}

}  // namespace

const StoredFrame* StoredID3v2::frame(const QByteArray& id) const {
    const auto found = std::find_if(frames.begin(), frames.end(), [&id](const StoredFrame& f) { return f.id == id; });
    return found == frames.end() ? nullptr : &*found;
}

StoredID3v2 readStoredID3v2(int fd, qint64 fileSize) {
    StoredID3v2 tag;
    QByteArray header(kHeaderLength, '\0');
    if (fileSize < kHeaderLength || !readFully(fd, 0, header.data(), kHeaderLength) || !header.startsWith("ID3"))
        return tag;
    tag.present = true;
    tag.version = static_cast<unsigned char>(header[3]);
    tag.revision = static_cast<unsigned char>(header[4]);
    tag.flags = static_cast<unsigned char>(header[5]);
    const std::optional<quint32> bodySize = syncSafe(header, 6);
    if (tag.version < 2 || tag.version > 4 || tag.revision == 0xff || !bodySize)
        return withProblem(tag, "its ID3v2 header is not valid");
    const bool footer = tag.version == 4 && (tag.flags & kFlagFooter);
    tag.size = kHeaderLength + qint64(*bodySize) + (footer ? kHeaderLength : 0);
    if (tag.size > fileSize) return withProblem(tag, "its ID3v2 tag runs past the end of the file");

    QByteArray body(static_cast<qsizetype>(tag.size - kHeaderLength), '\0');
    if (!readFully(fd, kHeaderLength, body.data(), body.size()))
        return withProblem(tag, "its ID3v2 tag cannot be read");
    if (footer) {
        if (!body.mid(*bodySize).startsWith("3DI"))
            return withProblem(tag, "its ID3v2 header declares a footer that is not there");
        body.truncate(*bodySize);
    }
    if (tag.version == 2 && (tag.flags & kFlagExtendedHeader)) return withProblem(tag, "its ID3v2.2 tag is compressed");
    if (tag.flags & kFlagUnsynchronised) {
        if (tag.version == 4) return withProblem(tag, "its ID3v2.4 tag is unsynchronised as a whole");
        body = resynchronised(body);
    }
    const std::optional<qsizetype> start = framesStart(tag, body);
    if (!start || !readFrames(tag, body, *start)) return withProblem(tag, "its ID3v2 frames cannot all be read");
    return tag;
}

QString storedFrameText(const StoredFrame& frame, int version) {
    QByteArray data = frame.bytes.mid(frameHeaderLength(version));
    if (data.isEmpty()) return {};
    const char encoding = data[0];
    data.remove(0, 1);
    QString text;
    if (encoding == 1 || encoding == 2) {
        const bool bom = data.startsWith("\xff\xfe") || data.startsWith("\xfe\xff");
        QStringDecoder decoder(encoding == 2 || data.startsWith("\xfe\xff") ? QStringDecoder::Utf16BE
                                                                            : QStringDecoder::Utf16LE);
        text = decoder.decode(data.mid(bom ? 2 : 0));
    } else {
        text = encoding == 3 ? QString::fromUtf8(data) : QString::fromLatin1(data);
    }
    while (text.endsWith(QChar(0))) text.chop(1);
    return text;
}

QByteArray renderID3v2(const StoredID3v2& tag, const FrameEdits& edits, QString& problem) {
    const int version = tag.present ? tag.version : 3;
    std::vector<StoredFrame> frames = tag.frames;
    for (const auto& [frameId, text] : edits) {
        const QByteArray id = storedFrameId(frameId, version);
        if (!frameId.startsWith(QLatin1Char('T')) || frameId == QLatin1String("TXXX") || id.isEmpty()) {
            problem = QStringLiteral("%1 is no text frame of ID3v2.%2").arg(frameId).arg(version);
            return {};
        }
        const auto first =
            std::find_if(frames.begin(), frames.end(), [&id](const StoredFrame& f) { return f.id == id; });
        const auto place = first - frames.begin();
        std::erase_if(frames, [&id](const StoredFrame& f) { return f.id == id; });
        if (!text.isEmpty()) frames.insert(frames.begin() + place, {id, textFrame(id, text, version)});
    }

    QByteArray body;
    for (const StoredFrame& frame : frames) body += frame.bytes;
    const bool footer = version == 4 && (tag.flags & kFlagFooter);
    const qint64 oldRoom = tag.present ? tag.size - kHeaderLength * (footer ? 2 : 1) : 0;
    const qint64 padding = footer ? 0 : body.size() <= oldRoom ? oldRoom - body.size() : kNewPadding;
    if (body.size() + padding > kLargestSyncSafe) {
        problem = QStringLiteral("its ID3v2 tag would be too large");
        return {};
    }
    // Unsynchronisation is undone and the extended header left out (see ReadStoredID3v2).
    const int flags = tag.present ? tag.flags & ~(kFlagUnsynchronised | (version == 2 ? 0 : kFlagExtendedHeader)) : 0;
    const QByteArray headerRest =
        QByteArray(1, static_cast<char>(version)) + QByteArray(1, static_cast<char>(tag.present ? tag.revision : 0)) +
        QByteArray(1, static_cast<char>(flags)) + syncSafeBytes(static_cast<quint32>(body.size() + padding));
    return QByteArray("ID3") + headerRest + body + QByteArray(static_cast<qsizetype>(padding), '\0') +
           (footer ? QByteArray("3DI") + headerRest : QByteArray());
}

}  // namespace orv
