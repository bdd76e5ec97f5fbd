#include "tags/FormatTags.h"

#include "tags/BlockFileStream.h"
#include "tags/ID3Tags.h"
#include "tags/TagsFromFileName.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace orv {
namespace {

QString fromTagLib(const TagLib::String& text) {
    return QString::fromUtf8(text.toCString(true));
}

EmbeddedPicture pictureOf(const TagLib::ByteVector& bytes, const TagLib::String& mimeType) {
    return {QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), fromTagLib(mimeType)};
}

// The first value of a property, trimmed; empty when there is none.
QString property(const TagLib::PropertyMap& tags, const char* name) {
    const auto found = tags.find(name);
    return found == tags.end() || found->second.isEmpty() ? QString() : NullToText(fromTagLib(found->second.front()));
}

// The year of a date as the tags write it ("1999", "1999-05-01", "2004-06-07T00:00:00Z"); any other
// text as it stands.
QString yearOf(const QString& date) {
    static const QRegularExpression dated(QStringLiteral("^(\\d{4})(-\\d{2}(-\\d{2}(T.*)?)?)?$"));
    const QRegularExpressionMatch match = dated.match(date);
    return match.hasMatch() ? match.captured(1) : date;
}

// A compilation is marked "1" (or "true", "yes") in these tags; the library marks it "Y".
QString compilationMark(const QString& value) {
    const bool marked = value == QLatin1String("1") || value.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive) ||
                        value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    return marked ? QStringLiteral("Y") : QString();
}

// The song fields of a tag, by the names TagLib gives every format's fields (Xiph comments as they
// are named, MP4 atoms and ASF attributes translated).
SongFields songFieldsOf(const TagLib::PropertyMap& tags) {
    SongFields song;
    song.Title = property(tags, "TITLE");
    song.Artist = property(tags, "ARTIST");
    song.Album = property(tags, "ALBUM");
    song.Band = property(tags, "ALBUMARTIST");
    song.CDYear = yearOf(property(tags, "DATE"));
    song.SongYear = yearOf(property(tags, "ORIGINALDATE"));
    if (song.SongYear.isEmpty()) song.SongYear = property(tags, "ORIGINALYEAR");
    song.Track = property(tags, "TRACKNUMBER");
    song.Lyrics = property(tags, "LYRICS");
    song.Genre = GenreName(property(tags, "GENRE"));
    song.CommentText = property(tags, "COMMENT");
    song.Compilation = compilationMark(property(tags, "COMPILATION"));
    if (song.Band.isEmpty()) song.Band = song.Artist;
    if (!song.Track.isEmpty()) song.Track = NormaliseTrack(song.Track);
    if (song.SongYear.isEmpty()) song.SongYear = song.CDYear;
    song.SongDecade = decadeOf(song.SongYear);
    return song;
}

// What every reader gives: the fields of its tag and the length of its audio.
FormatSong formatSong(const TagLib::PropertyMap& tags, const TagLib::AudioProperties* audio) {
    FormatSong read;
    read.song = songFieldsOf(tags);
    read.seconds = audio ? static_cast<int>(roundToEven(audio->lengthInMilliseconds() / 1000.0)) : 0;
    return read;
}

void addPictures(FormatSong& read, const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    for (const TagLib::FLAC::Picture* picture : pictures)
        read.pictures.push_back(pictureOf(picture->data(), picture->mimeType()));
}

template <typename File, typename... Arguments>
std::unique_ptr<File> parsed(BlockFileStream& stream, Arguments... arguments) {
    auto file = std::make_unique<File>(&stream, arguments..., true, TagLib::AudioProperties::Average);
    if (file->isValid()) return file;
    return nullptr;
}

std::optional<FormatSong> readFlac(BlockFileStream& stream) {
    const auto file = parsed<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance());
    if (!file) return std::nullopt;
    TagLib::Ogg::XiphComment* comment = file->xiphComment();
    FormatSong read = formatSong(comment ? comment->properties() : TagLib::PropertyMap(), file->audioProperties());
    addPictures(read, file->pictureList());
    if (comment) addPictures(read, comment->pictureList());
    return read;
}

// Ogg Vorbis and Opus: a Xiph comment, its pictures in METADATA_BLOCK_PICTURE fields.
template <typename File>
std::optional<FormatSong> readOgg(BlockFileStream& stream) {
    const auto file = parsed<File>(stream);
    if (!file) return std::nullopt;
    FormatSong read = formatSong(file->tag()->properties(), file->audioProperties());
    addPictures(read, file->tag()->pictureList());
    return read;
}

QString mimeTypeOf(TagLib::MP4::CoverArt::Format format) {
    switch (format) {
    case TagLib::MP4::CoverArt::PNG:
        return QStringLiteral("image/png");
    case TagLib::MP4::CoverArt::BMP:
        return QStringLiteral("image/bmp");
    case TagLib::MP4::CoverArt::GIF:
        return QStringLiteral("image/gif");
    default:
        return QStringLiteral("image/jpeg");
    }
}

