// The per-file pipeline for songs of other formats than MP3, read from their own tags.

#include "builder/BuildRun.h"
#include "coverart/CoverStorage.h"
#include "tags/ID3Tags.h"

#include <QFileInfo>

namespace orv {

std::optional<SongFormat> BuildRun::ownTagsFormat(const QString& path) const {
    const std::optional<SongFormat> format = songFormatOf(path);
    if (!format || !options_.extraMediaTypes.contains(QFileInfo(path).suffix().toLower())) return std::nullopt;
    return format;
}

void BuildRun::formatFile(const MediaFile& file, SongFormat format, LogEntryKind kind) {
    std::optional<FormatSong> read = readFormatSongFields(state_, file.path, format);
    if (!read)
        return skipFile(file.path, QStringLiteral("The file cannot be read as ") + songFormatName(format) +
                                       QStringLiteral(" audio: it is not what its name says."));
    SongFields& song = read->song;
    ShowSongDetails(state_, song.Artist, song.Album, song.Title);
    const QString folder = folderOfPath(file.path);
    ShowExistingCover(state_, coverArt(), folder, song.Album, *read);
    ExtractEmbeddedCover(state_, coverArt(), folder, song.Album, *read);
    StoreCoverArt(state_, coverArt(), folder, file.path, song.Artist, song.Album, song.Title, song.Band, &*read);
    writeSongRecord(kind, file.path, song, read->seconds, FileStamp::fromWords(file.lastWrite));
}

}  // namespace orv
