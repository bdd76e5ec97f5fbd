#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace orv {

// One ID3v2 frame as the file stores it: its identifier and all its bytes, header included.
struct StoredFrame {
    QByteArray id;
    QByteArray bytes;
};

// The ID3v2 tag at the start of a file, as stored: version, flags and every frame byte for byte.
// Tag writes start from this, so that the frames they were not asked to change stay as they are.
struct StoredID3v2 {
    bool present = false;
    int version = 3;  // the major version: 2, 3 or 4
    int revision = 0;
    int flags = 0;
    qint64 size = 0;  // the bytes the tag takes in the file: header, frames, padding and footer
    std::vector<StoredFrame> frames;
    // Why the tag cannot be rewritten without loss; empty when it parsed cleanly.
    QString problem;

    const StoredFrame* frame(const QByteArray& id) const;
};

// The ID3v2 tag at the start of the open file `fd` of `fileSize` bytes. A tag that does not parse
// cleanly (a size past the end of the file, a footer declared but missing, frames that cannot be
// told apart, a whole-tag unsynchronisation or compression that would have to be redone) comes
// back with its problem named.
StoredID3v2 readStoredID3v2(int fd, qint64 fileSize);

// The text of a stored text frame (any of the four ID3v2 encodings), without trailing NULs.
QString storedFrameText(const StoredFrame& frame, int version);

// Text frames to set, by their ID3v2.3 identifiers, in the order they were set; an empty text
// removes the frame.
using FrameEdits = std::vector<std::pair<QString, QString>>;

// The tag's bytes with the edits made, in the tag's own version (ID3v2.3 for a file without a
// tag). Every frame not edited keeps its bytes and its place; an edited frame takes the place of
// the first frame it replaces. The tag keeps its size when the frames fit, and has 1024 bytes of
// padding otherwise. Empty, with `problem` set, when the edits cannot be written in this version.
QByteArray renderID3v2(const StoredID3v2& tag, const FrameEdits& edits, QString& problem);

}  // namespace orv
