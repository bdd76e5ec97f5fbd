// First of all, before any header (ours too) that declares TagLib::MPEG::File: the frame
// header's constructor takes a TagLib::File, and an earlier MPEG::File would be taken for it.
// clang-format off
#include <taglib/taglib.h>
#include <taglib/mpegheader.h>
// clang-format on

#include "tags/TagComponent.h"

#include "core/RuntimeError.h"
#include "core/Text.h"
#include "tags/BlockFileStream.h"
#include "tags/StoredID3v2.h"

#include <QRegularExpression>
#include <algorithm>

#include <taglib/apefooter.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/xingheader.h>

namespace orv {
namespace {

using TagLib::ID3v2::FrameFactory;

// TagLib reads ID3v2.3 date frames under their ID3v2.4 names.
TagLib::ByteVector tagLibFrameId(const QString& frameId) {
    if (frameId == QLatin1String("TYER")) return "TDRC";
    if (frameId == QLatin1String("TORY")) return "TDOR";
    return frameId.toLatin1().constData();
}

// TagLib rewrites genre texts while it parses them ("(17)Rock" arrives as "Rock", "(13)Ballad" as
// "13 Ballad"). The reading side wants the text as stored in the file, so it parses TCON under
// an identifier of its own, which no file can hold (frame identifiers are letters and digits).
// Writes do not go through TagLib: they start from the frames as stored (tags/StoredID3v2.h).
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

// A date as ID3v2.4 writes it, from the year down to the second: "2001", "2001-05-12T20:15".
bool isTimestamp(const QString& text) {
    static const QRegularExpression timestamp(
        QStringLiteral("^\\d{4}(-\\d{2}(-\\d{2}(T\\d{2}(:\\d{2}(:\\d{2})?)?)?)?)?$"));
    return timestamp.match(text).hasMatch();
}

QString frameValue(const TagLib::ID3v2::Frame* frame) {
    if (const auto* userText = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(frame)) {
        TagLib::StringList values = userText->fieldList();
        if (!values.isEmpty()) values.erase(values.begin());
        return fromTagLib(values.toString());
    }
    return fromTagLib(frame->toString());
}

// Where the search for the last frame starts: before an APE tag, else before an ID3v1 tag, else
// at the end of the file.
long lastFrameSearchStart(TagLib::MPEG::File& file) {
    const long length = file.length();
    const long beforeID3v1 = file.hasID3v1Tag() ? length - 128 : length;
    if (file.hasAPETag()) return beforeID3v1 - static_cast<long>(file.APETag()->footer()->completeTagSize()) - 1;
    return file.hasID3v1Tag() ? beforeID3v1 - 1 : length;
}

// The end of the last frame before `position` that a consistent frame follows, searched backwards
// from there; -1 when there is none. TagLib's own search (MPEG::File::previousFrameOffset) gives
// the same answer but looks at each byte through a shared buffer, which took about a third of a
// small file's whole parse.
long lastFrameEnd(TagLib::MPEG::File& file, long position) {
    constexpr long kChunk = 4096;
    long end = position;  // the frame synchronisation pairs looked at lie below this
    while (end > 1) {
        const long start = std::max(0L, end - kChunk);
        file.seek(start);
        const TagLib::ByteVector chunk = file.readBlock(static_cast<unsigned long>(end - start));
        const auto* bytes = reinterpret_cast<const unsigned char*>(chunk.data());
        for (long i = static_cast<long>(chunk.size()) - 2; i >= 0; --i) {
            if (bytes[i] != 0xFF || bytes[i + 1] == 0xFF || (bytes[i + 1] & 0xE0) != 0xE0) continue;
            const TagLib::MPEG::Header header(&file, start + i, true);
            if (header.isValid()) return start + i + header.frameLength();
        }
        end = start + 1;  // the pair that spans two chunks is looked at with the earlier one
    }
    return -1;
}

// The stream's length in milliseconds as TagLib's MPEG properties give it: from the first frame's
// Xing or VBRI header, else as a constant bit rate from the first frame to the end of the last.
int streamMilliseconds(TagLib::MPEG::File& file) {
    const long first = file.firstFrameOffset();
    if (first < 0) return 0;
    const TagLib::MPEG::Header firstHeader(&file, first, false);
    file.seek(first);
    const TagLib::MPEG::XingHeader xing(file.readBlock(static_cast<unsigned long>(firstHeader.frameLength())));
    if (xing.isValid() && firstHeader.samplesPerFrame() > 0 && firstHeader.sampleRate() > 0) {
        const double frameMilliseconds = firstHeader.samplesPerFrame() * 1000.0 / firstHeader.sampleRate();
        return static_cast<int>(frameMilliseconds * xing.totalFrames() + 0.5);
    }
    if (firstHeader.bitrate() <= 0) return 0;
    const long last = lastFrameEnd(file, lastFrameSearchStart(file));
    if (last < 0) return 0;
    const long streamLength = last - first + TagLib::MPEG::Header(&file, last, false).frameLength();
    return streamLength > 0 ? static_cast<int>(streamLength * 8.0 / firstHeader.bitrate() + 0.5) : 0;
}

}  // namespace

TagComponent::TagComponent() = default;
TagComponent::~TagComponent() = default;

bool TagComponent::openFile(const QString& fileName) {
    fileName_ = fileName;
    frameEdits_.clear();
    id3v1Edits_ = {};
    lastWrite_.reset();
    prepared_.reset();
    return read();
}

bool TagComponent::read() {
    file_.reset();
    stream_.reset();
    id3v1Year_.clear();
    storedRecordingYear_.reset();
    std::unique_ptr<BlockFileStream> stream = BlockFileStream::openRegularFile(fileName_);
    if (!stream) return false;
    auto file = std::make_unique<TagLib::MPEG::File>(stream.get(), &readingFrameFactory(), false);
    if (!file->isValid()) return false;
    milliseconds_ = streamMilliseconds(*file);
    stream_ = std::move(stream);
    file_ = std::move(file);
    readStoredYears();
    // What the parse read is in the tags now.
    stream_->dropBlocks();
    return true;
}

// What TagLib does not hand on as stored: the ID3v1 year (it gives a number) and the ID3v2.3 TYER
// that it joined with TDAT into one date.
void TagComponent::readStoredYears() {
    if (file_->hasID3v1Tag()) {
        // The parse has just read the ID3v1 tag: the stream still holds its block.
        const long position = stream_->tell();
        stream_->seek(stream_->length() - 128 + 93);
        const TagLib::ByteVector year = stream_->readBlock(4);
        stream_->seek(position);
        if (year.size() == 4)
            id3v1Year_ = trimBlanks(TrimAtNull(QString::fromLatin1(year.data(), static_cast<qsizetype>(year.size()))));
    }
    if (!hasID3v2() || file_->ID3v2Tag()->header()->majorVersion() >= 4) return;
    const TagLib::ID3v2::FrameList& dates = file_->ID3v2Tag()->frameList("TDRC");
    if (dates.isEmpty() || !fromTagLib(dates.front()->toString()).contains(QLatin1Char('-'))) return;
    const StoredID3v2 stored = readStoredID3v2(stream_->descriptor(), stream_->length());
    const bool shortIds = stored.version == 2;
    const StoredFrame* year = stored.frame(shortIds ? "TYE" : "TYER");
    if (stored.problem.isEmpty() && year && stored.frame(shortIds ? "TDA" : "TDAT"))
        storedRecordingYear_ = storedFrameText(*year, stored.version);
}

bool TagComponent::hasID3v2() const {
    return file_ && file_->hasID3v2Tag();
}

QString TagComponent::frameText(const QString& frameId) const {
    if (!hasID3v2()) return {};
    const bool genre = frameId == QLatin1String("TCON");
    const TagLib::ID3v2::FrameList& frames =
        file_->ID3v2Tag()->frameList(genre ? kStoredGenreFrameId : tagLibFrameId(frameId));
    if (frames.isEmpty()) return {};
    const QString text = frameValue(frames.front());
    return frameId == QLatin1String("TYER") || frameId == QLatin1String("TORY") ? yearText(frameId, text) : text;
}

QString TagComponent::yearText(const QString& frameId, const QString& text) const {
    if (file_->ID3v2Tag()->header()->majorVersion() >= 4) return isTimestamp(text) ? text.left(4) : text;
    return frameId == QLatin1String("TYER") && storedRecordingYear_ ? *storedRecordingYear_ : text;
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
    return id3v1Year_;
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
    return file_ ? milliseconds_ / 1000.0 : 0.0;
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

bool TagComponent::isFrameSet(const QString& frameId) const {
    return std::any_of(frameEdits_.begin(), frameEdits_.end(), [&](const auto& edit) { return edit.first == frameId; });
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
    if (id3v1Edits_.any()) write(true, false);
}

void TagComponent::writeID3v2() {
    if (!frameEdits_.empty()) write(false, true);
}

void TagComponent::prepareID3v2Write() {
    prepared_.reset();
    if (!file_ || frameEdits_.empty()) return;
    try {
        prepared_ = prepareTagEdits(fileName_, frameEdits_, nullptr, hasID3v2(), false);
        preparedEdits_ = frameEdits_;
    } catch (const RuntimeError&) {
        // Made anew, and reported, when the edits are written.
    }
}

void TagComponent::writeTags() {
    if (id3v1Edits_.any() || !frameEdits_.empty()) write(id3v1Edits_.any(), !frameEdits_.empty());
}

void TagComponent::write(bool id3v1, bool id3v2) {
    if (!file_)
        throw RuntimeError(ErrorNumber::PathFileAccess,
                           QStringLiteral("Path/File access error: ") + fileName_ + QStringLiteral(": it is not open"));
    std::optional<PreparedTagWrite> prepared = std::move(prepared_);
    prepared_.reset();
    if (!prepared || id3v1 || !id3v2 || preparedEdits_ != frameEdits_)
        prepared =
            prepareTagEdits(fileName_, id3v2 ? frameEdits_ : FrameEdits(), id3v1 ? &id3v1Edits_ : nullptr, hasID3v2());
    lastWrite_ = prepared->commit(group_);
    if (id3v2) frameEdits_.clear();
    if (id3v1) id3v1Edits_ = {};
    if (!group_) read();
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
