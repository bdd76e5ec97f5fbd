// First of all, before any header (ours too) that declares TagLib::MPEG::File: the frame
// header's constructor takes a TagLib::File, and an earlier MPEG::File would be taken for it.
// clang-format off
#include <taglib/taglib.h>
#include <taglib/mpegheader.h>
// clang-format on

#include "tags/TagComponent.h"

#include "core/RuntimeError.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

using TagLib::ID3v2::FrameFactory;

// TagLib reads ID3v2.3 date frames under their ID3v2.4 names.
TagLib::ByteVector storedFrameId(const QString& frameId) {
    if (frameId == QLatin1String("TYER")) return "TDRC";
    if (frameId == QLatin1String("TORY")) return "TDOR";
    return frameId.toLatin1().constData();
}

// TagLib rewrites genre texts while it parses them ("(17)Rock" arrives as "Rock", "(13)Ballad" as
// "13 Ballad"). The reading side wants the text as stored in the file, so it parses TCON under
// an identifier of its own, which no file can hold (frame identifiers are letters and digits).
// A file read this way is never saved: writes parse the file afresh with TagLib's own factory.
const TagLib::ByteVector kStoredGenreFrameId("TCO~");

// A frame subclass may name TagLib's protected frame header type.
struct FrameHeaderName : TagLib::ID3v2::Frame {
    using Header = TagLib::ID3v2::Frame::Header;
};

class StoredGenreFrameFactory : public FrameFactory {
public:
    StoredGenreFrameFactory() = default;

protected:
    bool updateFrame(FrameHeaderName::Header* header) const override {
        if (!FrameFactory::updateFrame(header)) return false;
        if (header->frameID() == "TCON") header->setFrameID(kStoredGenreFrameId);
        return true;
    }
};

StoredGenreFrameFactory& readingFrameFactory() {
    static StoredGenreFrameFactory factory;
    return factory;
}

QString fromTagLib(const TagLib::String& text) {
    return QString::fromUtf8(text.toCString(true));
}

TagLib::String toTagLib(const QString& text) {
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}

// The year of a date frame, whose text TagLib may have joined with the day into a timestamp.
QString yearOfTimestamp(const QString& text) {
    static const QRegularExpression timestamp(QStringLiteral("^(\\d{4})-"));
    const QRegularExpressionMatch match = timestamp.match(text);
    return match.hasMatch() ? match.captured(1) : text;
}

QString frameValue(const TagLib::ID3v2::Frame* frame) {
    if (const auto* userText = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame)) {
        TagLib::StringList values = userText->fieldList();
        if (!values.isEmpty()) values.erase(values.begin());
        return fromTagLib(values.toString());
    }
    return fromTagLib(frame->toString());
}

RuntimeError fileAccessError(const QString& fileName) {
    return RuntimeError(ErrorNumber::PathFileAccess, QStringLiteral("Path/File access error: ") + fileName);
}

// Makes `contents` the file at `path`: a temporary file beside it is written, flushed to the disk,
// given the old file's permissions and renamed over it.
void replaceFile(const QString& path, const QByteArray& contents) {
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat original {};
    if (::stat(nativePath.constData(), &original) != 0) throw fileAccessError(path);
    const QFileInfo info(path);
    QTemporaryFile temporary(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!temporary.open() || temporary.write(contents) != contents.size() || !temporary.flush() ||
        ::fchmod(temporary.handle(), original.st_mode & 07777) != 0 || ::fsync(temporary.handle()) != 0)
        throw fileAccessError(path);
    temporary.close();
    if (::rename(QFile::encodeName(temporary.fileName()).constData(), nativePath.constData()) != 0)
        throw fileAccessError(path);
    temporary.setAutoRemove(false);
    const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void setTextFrame(TagLib::ID3v2::Tag& tag, const QString& frameId, const QString& text) {
    const TagLib::ByteVector id = storedFrameId(frameId);
    tag.removeFrames(id);
    if (text.isEmpty()) return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
    frame->setText(toTagLib(text));
    tag.addFrame(frame);
}

}  // namespace

