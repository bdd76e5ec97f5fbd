// The per-file pipeline: one media file from disk to its song record.

#include "builder/BuildRun.h"
#include "core/AtomicFile.h"
#include "core/Controls.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "coverart/CoverStorage.h"
#include "store/DataAccess.h"
#include "store/MusicLibraries.h"
#include "store/ProgramFiles.h"
#include "tags/ID3Tags.h"
#include "tags/Mp3Reading.h"
#include "tags/SideFileTags.h"
#include "tags/SongRecords.h"
#include "tags/TagComponent.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <chrono>
#include <sys/stat.h>

namespace orv {
namespace {

// Tag writes wait to be made durable in groups of at most this many files: a full group is put in
// place on a thread of its own while the run goes on.
constexpr std::size_t kMostWaitingReplacements = 64;
// A group that is not full is put in place once the first record waiting for it has waited this
// long, and nothing else is being put in place.
constexpr qint64 kMostWaitingMs = 500;
// The walk runs this many files ahead of the pipeline: their tags are parsed meanwhile.
constexpr std::size_t kFilesAhead = 256;

bool isMp3(const QString& path) {
    return endsWithIgnoringCase(path, u"MP3");
}

// Why a file could not be opened as MPEG audio.
QString unreadableMp3Reason(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("It cannot be read: ") + file.errorString();
    return QStringLiteral("It cannot be read as MPEG audio.");
}

bool isSideFileMedia(const QString& path) {
    static const QStringList threeLetters{QStringLiteral("WMA"), QStringLiteral("WMV"), QStringLiteral("WAV"),
                                          QStringLiteral("MPG"), QStringLiteral("AVI")};
    return threeLetters.contains(path.right(3), Qt::CaseInsensitive) ||
           path.right(4).compare(QLatin1String("MPEG"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString folderOfPath(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

void LibraryIndex::load(ProgramState& state, int records) {
    records_.clear();
    records_.reserve(records);
    forEachRecord(state,
                  QStringLiteral("SELECT FileName, FileDateTimeLow, FileDateTimeHigh FROM ") +
                      SqlQuote(state.CurrentMusicLibrary),
                  Db::Libraries, [this](const Connection::Row& row) {
                      records_[row.text(0)].stamps.append(
                          {static_cast<qint32>(row.number(1)), static_cast<qint32>(row.number(2))});
                  });
}

void LibraryIndex::store(const QString& fileName, const FileStamp& stamp) {
    storedNames_[stores_ % kStoresToldApart] = fileName;
    ++stores_;
    Record& record = records_[fileName];
    record.stamps = {stamp};
    record.met = true;
}

LibraryIndex::Known LibraryIndex::meet(const QString& fileName, const FileStamp& stamp) {
    Known known{.stores = stores_};
    const auto found = records_.find(fileName);
    if (found == records_.end()) return known;
    found->met = true;
    known.ofFile = static_cast<int>(found->stamps.size());
    known.withStamp = static_cast<int>(std::count(found->stamps.cbegin(), found->stamps.cend(), stamp));
    return known;
}

bool LibraryIndex::stillHolds(const Known& known, const QString& fileName) const {
    if (known.stores == stores_) return true;
    if (stores_ - known.stores > kStoresToldApart) return false;
    for (quint64 store = known.stores; store < stores_; ++store)
        if (storedNames_[store % kStoresToldApart] == fileName) return false;
    return true;
}

std::optional<FileStamp> LibraryIndex::metStamp(const QString& fileName) const {
    const auto found = records_.constFind(fileName);
    if (found == records_.cend() || !found->met || found->stamps.size() != 1) return std::nullopt;
    return found->stamps.front();
}

bool LibraryIndex::wasMet(const QString& fileName) const {
    const auto found = records_.constFind(fileName);
    return found != records_.cend() && found->met;
}

QStringList LibraryIndex::filesNotMet() const {
    QStringList files;
    for (auto it = records_.cbegin(); it != records_.cend(); ++it)
        if (!it->met) files << it.key();
    files.sort();
    return files;
}

void BuildRun::queueFile(const MediaFile& file) {
    const LibraryIndex::Known known = library_.meet(file.path, FileStamp::fromWords(file.lastWrite));
    if (isMp3(file.path) && file.size > 100 && known.withStamp == 0) prefetch_.request(file.path);
    if (file.mayShareFile) sharedNames_.push_back(file);
    walked_.push_back({file, QString(), known});
    while (walked_.size() > kFilesAhead) processNextFile();
}

void BuildRun::queueSkippedFile(const QString& path, const QString& reason) {
    walked_.push_back({MediaFile{.path = path}, reason, {}});
}

void BuildRun::processNextFile() {
    const WalkedFile walked = std::move(walked_.front());
    walked_.pop_front();
    if (walked.skipReason.isEmpty())
        GetMediaFileInformation(walked.file, walked.known);
    else
        skipFile(walked.file.path, walked.skipReason);
    keepWritesMoving();
}

void BuildRun::keepWritesMoving() {
    if (flushing_.valid() && flushing_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) finishFlushing();
    const bool waitedLong = !inTurn_.empty() && clock_.elapsed() - inTurn_.front().since >= kMostWaitingMs;
    if (replacements_.waiting() >= kMostWaitingReplacements ||
        (replacements_.waiting() > 0 && waitedLong && !flushing_.valid()))
        startFlushing();
    writeRecordsInTurn();
}

void BuildRun::recordInTurn(LogEntryKind kind, const QString& fileName, const SongFields& song, const FileStamp& stamp,
                            SongRecordWrite write) {
    const quint64 group = replacements_.waiting() > 0 ? groupsStarted_ + 1 : 0;
    RecordInTurn record{kind, fileName, song, stamp, coverLogText(), std::move(write)};
    if (inTurn_.empty() && group == 0) return writeRecord(std::move(record));
    inTurn_.push_back({group, clock_.elapsed(), std::move(record)});
}

void BuildRun::noteInTurn(NoteInTurn note) {
    if (!log_) return;
    if (!inTurn_.empty() && !writingInTurn_) return inTurn_.push_back({0, clock_.elapsed(), std::move(note)});
    tryStep([&] { ((*log_).*note.log)(note.path, note.reason); });
}

void BuildRun::writeRecord(RecordInTurn record) {
    if (!WriteSongRecord(state_, std::move(record.write))) return;
    recordWritten(record.fileName, record.stamp);
    if (log_) log_->LogSongEntry(record.kind, record.fileName, record.song, record.cover);
}

void BuildRun::writeRecordsInTurn() {
    writingInTurn_ = true;
    const auto taken = qScopeGuard([this] { writingInTurn_ = false; });
    while (!inTurn_.empty() && inTurn_.front().group <= groupsPlaced_) {
        std::variant<RecordInTurn, NoteInTurn> step = std::move(inTurn_.front().step);
        inTurn_.pop_front();
        if (auto* note = std::get_if<NoteInTurn>(&step)) {
            noteInTurn(std::move(*note));
            continue;
        }
        RecordInTurn& record = std::get<RecordInTurn>(step);
        const QString fileName = record.fileName;
        // As when it is written at once: a failure ends this file only, and names it.
        try {
            writeRecord(std::move(record));
        } catch (const RuntimeError& error) {
            skipFile(fileName, error.description());
        }
    }
}

void BuildRun::GetMediaFileInformation(const MediaFile& file, const LibraryIndex::Known& known) {
    ++filesSeen_;
    const QString& path = file.path;
    state_.run.CoverArtState = CoverArt::ManuallyAssociated;
    state_.run.CoverSearchedBefore = QDate();
    const bool mp3 = isMp3(path);
    FileStamp stamp = FileStamp::fromWords(file.lastWrite);
    // Read from its own tags, as its format is (its side file, where it has one, wins).
    std::optional<SongFormat> format;
    if (!mp3) {
        const QString sideFile = sideFilePath(path);
        if (FileExists(sideFile)) {
            const std::optional<struct stat> side = pathStatus(sideFile);
            stamp = FileStamp::fromWords(side ? static_cast<quint64>(side->st_size) : 0);
        } else if (!(format = ownTagsFormat(path))) {
            skipFile(path, QStringLiteral("It has no side file (") + sideFile + QStringLiteral(")."));
            return afterFile();
        }
    }
    // From here on a failure ends this file only, and names it.
    try {
        state_.ui().setCaption(Control::lblCurrentFile, CaptionText(path));
        // What the walk counted holds unless a record of the file was stored since or a side file gives
        // the stamp.
        const LibraryIndex::Known records =
            library_.stillHolds(known, path) && stamp == FileStamp::fromWords(file.lastWrite)
                ? known
                : library_.meet(path, stamp);
        if (records.withStamp >= 1) {
            ShowSongAlreadyInLibrary(state_);
            ++unchanged_;
        } else if (records.ofFile >= 1) {
            changedFile(file, mp3, format, stamp);
        } else {
            newFile(file, mp3, format, stamp);
        }
    } catch (const RuntimeError& error) {
        skipFile(path, error.description());
    }
    state_.run.CoverArtState = CoverArt::ManuallyAssociated;
    state_.run.CoverSearchedBefore = QDate();
    afterFile();
}

void BuildRun::afterFile() {
    state_.ui().showBuildProgress({.filesSeen = filesSeen_,
                                   .added = state_.run.AddedCount,
                                   .updated = state_.run.UpdatedCount,
                                   .unchanged = unchanged_,
                                   .coversFound = coverArt_ ? coverArt_->coversFound() : 0,
                                   .coversNotFound = coverArt_ ? coverArt_->coversNotFound() : 0,
                                   .elapsedMs = clock_.elapsed()});
}

CoverArtRun& BuildRun::coverArt() {
    if (!coverArt_) coverArt_ = std::make_unique<CoverArtRun>(state_);
    return *coverArt_;
}

void BuildRun::sideFileCovers(const QString& mediaFile, const SongFields& song) {
    ShowSideImage(state_, mediaFile);
    StoreCoverArt(state_, coverArt(), folderOfPath(mediaFile), mediaFile, song.Artist, song.Album, song.Title,
                  song.Band, nullptr);
}

void BuildRun::changedFile(const MediaFile& file, bool mp3, std::optional<SongFormat> format, const FileStamp& stamp) {
    if (mp3)
        mp3File(file, LogEntryKind::Updated);
    else if (format)
        formatFile(file, *format, LogEntryKind::Updated);
    else
        UpdateNonMp3Data(file.path, stamp);
}

void BuildRun::newFile(const MediaFile& file, bool mp3, std::optional<SongFormat> format, const FileStamp& stamp) {
    if (format)
        formatFile(file, *format, LogEntryKind::Added);
    else if (isSideFileMedia(file.path))
        EnterNonMp3Data(file.path, stamp);
    else if (mp3)
        mp3File(file, LogEntryKind::Added);
}

void BuildRun::mp3File(const MediaFile& file, LogEntryKind kind) {
    if (file.size <= 100) return skipFile(file.path, QStringLiteral("It is 100 bytes or less: too short for a song."));
    TagPrefetch::OpenFile opened = prefetch_.open(file.path);
    if (!opened.tags) return skipFile(file.path, unreadableMp3Reason(file.path));
    TagComponent& tags = *opened.tags;
    SongFields song;
    const FileStamp written = readMp3File(tags, std::move(opened.song), file, song);
    writeSongRecord(kind, file.path, song, ResolveSongLength(tags), written);
}

void BuildRun::writeSongRecord(LogEntryKind kind, const QString& fileName, SongFields& song, int seconds,
                               const FileStamp& stamp) {
    SongRecordWrite write = songRecordWrite(state_, kind == LogEntryKind::Added, seconds, fileName, song,
                                            stamp.highText(), stamp.lowText());
    recordInTurn(kind, fileName, song, stamp, std::move(write));
}

FileStamp BuildRun::readMp3File(TagComponent& tags, std::optional<SongFields> tagsRead, const MediaFile& file,
                                SongFields& song) {
    readMp3SongFields(state_, tags, song, std::move(tagsRead));
    const bool hadID3v2 = tags.hasID3v2();
    ShowSongDetails(state_, song.Artist, song.Album, song.Title);
    const QString folder = folderOfPath(file.path);
    ShowExistingCover(state_, coverArt(), folder, song.Album, tags);
    if (hadID3v2) ExtractEmbeddedCover(state_, coverArt(), folder, song.Album, tags);
    StoreCoverArt(state_, coverArt(), folder, file.path, song.Artist, song.Album, song.Title, song.Band, &tags);
    // One write holds everything this run writes into the file: the fill from the path and, for a
    // file without one, the ID3v2 tag copied from its ID3v1 tag.
    tags.deferWritesTo(&replacements_);
    try {
        if (hadID3v2)
            tags.writeTags();
        else
            WriteID3v2FromID3v1(tags);
    } catch (const RuntimeError& error) {
        // The record is still written, from the tags as read.
        noteUnwrittenTags(file.path, error.description());
    }
    // The record, and the walk's signature, hold the stamp of the file as the run's write left it.
    const quint64 lastWrite = tags.lastWriteTime() ? fileTimeOf(*tags.lastWriteTime()) : file.lastWrite;
    if (lastWrite != file.lastWrite) {
        changedFiles_.insert(file.identity);
        if (file.inSignature) {
            scan_.signature.count(file.lastWrite, -1);
            scan_.signature.count(lastWrite);
        }
    }
    return FileStamp::fromWords(lastWrite);
}

void BuildRun::recordWritten(const QString& fileName, const FileStamp& stamp) {
    library_.store(fileName, stamp);
    if (batch_) batch_->wrote();
}

void BuildRun::refreshSharedStamps() {
    // Each pass over the walked files (the follower makes many) looks only at what it met and wrote.
    std::vector<MediaFile> shared;
    shared.swap(sharedNames_);
    QSet<FileIdentity> changed;
    changed.swap(changedFiles_);
    if (shared.empty() || changed.isEmpty() || state_.run.CloseRequested) return;
    // The new stamps are those of the files in place.
    flushReplacements();
    const QString musicPath = AddBackslash(state_.MusicPath);
    const QString canonicalMusicPath = QFileInfo(musicPath).canonicalFilePath();
    const QString canonicalFolder = canonicalMusicPath.isEmpty() ? QString() : AddBackslash(canonicalMusicPath);
    for (const MediaFile& file : shared) {
        if (!changed.contains(file.identity)) continue;
        refreshStamp(file.path, file.inSignature);
        // A write made through a link went to its target, which the walk may have met under its own name.
        const QString target = QFileInfo(file.path).canonicalFilePath();
        if (!canonicalFolder.isEmpty() && target.startsWith(canonicalFolder)) {
            const QString walkedName = musicPath + target.mid(canonicalFolder.size());
            refreshStamp(walkedName, countsInSignature(walkedName));
        }
    }
}

void BuildRun::refreshStamp(const QString& fileName, bool inSignature) {
    const std::optional<FileStamp> held = library_.metStamp(fileName);
    const std::optional<struct stat> status = pathStatus(fileName);
    if (!held || !status) return;
    const quint64 lastWrite = fileTimeOf(status->st_mtim);
    const FileStamp stamp = FileStamp::fromWords(lastWrite);
    if (stamp == *held) return;
    const BoundStatement update = songUpdateStatement(
        state_.CurrentMusicLibrary,
        {{"FileDateTimeLow", recordNumber(stamp.low)}, {"FileDateTimeHigh", recordNumber(stamp.high)}}, fileName);
    if (!ExecuteSQLCommand(state_, update, Db::Libraries)) return;
    library_.store(fileName, stamp);
    if (!inSignature) return;
    scan_.signature.count(held->words(), -1);
    scan_.signature.count(lastWrite);
}

QString BuildRun::coverLogText() const {
    QString cover = coverArtStateText(state_.run.CoverArtState);
    if (state_.run.CoverArtState == CoverArt::NotFound && state_.run.CoverSearchedBefore.isValid())
        cover += QStringLiteral(" (searched before, on ") +
                 state_.run.CoverSearchedBefore.toString(QStringLiteral("MM/dd/yyyy")) + QLatin1Char(')');
    return cover;
}

void BuildRun::skipFile(const QString& path, const QString& reason) {
    ++skipped_;
    state_.ui().noteFile(path, reason);
    noteInTurn({&BuildLog::logSkippedFile, path, reason});
}

void BuildRun::noteUnwrittenTags(const QString& path, const QString& reason) {
    ++unwrittenTags_;
    state_.ui().noteFile(path, QStringLiteral("its tags could not be written: ") + reason);
    noteInTurn({&BuildLog::logUnwrittenTags, path, reason});
}

std::optional<SideFileSong> BuildRun::readSideFileOf(const QString& mediaFile) {
    QString problem;
    std::optional<SideFileSong> side = readSideFile(sideFilePath(mediaFile), &problem);
    if (!side) skipFile(mediaFile, problem);
    return side;
}

void BuildRun::EnterNonMp3Data(const QString& mediaFile, const FileStamp& stamp) {
    std::optional<SideFileSong> side = readSideFileOf(mediaFile);
    if (!side) return;
    applySongDefaults(side->song);
    ShowSongDetails(state_, side->song.Artist, side->song.Album, side->song.Title);
    sideFileCovers(mediaFile, side->song);
    recordInTurn(LogEntryKind::Added, mediaFile, side->song, stamp,
                 {insertSideFileStatement(state_.CurrentMusicLibrary, mediaFile, *side, stamp.lowText(),
                                          stamp.highText(), recordTime()),
                  true});
}

void BuildRun::UpdateNonMp3Data(const QString& mediaFile, const FileStamp& stamp) {
    std::optional<SideFileSong> side = readSideFileOf(mediaFile);
    if (!side) return;
    ShowSongDetails(state_, side->song.Artist, side->song.Album, side->song.Title);
    // The cover steps take the values as read: a side file without artist or album is not searched.
    sideFileCovers(mediaFile, side->song);
    applySongDefaults(side->song);
    state_.ui().setCaption(Control::lblDownloadStatus, QStringLiteral("Updating Music Library..."));
    RefreshSongCount(state_);
    recordInTurn(LogEntryKind::Updated, mediaFile, side->song, stamp,
                 {updateSideFileStatement(state_.CurrentMusicLibrary, mediaFile, *side, stamp.lowText(),
                                          stamp.highText(), recordTime()),
                  false});
}

}  // namespace orv