std::optional<FormatSong> readMp4(BlockFileStream& stream) {
    const auto file = parsed<TagLib::MP4::File>(stream);
    if (!file || !file->tag()) return std::nullopt;
    FormatSong read = formatSong(file->tag()->properties(), file->audioProperties());
    for (const TagLib::MP4::CoverArt& cover : file->tag()->item("covr").toCoverArtList()) {
        const TagLib::ByteVector bytes = cover.data();
        read.pictures.push_back(
            {QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), mimeTypeOf(cover.format())});
    }
    return read;
}

std::optional<FormatSong> readWma(BlockFileStream& stream) {
    const auto file = parsed<TagLib::ASF::File>(stream);
    if (!file) return std::nullopt;
    FormatSong read = formatSong(file->tag()->properties(), file->audioProperties());
    for (const TagLib::ASF::Attribute& attribute : file->tag()->attribute("WM/Picture")) {
        const TagLib::ASF::Picture picture = attribute.toPicture();
        if (picture.isValid()) read.pictures.push_back(pictureOf(picture.picture(), picture.mimeType()));
    }
    return read;
}

std::optional<FormatSong> readWav(BlockFileStream& stream) {
    const auto file = parsed<TagLib::RIFF::WAV::File>(stream);
    if (!file) return std::nullopt;
    const bool id3v2 = file->hasID3v2Tag() && !file->ID3v2Tag()->isEmpty();
    FormatSong read =
        formatSong(id3v2 ? file->ID3v2Tag()->properties() : file->InfoTag()->properties(), file->audioProperties());
    if (!id3v2) return read;
    for (const TagLib::ID3v2::Frame* frame : file->ID3v2Tag()->frameList("APIC"))
        if (const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame))
            read.pictures.push_back(pictureOf(picture->picture(), picture->mimeType()));
    return read;
}

}  // namespace

std::optional<SongFormat> songFormatOfExtension(const QString& extension) {
    static const std::pair<QLatin1String, SongFormat> formats[] = {
        {QLatin1String("flac"), SongFormat::Flac}, {QLatin1String("ogg"), SongFormat::Ogg},
        {QLatin1String("oga"), SongFormat::Ogg},   {QLatin1String("opus"), SongFormat::Opus},
        {QLatin1String("m4a"), SongFormat::Mp4},   {QLatin1String("m4b"), SongFormat::Mp4},
        {QLatin1String("mp4"), SongFormat::Mp4},   {QLatin1String("wma"), SongFormat::Wma},
        {QLatin1String("wav"), SongFormat::Wav}};
    for (const auto& [name, format] : formats)
        if (extension.compare(name, Qt::CaseInsensitive) == 0) return format;
    return std::nullopt;
}

std::optional<SongFormat> songFormatOf(const QString& path) {
    return songFormatOfExtension(QFileInfo(path).suffix());
}

QString songFormatName(SongFormat format) {
    switch (format) {
    case SongFormat::Flac:
        return QStringLiteral("FLAC");
    case SongFormat::Ogg:
        return QStringLiteral("Ogg");
    case SongFormat::Opus:
        return QStringLiteral("Opus");
    case SongFormat::Mp4:
        return QStringLiteral("MP4");
    case SongFormat::Wma:
        return QStringLiteral("WMA");
    case SongFormat::Wav:
        return QStringLiteral("WAV");
    }
    return {};
}

EmbeddedPicture FormatSong::picture(int number) const {
    return number >= 1 && number <= pictureCount() ? pictures[static_cast<std::size_t>(number - 1)] : EmbeddedPicture();
}

std::optional<FormatSong> readFormatFile(const QString& path, SongFormat format) {
    const std::unique_ptr<BlockFileStream> stream = BlockFileStream::openRegularFile(path);
    if (!stream) return std::nullopt;
    switch (format) {
    case SongFormat::Flac:
        return readFlac(*stream);
    case SongFormat::Ogg:
        // The extension is the container's: its stream is Vorbis or Opus.
        if (std::optional<FormatSong> vorbis = readOgg<TagLib::Ogg::Vorbis::File>(*stream)) return vorbis;
        return readOgg<TagLib::Ogg::Opus::File>(*stream);
    case SongFormat::Opus:
        return readOgg<TagLib::Ogg::Opus::File>(*stream);
    case SongFormat::Mp4:
        return readMp4(*stream);
    case SongFormat::Wma:
        return readWma(*stream);
    case SongFormat::Wav:
        return readWav(*stream);
    }
    return std::nullopt;
}

std::optional<FormatSong> readFormatSongFields(ProgramState& state, const QString& path, SongFormat format) {
    std::optional<FormatSong> read = readFormatFile(path, format);
    if (read) fillBlankFieldsFromFileName(state, path, read->song);
    return read;
}

}  // namespace orv
