#pragma once

#include "tags/EmbeddedPicture.h"
#include "tags/SongFields.h"

#include <QString>
#include <optional>
#include <vector>

namespace orv {

struct ProgramState;

// Song files of other formats than MP3, each read through TagLib's reader for its format: FLAC,
// Ogg (Vorbis or Opus), Opus, MP4 (M4A: AAC or ALAC), WMA (ASF) and WAV (its ID3v2 tag, or else its
// RIFF INFO list). Nothing is ever written into them: they keep their own tags.
enum class SongFormat { Flac, Ogg, Opus, Mp4, Wma, Wav };

// The format an extension names ("flac"; "ogg", "oga"; "opus"; "m4a", "m4b", "mp4"; "wma"; "wav"),
// letter case ignored; nothing for another. songFormatOf takes the extension of a file's name.
std::optional<SongFormat> songFormatOfExtension(const QString& extension);
std::optional<SongFormat> songFormatOf(const QString& path);
// The format's name in messages: "FLAC", "Ogg", "Opus", "MP4", "WMA", "WAV".
QString songFormatName(SongFormat format);

// One such file as read: the song fields its tags give (mapped as an MP3 file's frames are: the
// album artist as the band, the original year as the song year, the track normalised, the decade
// from the year), its length in whole seconds from its audio properties (0 when they give none),
// and its embedded pictures.
struct FormatSong : EmbeddedPictures {
    SongFields song;
    int seconds = 0;
    std::vector<EmbeddedPicture> pictures;

    int pictureCount() const override { return static_cast<int>(pictures.size()); }
    EmbeddedPicture picture(int number) const override;
};

// Reads a file through the reader of its format. Nothing when it is no regular file, or when its
// content is not what its name says.
std::optional<FormatSong> readFormatFile(const QString& path, SongFormat format);
// Reads it as a build does: readFormatFile, then, with UpdateBlankTags on, what is blank of artist,
// title and album from the path (tags/TagsFromFileName.h), which is not written into the file.
std::optional<FormatSong> readFormatSongFields(ProgramState& state, const QString& path, SongFormat format);

}  // namespace orv
