#pragma once

#include "tags/EmbeddedPicture.h"
#include "tags/TagWriter.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace TagLib {
namespace MPEG {
class File;
}
}  // namespace TagLib

namespace orv {

class BlockFileStream;

// The tag component: ID3v1 and ID3v2 access to one MP3 file, made anew for each file.
//
// Reads answer from the file as it was opened. Set operations are gathered and reach the file
// when the tag they belong to is written; the file is then reopened, so later reads see what
// was written. A write is one write of the whole file (tags/TagWriter.h): a failed or interrupted
// write leaves the old file whole, and a file the user may not write is left alone.
//
// Frame identifiers are those of ID3v2.3. A tag the file has keeps its version and every frame
// that was not set; a new tag is ID3v2.3. Writing one tag leaves the other as it is.
class TagComponent : public EmbeddedPictures {
public:
    TagComponent();
    ~TagComponent() override;
    TagComponent(const TagComponent&) = delete;
    TagComponent& operator=(const TagComponent&) = delete;

    // Opens a file for tag access, its ID3v2 tag read. False when it cannot be read as MPEG audio
    // or is no regular file (a pipe or a device is never read); the reads then answer empty.
    bool openFile(const QString& fileName);
    const QString& fileName() const { return fileName_; }

    bool hasID3v2() const;
    // The text of the first frame with this identifier; Null when there is none. For a
    // user-defined text frame (TXXX) this is its value, not its description. The years (TYER,
    // TORY) are the stored texts; of an ID3v2.4 timestamp, or of the date that TagLib joins from
    // an ID3v2.3 tag's TYER and TDAT, only the year.
    QString frameText(const QString& frameId) const;
    int commentCount() const;
    // Description and text of comment frame `number`, counted from 1; Null when there is none.
    QString commentDescription(int number) const;
    QString CommentText(int number) const;

    QString id3v1Title() const;
    QString id3v1Artist() const;
    QString id3v1Album() const;
    // The four year bytes as text, without NULs and blanks at the end.
    QString id3v1Year() const;
    QString id3v1Comment() const;
    // The track byte; 0 when the tag has none.
    int id3v1Track() const;
    // The genre byte; 255 (no genre) when the file has no ID3v1 tag.
    int id3v1Genre() const;

    // The length in seconds as the file's headers give it; 0 when they give none.
    double lengthInSeconds() const;
    // The length found by walking every MPEG frame of the file, in milliseconds.
    qint64 measuredMilliseconds() const;

    // Gathered for the next write of the ID3v2 tag. An empty text removes the frame. Only text
    // information frames (T..., not TXXX) can be set.
    void setFrameText(const QString& frameId, const QString& text);
    // Whether a frame of this identifier was set for the next write.
    bool isFrameSet(const QString& frameId) const;
    void setID3v1Title(const QString& text);
    void setID3v1Artist(const QString& text);
    void setID3v1Album(const QString& text);
    void setID3v1Track(int track);

    // Write what was set into the file: one tag, or both in one write. A tag with nothing set is
    // not rewritten. A failure throws a RuntimeError and leaves the file as it was.
    void writeID3v1();
    void writeID3v2();
    void writeTags();
    // Makes the write of the ID3v2 edits set so far ready (tags/TagWriter), unless the file would be
    // written in place; the next write of the same edits (and no ID3v1 edits) only commits it. A
    // failure here is forgotten: that write is made anew, and reports it.
    void prepareID3v2Write();
    // Later writes wait for the group's flush (core/AtomicFile), and the file is then not reopened:
    // the reads go on answering from the file as it was opened. Its audio is the same.
    void deferWritesTo(ReplacementGroup* group) { group_ = group; }
    // The file's last-write time as this component's last write left it; nothing before a write.
    const std::optional<struct timespec>& lastWriteTime() const { return lastWrite_; }

    // The pictures of the ID3v2 tag.
    int pictureCount() const override;
    EmbeddedPicture picture(int number) const override;

private:
    bool read();
    void readStoredYears();
    QString yearText(const QString& frameId, const QString& text) const;
    void write(bool id3v1, bool id3v2);

    QString fileName_;
    std::unique_ptr<BlockFileStream> stream_;
    std::unique_ptr<TagLib::MPEG::File> file_;
    int milliseconds_ = 0;  // the length as the headers give it
    QString id3v1Year_;
    std::optional<QString> storedRecordingYear_;  // TYER as stored, where TagLib joined TDAT to it
    FrameEdits frameEdits_;                       // in the order they were set
    ID3v1Edits id3v1Edits_;
    ReplacementGroup* group_ = nullptr;
    std::optional<struct timespec> lastWrite_;
    std::optional<PreparedTagWrite> prepared_;
    FrameEdits preparedEdits_;
};

}  // namespace orv
