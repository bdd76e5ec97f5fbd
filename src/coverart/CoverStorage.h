#pragma once

#include "coverart/CoverArtRun.h"

#include <QString>

namespace orv {

struct ProgramState;
class EmbeddedPictures;
enum class CoverArt : qint16;

// The album cover beside the songs. The player looks for an album's cover as "<album>.jpg" in the
// song's folder (then by the cover-name setting, then embedded in the song file); a build makes sure
// that file exists, and records in state.run.CoverArtState what it found.

// The cover file of an album: the folder, MakeAlbumFileName(album), ".jpg".
QString coverFilePath(const QString& songFolder, const QString& album);

// Songs read from their own tags (MP3 files and the other formats): a cover file that is there, or
// a picture embedded in the file, is shown (the embedded one first) and counts as already embedded.
void ShowExistingCover(ProgramState& state, CoverArtRun& run, const QString& songFolder, const QString& album,
                       const EmbeddedPictures& pictures);

// Songs read from their own tags: when the album has no cover file, the first embedded picture
// becomes it, as a JPEG (a JPEG picture byte for byte, another picture converted). Nothing is
// written when the picture cannot be read.
void ExtractEmbeddedCover(ProgramState& state, CoverArtRun& run, const QString& songFolder, const QString& album,
                          const EmbeddedPictures& pictures);

// Any media file: when downloading is on, the song has an artist and an album, and the album has
// neither a cover file nor an embedded picture, the cover is searched online and stored as the
// cover file. Side-file media pass no pictures.
void StoreCoverArt(ProgramState& state, CoverArtRun& run, const QString& songFolder, const QString& mediaFileName,
                   const QString& artist, const QString& album, const QString& title, const QString& band,
                   const EmbeddedPictures* pictures);

// Media other than MP3: a picture named like the media file with ".jpg" for its extension is
// shown. For a three-letter extension (Song.wma, Song.jpg) the state is left as it is; for a
// four-letter one (Song.mpeg, Song.jpg) it counts as already embedded.
void ShowSideImage(ProgramState& state, const QString& mediaFileName);

// Copies a file to a destination that does not exist yet. The copy is made under a temporary
// name in the destination's folder and then given its name, so the destination never holds half
// a file, and a file already at the destination is never replaced. 0 when copied, otherwise
// kCopyDestinationExists or kCopyFailed.
int CopyFileSilently(const QString& source, const QString& destination);
inline constexpr int kCopyDestinationExists = 183;
inline constexpr int kCopyFailed = 1;

// The build log's text for a CoverArtState.
QString coverArtStateText(CoverArt coverArtState);

inline const QString kDownloadedStatusText = QStringLiteral("SUCCESS!!  Cover Art Found...  Updating Music Library...");
inline const QString kNotFoundStatusText = QStringLiteral("Sorry, Unable To Locate Cover Art For This Title...");
inline const QString kNotStoredStatusText = QStringLiteral("Sorry, Unable To Save The Cover Art For This Title...");
inline const QString kOfflineStatusText =
    QStringLiteral("Cover Art Service Not Responding...  No More Online Searches During This Build...");

}  // namespace orv
