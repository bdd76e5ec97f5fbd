#pragma once

#include "tags/StoredID3v2.h"

#include <QByteArray>
#include <QString>
#include <ctime>
#include <memory>
#include <optional>

namespace orv {

class AtomicFile;
class ReplacementGroup;

// ID3v1 fields to set.
struct ID3v1Edits {
    std::optional<QString> title, artist, album;
    std::optional<int> track;
    bool any() const { return title || artist || album || track; }
};

// Writes tag edits into an MP3 file as one write of the whole file (core/AtomicFile): either all
// of them reach the file or none. With no frame edits the ID3v2 tag stays byte for byte as it is,
// without ID3v1 edits the ID3v1 tag does; in the ID3v2 tag every frame that is not edited keeps
// its bytes, and the tag its version (ID3v2.3 when the file had none). Before the new file is
// committed its audio bytes are compared with the old one's.
//
// Throws a RuntimeError (path/file access) and leaves the file as it is when the file may not be
// written, when its ID3v2 tag did not parse cleanly (rewriting it would lose frames), when
// `readerSawID3v2` but the file has no tag at its start, or when any step of the write fails.
//
// The write is made in two steps: prepareTagEdits() makes the new file complete and checked beside
// the old one, and commit() makes it the file's content (with a group, once the group is flushed:
// core/AtomicFile) and returns the file's last-write time with it. A prepared write that is dropped
// leaves the file as it was.
class PreparedTagWrite {
public:
    explicit PreparedTagWrite(std::unique_ptr<AtomicFile> file);
    PreparedTagWrite(PreparedTagWrite&&) noexcept;
    PreparedTagWrite& operator=(PreparedTagWrite&&) noexcept;
    ~PreparedTagWrite();

    struct timespec commit(ReplacementGroup* group = nullptr);

private:
    std::unique_ptr<AtomicFile> file_;
};

// Without `inPlaceAllowed`, a file that would be written in place (core/AtomicFile) is not
// touched: that throws as well.
PreparedTagWrite prepareTagEdits(const QString& fileName, const FrameEdits& frames, const ID3v1Edits* id3v1,
                                 bool readerSawID3v2, bool inPlaceAllowed = true);

// The text as the ID3v1 tag can hold it (Latin-1): characters Latin-1 lacks become their
// transliteration ("Ł" L, "Œ" OE, "€" EUR, "ﬁ" fi, accents dropped where Latin-1 has no accented
// letter), or "?" each when there is none; combining marks that belong to the letter before are
// dropped.
QByteArray id3v1Text(const QString& text);

// Whether two open MP3 files hold the same audio bytes: everything after the ID3v2 tag at the
// start and before the ID3v1 tag at the end (an APE tag between them counts as audio and must be
// the same too). False when either ID3v2 tag does not parse cleanly.
bool sameAudio(int fd, qint64 size, int otherFd, qint64 otherSize);

}  // namespace orv
