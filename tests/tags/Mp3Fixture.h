#pragma once

#include "support/Files.h"

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace orv::test {

// MP3 files made in the tests: silent MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, mono,
// 417 bytes, 1152 samples each) with tag bytes built here, independently of the code under test.

// `count` silent frames. With `claimedFrames`, the first frame carries a Xing header that claims
// that many frames for the whole stream.
QByteArray SilentFrames(int count, int claimedFrames = 0);

// An ID3v2.3 tag (or, given 4, an ID3v2.4 tag), frames in the order added.
class ID3v2Bytes {
public:
    explicit ID3v2Bytes(int version = 3) : version_(version) {}
    // A frame with any identifier and body.
    ID3v2Bytes& frame(const char* id, const QByteArray& data);
    // A text frame (TIT2, TYER, ...), Latin-1, or UTF-16 with byte-order mark when `utf16`.
    ID3v2Bytes& text(const char* id, const QString& value, bool utf16 = false);
    ID3v2Bytes& userText(const QString& description, const QString& value);  // TXXX
    ID3v2Bytes& comment(const QString& description, const QString& value);   // COMM
    ID3v2Bytes& lyrics(const QString& value);                                // USLT
    ID3v2Bytes& picture(const QByteArray& data, const char* mimeType);       // APIC, front cover
    QByteArray bytes() const;

private:
    int version_;
    std::vector<std::pair<QByteArray, QByteArray>> frames_;
};

// An ID3v1.1 tag: 128 bytes.
struct ID3v1Bytes {
    QString title, artist, album, year, comment;
    int track = 0;
    int genre = 255;
    QByteArray bytes() const;
};

// Writes the file: ID3v2 tag, frames, ID3v1 tag.
void WriteMp3(const QString& path, const QByteArray& id3v2, const QByteArray& frames, const QByteArray& id3v1 = {});

// The ID3v2 frames of a file's bytes (ID3v2.3 or ID3v2.4 sizes): identifier and body, in file order.
std::vector<std::pair<QByteArray, QByteArray>> ID3v2Frames(const QByteArray& file);
// The body of the first frame with this identifier; empty when there is none.
QByteArray FrameBody(const QByteArray& file, const char* id);

// A music folder of `count` MP3 files under "Artist N/Album M/": every third one has only an ID3v1
// tag, so a build writes into it.
void WriteMusicFolder(const QString& folder, int count);

}  // namespace orv::test
