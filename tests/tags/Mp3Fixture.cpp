#include "Mp3Fixture.h"

#include <QDir>
#include <QFile>

namespace orv::test {
namespace {

constexpr int kFrameLength = 417;
constexpr int kSideInfoLength = 17;  // MPEG-1, mono

QByteArray FourBytes(quint32 value, int bitsPerByte) {
    QByteArray bytes(4, '\0');
    const quint32 mask = (1u << bitsPerByte) - 1;
    for (int i = 0; i < 4; ++i) bytes[3 - i] = static_cast<char>((value >> (i * bitsPerByte)) & mask);
    return bytes;
}

QByteArray BigEndian(quint32 value) {
    return FourBytes(value, 8);
}

QByteArray SyncSafe(quint32 value) {
    return FourBytes(value, 7);
}

QByteArray Latin1Field(const QString& text, int length) {
    QByteArray field = text.toLatin1().left(length);
    field.append(QByteArray(length - field.size(), '\0'));
    return field;
}

QByteArray Utf16WithBom(const QString& text) {
    QByteArray bytes("\xff\xfe", 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

}  // namespace

QByteArray SilentFrames(int count, int claimedFrames) {
    QByteArray frame("\xff\xfb\x90\xc4", 4);
    frame.append(QByteArray(kFrameLength - 4, '\0'));
    QByteArray frames = frame.repeated(count);
    if (claimedFrames > 0) {
        const QByteArray xing = QByteArray("Xing") + BigEndian(0x3) + BigEndian(claimedFrames) +
                                BigEndian(static_cast<quint32>(claimedFrames) * kFrameLength);
        frames.replace(4 + kSideInfoLength, xing.size(), xing);
    }
    return frames;
}

ID3v2Bytes& ID3v2Bytes::frame(const char* id, const QByteArray& data) {
    frames_.emplace_back(QByteArray(id), data);
    return *this;
}

ID3v2Bytes& ID3v2Bytes::text(const char* id, const QString& value, bool utf16) {
    return frame(id, utf16 ? QByteArray(1, '\1') + Utf16WithBom(value) : QByteArray(1, '\0') + value.toLatin1());
}

ID3v2Bytes& ID3v2Bytes::userText(const QString& description, const QString& value) {
    return frame("TXXX", QByteArray(1, '\0') + description.toLatin1() + QByteArray(1, '\0') + value.toLatin1());
}

ID3v2Bytes& ID3v2Bytes::comment(const QString& description, const QString& value) {
    return frame("COMM", QByteArray(1, '\0') + "eng" + description.toLatin1() + QByteArray(1, '\0') + value.toLatin1());
}

ID3v2Bytes& ID3v2Bytes::lyrics(const QString& value) {
    return frame("USLT", QByteArray(1, '\0') + "eng" + QByteArray(1, '\0') + value.toLatin1());
}

ID3v2Bytes& ID3v2Bytes::picture(const QByteArray& data, const char* mimeType) {
    return frame("APIC", QByteArray(1, '\0') + mimeType + QByteArray(1, '\0') + QByteArray(1, '\3') +
                             QByteArray(1, '\0') + data);
}

QByteArray ID3v2Bytes::bytes() const {
    QByteArray body;
    for (const auto& [id, data] : frames_)
        body += id + (version_ == 4 ? SyncSafe(data.size()) : BigEndian(data.size())) + QByteArray(2, '\0') + data;
    return QByteArray("ID3") + QByteArray(1, static_cast<char>(version_)) + QByteArray(2, '\0') +
           SyncSafe(body.size()) + body;
}

QByteArray ID3v1Bytes::bytes() const {
    return QByteArray("TAG") + Latin1Field(title, 30) + Latin1Field(artist, 30) + Latin1Field(album, 30) +
           Latin1Field(year, 4) + Latin1Field(comment, 28) + QByteArray(1, '\0') +
           QByteArray(1, static_cast<char>(track)) + QByteArray(1, static_cast<char>(genre));
}

void WriteMp3(const QString& path, const QByteArray& id3v2, const QByteArray& frames, const QByteArray& id3v1) {
    WriteFile(path, id3v2 + frames + id3v1);
}

std::vector<std::pair<QByteArray, QByteArray>> ID3v2Frames(const QByteArray& file) {
    std::vector<std::pair<QByteArray, QByteArray>> frames;
    if (!file.startsWith("ID3")) return frames;
    const auto byte = [&](qsizetype at) { return static_cast<quint32>(static_cast<unsigned char>(file[at])); };
    const qsizetype tagEnd = 10 + ((byte(6) << 21) | (byte(7) << 14) | (byte(8) << 7) | byte(9));
    const int bits = file[3] == 4 ? 7 : 8;
    for (qsizetype at = 10; at + 10 <= tagEnd && file[at] != '\0';) {
        const qsizetype size =
            (byte(at + 4) << (3 * bits)) | (byte(at + 5) << (2 * bits)) | (byte(at + 6) << bits) | byte(at + 7);
        frames.emplace_back(file.mid(at, 4), file.mid(at + 10, size));
        at += 10 + size;
    }
    return frames;
}

QByteArray FrameBody(const QByteArray& file, const char* id) {
    for (const auto& [frameId, body] : ID3v2Frames(file))
        if (frameId == id) return body;
    return {};
}

void WriteMusicFolder(const QString& folder, int count) {
    for (int i = 0; i < count; ++i) {
        const QString album = folder + QString("/Artist %1/Album %2").arg(i % 7).arg(i % 3);
        QDir().mkpath(album);
        const QString title = QString("Song %1").arg(i);
        if (i % 3 == 0)
            WriteMp3(album + QString("/%1.mp3").arg(i), {}, SilentFrames(3),
                     ID3v1Bytes{title, "Old Band", "Old Album", "1980", "", i % 20, 12}.bytes());
        else
            WriteMp3(album + QString("/%1.mp3").arg(i), ID3v2Bytes().text("TIT2", title).text("TPE1", "A").bytes(),
                     SilentFrames(3));
    }
}

}  // namespace orv::test