TagComponent::TagComponent() = default;
TagComponent::~TagComponent() = default;

bool TagComponent::openFile(const QString& fileName) {
    fileName_ = fileName;
    frameEdits_.clear();
    id3v1Edits_ = {};
    return read();
}

bool TagComponent::read() {
    file_.reset();
    stream_.reset();
    auto stream = std::make_unique<TagLib::FileStream>(QFile::encodeName(fileName_).constData(), true);
    if (!stream->isOpen()) return false;
    auto file = std::make_unique<TagLib::MPEG::File>(stream.get(), &readingFrameFactory(), true,
                                                     TagLib::AudioProperties::Average);
    if (!file->isValid()) return false;
    stream_ = std::move(stream);
    file_ = std::move(file);
    return true;
}

bool TagComponent::hasID3v2() const {
    return file_ && file_->hasID3v2Tag();
}

QString TagComponent::frameText(const QString& frameId) const {
    if (!hasID3v2()) return {};
    const bool genre = frameId == QLatin1String("TCON");
    const TagLib::ID3v2::FrameList& frames =
        file_->ID3v2Tag()->frameList(genre ? kStoredGenreFrameId : storedFrameId(frameId));
    if (frames.isEmpty()) return {};
    const QString text = frameValue(frames.front());
    return frameId == QLatin1String("TYER") || frameId == QLatin1String("TORY") ? yearOfTimestamp(text) : text;
}

int TagComponent::commentCount() const {
    return hasID3v2() ? static_cast<int>(file_->ID3v2Tag()->frameList("COMM").size()) : 0;
}

QString TagComponent::commentDescription(int number) const {
    if (number < 1 || number > commentCount()) return {};
    const auto* comment =
        dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(file_->ID3v2Tag()->frameList("COMM")[number - 1]);
    return comment ? fromTagLib(comment->description()) : QString();
}

QString TagComponent::CommentText(int number) const {
    if (number < 1 || number > commentCount()) return {};
    return frameValue(file_->ID3v2Tag()->frameList("COMM")[number - 1]);
}

QString TagComponent::id3v1Title() const {
    return file_ && file_->hasID3v1Tag() ? fromTagLib(file_->ID3v1Tag()->title()) : QString();
}

QString TagComponent::id3v1Artist() const {
    return file_ && file_->hasID3v1Tag() ? fromTagLib(file_->ID3v1Tag()->artist()) : QString();
}

QString TagComponent::id3v1Album() const {
    return file_ && file_->hasID3v1Tag() ? fromTagLib(file_->ID3v1Tag()->album()) : QString();
}

QString TagComponent::id3v1Year() const {
    if (!file_ || !file_->hasID3v1Tag()) return {};
    const unsigned int year = file_->ID3v1Tag()->year();
    return year == 0 ? QString() : QString::number(year);
}

QString TagComponent::id3v1Comment() const {
    return file_ && file_->hasID3v1Tag() ? fromTagLib(file_->ID3v1Tag()->comment()) : QString();
}

int TagComponent::id3v1Track() const {
    return file_ && file_->hasID3v1Tag() ? static_cast<int>(file_->ID3v1Tag()->track()) : 0;
}

int TagComponent::id3v1Genre() const {
    return file_ && file_->hasID3v1Tag() ? static_cast<int>(file_->ID3v1Tag()->genreNumber()) : 255;
}

double TagComponent::lengthInSeconds() const {
    if (!file_ || !file_->audioProperties()) return 0.0;
    return file_->audioProperties()->lengthInMilliseconds() / 1000.0;
}

