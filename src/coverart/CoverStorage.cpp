#include "coverart/CoverStorage.h"

#include "core/AtomicFile.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ImageLibrary.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "coverart/CoverLookup.h"
#include "coverart/SearchKeys.h"
#include "store/ProgramFiles.h"
#include "tags/EmbeddedPicture.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace orv {
namespace {

constexpr int kJpegQuality = 90;

void showCover(ProgramState& state, const Picture& picture) {
    state.ui().setVisible(Control::imgBuildAlbumCover, true);
    state.ui().showPicture(Control::imgBuildAlbumCover, picture);
}

bool isJpeg(const QByteArray& data) {
    return data.startsWith("\xFF\xD8\xFF");
}

// The picture as JPEG bytes: a JPEG as it is, any other picture the image library reads
// converted (transparent parts on white). Nothing when it cannot be read.
std::optional<QByteArray> jpegBytes(const EmbeddedPicture& picture) {
    if (isJpeg(picture.data)) return picture.data;
    return imageLibrary().asJpeg(picture.data, kJpegQuality);
}

// Writes a new file whole; a file that is already there is kept.
bool writeNewFile(const QString& path, const QByteArray& bytes) {
    AtomicFile file(path);
    return file.open() && file.write(bytes) && file.commitWithoutReplacing();
}

bool isTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The side image for a media file whose extension has `letters` letters; empty for another.
QString sideImage(const QString& mediaFileName, int letters) {
    const qsizetype dot = mediaFileName.size() - letters - 1;
    const bool fits =
        dot > 0 && mediaFileName[dot] == QLatin1Char('.') && !mediaFileName.mid(dot).contains(QLatin1Char('/'));
    return fits ? mediaFileName.left(dot) + QLatin1String(".jpg") : QString();
}

}  // namespace

QString coverFilePath(const QString& songFolder, const QString& album) {
    return AddBackslash(songFolder) + MakeAlbumFileName(album) + QLatin1String(".jpg");
}

void ShowExistingCover(ProgramState& state, CoverArtRun& run, const QString& songFolder, const QString& album,
                       const EmbeddedPictures& pictures) {
    const QString cover = coverFilePath(songFolder, album);
    const int embedded = pictures.pictureCount();
    if (embedded < 1 && !run.coverFileExists(cover)) return;
    const QByteArray bytes = embedded >= 1 && state.ui().showsPictures() ? pictures.picture(1).data : QByteArray();
    showCover(state, {bytes, cover});
    state.run.CoverArtState = CoverArt::AlreadyEmbedded;
}

void ExtractEmbeddedCover(ProgramState& state, CoverArtRun& run, const QString& songFolder, const QString& album,
                          const EmbeddedPictures& pictures) {
    if (!state.player.ExtractEmbeddedImages || pictures.pictureCount() < 1) return;
    const QString cover = coverFilePath(songFolder, album);
    if (isTaken(cover)) return;
    const std::optional<QByteArray> jpeg = jpegBytes(pictures.picture(1));
    if (!jpeg) return;
    writeNewFile(cover, *jpeg);
    run.coverFileWritten(cover);
}

void StoreCoverArt(ProgramState& state, CoverArtRun& run, const QString& songFolder,
                   [[maybe_unused]] const QString& mediaFileName, const QString& artist, const QString& album,
                   [[maybe_unused]] const QString& title, const QString& band, const EmbeddedPictures* pictures) {
    if (!state.player.DownloadCoverArt || trimBlanks(artist).isEmpty() || trimBlanks(album).isEmpty()) return;
    const QString cover = coverFilePath(songFolder, album);
    if (run.coverFileExists(cover) || (pictures && pictures->pictureCount() >= 1)) return;

    const QString found = FindCoverArt(run, artist, album, band);
    if (found.isEmpty()) {
        showDownloadStatus(state, run.takeOfflineNotice() ? kOfflineStatusText : kNotFoundStatusText);
        state.run.CoverArtState = CoverArt::NotFound;
        run.countCover(false);
        return;
    }
    showCover(state, Picture::readNow(found));
    const int copied = isTaken(cover) ? kCopyDestinationExists : CopyFileSilently(found, cover);
    run.coverFileWritten(cover);
    QFile::remove(found);
    const bool stored = copied != kCopyFailed;
    showDownloadStatus(state, stored ? kDownloadedStatusText : kNotStoredStatusText);
    state.run.CoverArtState = stored ? CoverArt::Downloaded : CoverArt::NotFound;
    run.countCover(stored);
}

void ShowSideImage(ProgramState& state, const QString& mediaFileName) {
    const QString threeLetters = sideImage(mediaFileName, 3);
    const QString fourLetters = sideImage(mediaFileName, 4);
    if (!threeLetters.isEmpty() && FileExists(threeLetters)) {
        showCover(state, {QByteArray(), threeLetters});
    } else if (!fourLetters.isEmpty() && FileExists(fourLetters)) {
        showCover(state, {QByteArray(), fourLetters});
        state.run.CoverArtState = CoverArt::AlreadyEmbedded;
    }
}

int CopyFileSilently(const QString& source, const QString& destination) {
    if (isTaken(destination)) return kCopyDestinationExists;
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) return kCopyFailed;
    AtomicFile output(destination);
    if (!output.open() || !output.appendFrom(input.handle(), 0, input.size())) return kCopyFailed;
    if (output.commitWithoutReplacing()) return 0;
    return isTaken(destination) ? kCopyDestinationExists : kCopyFailed;
}

QString coverArtStateText(CoverArt coverArtState) {
    switch (coverArtState) {
    case CoverArt::ManuallyAssociated:
        return QStringLiteral("Manually Associated");
    case CoverArt::AlreadyEmbedded:
        return QStringLiteral("Already Embedded");
    case CoverArt::Downloaded:
        return QStringLiteral("Successfully Downloaded And Embedded");
    case CoverArt::NotFound:
        return QStringLiteral("Attempted Download Unsuccessful");
    }
    return {};
}

}  // namespace orv
