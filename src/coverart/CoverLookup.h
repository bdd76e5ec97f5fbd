#pragma once

#include <QString>
#include <QUrl>

namespace orv {

struct ProgramState;
class CoverArtRun;

// The online cover-art lookup. A song's album is searched by a fixed series of queries with
// differently spelled artist and keyword texts, stopping at the first that yields a usable picture
// (more than kUsableImageBytes; smaller answers are placeholders). Pictures are downloaded into
// work files in the program folder: the candidates "<keywords> - Large.jpg", " - Medium.jpg" and
// " - Small.jpg", and the result "<artist> - <album>.jpg" (names made file-name safe).

// The result picture's path for the song's artist, album and band; empty when the series found
// nothing, the run has no catalogue, or the album was searched in vain earlier in the run.
QString FindCoverArt(CoverArtRun& run, const QString& artist, const QString& album, const QString& band);

// One query: the result picture's path (named after the artist text and the album name), or
// empty. The picture is chosen large first, then medium, then small.
QString LookUpCoverArt(CoverArtRun& run, const QString& artistText, QString keywordText, const QString& albumName);

// Stores the picture at the web address in the file, whole or not at all. False when the address
// is not an http or https one, the download failed, what arrived does not decode as a picture, or
// the file could not be written.
bool DownloadFile(CoverArtRun& run, const QUrl& url, const QString& filePath);

// The summed size in bytes of the files in the folder whose names match the pattern ("*" any
// text, "?" any one character; everything else stands for itself). Folders are not counted.
qint64 TotalFileSize(const QString& folder, const QString& namePattern);

// Shows a text in the status label of the build panel.
void showDownloadStatus(ProgramState& state, const QString& text);

inline constexpr qint64 kUsableImageBytes = 1000;

inline const QString kLookingText = QStringLiteral("Looking For Cover Art Online...");
inline const QString kRetrievingText = QStringLiteral("Retrieving Album Covers...");
inline const QString kCoverFoundText = QStringLiteral("SUCCESS!! Cover Art Found!");

}  // namespace orv