qint64 TagComponent::measuredMilliseconds() const {
    if (!file_) return 0;
    long position = file_->firstFrameOffset();
    if (position < 0) return 0;
    const TagLib::MPEG::Header first(file_.get(), position, false);
    if (!first.isValid() || first.sampleRate() <= 0) return 0;
    const auto sameStream = [&first](const TagLib::MPEG::Header& header) {
        return header.isValid() && header.frameLength() > 0 && header.version() == first.version() &&
               header.layer() == first.layer() && header.sampleRate() == first.sampleRate();
    };
    qint64 samples = 0;
    while (position >= 0) {
        const TagLib::MPEG::Header header(file_.get(), position, false);
        if (sameStream(header)) {
            samples += header.samplesPerFrame();
            position += header.frameLength();
        } else {
            // Something other than a frame: go on at the next frame after it, if any.
            position = file_->nextFrameOffset(position + 1);
        }
    }
    return samples * 1000 / first.sampleRate();
}

void TagComponent::setFrameText(const QString& frameId, const QString& text) {
    for (auto& edit : frameEdits_) {
        if (edit.first == frameId) {
            edit.second = text;
            return;
        }
    }
    frameEdits_.emplace_back(frameId, text);
}

void TagComponent::setID3v1Title(const QString& text) {
    id3v1Edits_.title = text;
}

void TagComponent::setID3v1Artist(const QString& text) {
    id3v1Edits_.artist = text;
}

void TagComponent::setID3v1Album(const QString& text) {
    id3v1Edits_.album = text;
}

void TagComponent::setID3v1Track(int track) {
    id3v1Edits_.track = track;
}

void TagComponent::writeID3v1() {
    if (id3v1Edits_.any()) write(TagLib::MPEG::File::ID3v1);
}

void TagComponent::writeID3v2() {
    if (!frameEdits_.empty()) write(TagLib::MPEG::File::ID3v2);
}

void TagComponent::write(int tagType) {
    if (!file_) throw fileAccessError(fileName_);
    QFile source(fileName_);
    if (!source.open(QIODevice::ReadOnly)) throw fileAccessError(fileName_);
    const QByteArray original = source.readAll();
    source.close();

    TagLib::ByteVectorStream memory(
        TagLib::ByteVector(original.constData(), static_cast<unsigned int>(original.size())));
    {
        TagLib::MPEG::File copy(&memory, FrameFactory::instance(), false);
        if (!copy.isValid()) throw fileAccessError(fileName_);
        if (tagType == TagLib::MPEG::File::ID3v2) {
            for (const auto& [frameId, text] : frameEdits_) setTextFrame(*copy.ID3v2Tag(true), frameId, text);
        } else {
            TagLib::ID3v1::Tag& tag = *copy.ID3v1Tag(true);
            if (id3v1Edits_.title) tag.setTitle(toTagLib(*id3v1Edits_.title));
            if (id3v1Edits_.artist) tag.setArtist(toTagLib(*id3v1Edits_.artist));
            if (id3v1Edits_.album) tag.setAlbum(toTagLib(*id3v1Edits_.album));
            if (id3v1Edits_.track) tag.setTrack(static_cast<unsigned int>(*id3v1Edits_.track));
        }
        if (!copy.save(tagType, TagLib::MPEG::File::StripNone, TagLib::ID3v2::v3, TagLib::MPEG::File::DoNotDuplicate))
            throw fileAccessError(fileName_);
    }
    const TagLib::ByteVector& written = *memory.data();
    replaceFile(fileName_, QByteArray(written.data(), static_cast<qsizetype>(written.size())));

    if (tagType == TagLib::MPEG::File::ID3v2)
        frameEdits_.clear();
    else
        id3v1Edits_ = {};
    read();
}

int TagComponent::pictureCount() const {
    return hasID3v2() ? static_cast<int>(file_->ID3v2Tag()->frameList("APIC").size()) : 0;
}

EmbeddedPicture TagComponent::picture(int number) const {
    if (number < 1 || number > pictureCount()) return {};
    const auto* picture =
        dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(file_->ID3v2Tag()->frameList("APIC")[number - 1]);
    if (!picture) return {};
    const TagLib::ByteVector bytes = picture->picture();
    return {QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), fromTagLib(picture->mimeType())};
}

}  // namespace orv
