#pragma once

#include "builder/BuildLog.h"
#include "builder/FileStamp.h"
#include "builder/FolderScan.h"
#include "builder/Follower.h"
#include "builder/TagPrefetch.h"
#include "builder/UpdateDatabase.h"
#include "core/AtomicFile.h"
#include "coverart/CoverArtRun.h"
#include "store/BuildLock.h"
#include "store/WriteBatch.h"
#include "tags/FormatTags.h"
#include "tags/SongRecords.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QVarLengthArray>
#include <array>
#include <deque>
#include <future>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace orv {

class TagComponent;
struct SideFileSong;

// The song's folder, with its trailing separator.
QString folderOfPath(const QString& path);

// The file names and stamps of the library's records, read once when the run starts and kept up
// to date by its writes: the unchanged test costs no query. It also marks the records whose files
// the run's walk met, which the verify phase need not look for.
class LibraryIndex {
public:
    // What the index holds of one file.
    struct Known {
        int withStamp = 0;   // records of the file with the stamp asked about
        int ofFile = 0;      // records of the file
        quint64 stores = 0;  // the index's stores() when it was counted
    };

    // Reads the current library's files and stamps; `records` (its count of records) sizes the
    // index once instead of growing it.
    void load(ProgramState& state, int records);
    // The walk met this file: its records are marked met and counted, with one look-up.
    Known meet(const QString& fileName, const FileStamp& stamp);
    // The file's record now holds this stamp (and its file was met).
    void store(const QString& fileName, const FileStamp& stamp);
    // Whether a count made for this file still holds: no record of a file of its name was stored
    // since. Only the last few stores are told apart by name; a count made before more of them is
    // taken for changed.
    bool stillHolds(const Known& known, const QString& fileName) const;
    // The files with records in a folder (with its trailing separator), or anywhere below it.
    QStringList filesIn(const QString& folder, bool wholeTree) const;
    // The files with records that the walk did not meet, sorted.
    QStringList filesNotMet() const;
    bool wasMet(const QString& fileName) const;
    // The stamp of a file the walk met and that has one record.
    std::optional<FileStamp> metStamp(const QString& fileName) const;
    void clear() { records_.clear(); }

private:
    // The records of one file: the walk meets them together.
    struct Record {
        QVarLengthArray<FileStamp, 1> stamps;  // one a record; a library may hold a file more than once
        bool met = false;
    };
    static constexpr quint64 kStoresToldApart = 32;

    QHash<QString, Record> records_;
    quint64 stores_ = 0;
    std::array<QString, kStoresToldApart> storedNames_;  // the last stores' names, by number
};

// One build/update run: its options, its connection, its write batch, its log and its counts.
// Everything it holds is released when it ends, whichever way it ends.
class BuildRun {
public:
    BuildRun(ProgramState& state, const BuildOptions& options);
    ~BuildRun();
    BuildRun(const BuildRun&) = delete;
    BuildRun& operator=(const BuildRun&) = delete;

    BuildSummary run();
    // Brings only these folders up to date (updateFolders).
    FolderUpdateResult runFolders(const std::vector<FolderUpdate>& folders,
                                  const std::function<bool(const MediaFile&)>& settled);

private:
    // The run's steps.
    bool checkBeforeStart();
    bool takeBuildLock();
    bool openSharedConnection();
    void prepareWindow();
    // The options that the pipeline's steps read from the program state.
    void takeOptions();
    void startLog();
    void walkMusicPath();
    // Takes the files the walk met last through the pipeline and commits.
    void processWalkedFiles();
    bool confirmNothingFound(const MediaScan& scan);
    void finishLog();
    void finishRun();
    void showFinishedWindow(int count);
    void storeFolderSignature();
    void reportFailure(const RuntimeError& error);
    void releaseLibrary();
    // Writes every record still waiting its turn, commits the batch's transaction and opens the next.
    void commitWrites();
    // Puts every waiting tag write in place (the group on its way included), then writes the records
    // that waited for them.
    void flushReplacements();
    // Hands the waiting tag writes to a thread of their own, once the group before them is in place.
    void startFlushing();
    void finishFlushing();
    // After each file: takes a group that is in place, starts the next one when it is due, and
    // writes the records whose turn has come.
    void keepWritesMoving();
    // A song record takes its turn: it is written, and then logged, once the tag writes that waited
    // when it was made are in place, and after every record made before it. So no commit waits for
    // the disk, no committed record holds the stamp of a write that is not in place yet, and the
    // records go into the table, and the log, in the order of their files. A note of a file (one
    // left out, one whose tags could not be written) made while records wait is logged behind them.
    struct RecordInTurn {
        LogEntryKind kind;
        QString fileName;
        SongFields song;
        FileStamp stamp;
        QString cover;  // the log's cover text, as the file's steps left it
        SongRecordWrite write;
    };
    struct NoteInTurn {
        void (BuildLog::*log)(const QString& path, const QString& reason);
        QString path;
        QString reason;
    };
    struct InTurn {
        quint64 group;  // the group of tag writes it waits for; 0 for none
        qint64 since;   // when it began to wait, on the run's clock
        std::variant<RecordInTurn, NoteInTurn> step;
    };
    void recordInTurn(LogEntryKind kind, const QString& fileName, const SongFields& song, const FileStamp& stamp,
                      SongRecordWrite write);
    void noteInTurn(NoteInTurn note);
    void writeRecord(RecordInTurn record);
    void writeRecordsInTurn();
    void reportFailedReplacements(const std::vector<ReplacementGroup::Failure>& failures);
    void setStep(const char* marker) { step_ = QLatin1String(marker); }

    // The per-file pipeline, a few files behind the walk.
    void queueFile(const MediaFile& file);
    void queueSkippedFile(const QString& path, const QString& reason);
    void processNextFile();
    void GetMediaFileInformation(const MediaFile& file, const LibraryIndex::Known& known);
    void changedFile(const MediaFile& file, bool mp3, std::optional<SongFormat> format, const FileStamp& stamp);
    void newFile(const MediaFile& file, bool mp3, std::optional<SongFormat> format, const FileStamp& stamp);
    // An MP3 file of more than 100 bytes: its tags are read and its record added or updated.
    void mp3File(const MediaFile& file, LogEntryKind kind);
    FileStamp readMp3File(TagComponent& tags, std::optional<SongFields> tagsRead, const MediaFile& file,
                          SongFields& song);
    // The format whose own tags give the song fields of a file without a side file: one of the run's
    // extra media types that has a reader. Nothing for another file.
    std::optional<SongFormat> ownTagsFormat(const QString& path) const;
    // A file of another format: read through its format's reader (nothing is written into it), its
    // covers as an MP3 file's, and its record added or updated. A file that is not what its name
    // says is passed over and noted.
    void formatFile(const MediaFile& file, SongFormat format, LogEntryKind kind);
    // Adds or updates the record of a song read from its own tags, and logs it, in turn.
    void writeSongRecord(LogEntryKind kind, const QString& fileName, SongFields& song, int seconds,
                         const FileStamp& stamp);
    QString coverLogText() const;
    void recordWritten(const QString& fileName, const FileStamp& stamp);
    // A file met under more than one name (a link, hard links) that the run wrote under one of them
    // has a new stamp under every name: the records and the signature of its other names take it,
    // so that neither the next update nor the folder watch takes the run's own write for a change.
    void refreshSharedStamps();
    void refreshStamp(const QString& fileName, bool inSignature);
    // A file left out, or one whose tags could not be written (its record is): named once on the
    // front end and in the log, and counted.
    void skipFile(const QString& path, const QString& reason);
    void noteUnwrittenTags(const QString& path, const QString& reason);
    std::optional<SideFileSong> readSideFileOf(const QString& mediaFile);
    void afterFile();
    // The run's online cover lookup, made when a song first needs it.
    CoverArtRun& coverArt();
    void sideFileCovers(const QString& mediaFile, const SongFields& song);

    // Side-file media.
    void EnterNonMp3Data(const QString& mediaFile, const FileStamp& stamp);
    void UpdateNonMp3Data(const QString& mediaFile, const FileStamp& stamp);

    // The verify phase.
    void CleanLibrary();
    void verifyRecord(const QString& fileName);

    ProgramState& state_;
    BuildOptions options_;
    QString step_ = QStringLiteral("0");
    QElapsedTimer clock_;
    const QDateTime started_ = QDateTime::currentDateTime();
    BuildLock lock_;
    ReplacementGroup replacements_;                                 // the ID3v2 tags written from ID3v1 tags
    std::future<std::vector<ReplacementGroup::Failure>> flushing_;  // the group being put in place
    quint64 groupsStarted_ = 0;                                     // groups of tag writes handed on to be put in place
    quint64 groupsPlaced_ = 0;                                      // of them, those in place
    std::deque<InTurn> inTurn_;
    bool writingInTurn_ = false;  // a step in turn is being taken: what it notes is in its turn
    std::optional<WriteBatch> batch_;
    std::unique_ptr<BuildLog> log_;
    std::unique_ptr<CoverArtRun> coverArt_;
    LibraryIndex library_;
    struct WalkedFile {
        MediaFile file;
        QString skipReason;         // a file the walk passed over, and why
        LibraryIndex::Known known;  // its records, with the stamp the walk read
    };
    std::deque<WalkedFile> walked_;                    // met by the walk, not yet through the pipeline, in order
    std::vector<MediaFile> sharedNames_;               // met through a link, or one of a file's hard links
    QSet<FileIdentity> changedFiles_;                  // whose content the run's writes changed, as walked
    MediaScan scan_;                                   // the walk of the whole music folder
    bool walkedWhole_ = false;                         // it could read the music folder
    TagPrefetch prefetch_{!options_.updateBlankTags};  // the blank-tag fill writes before the ID3v2 tag
    bool windowChanged_ = false;
    qint64 filesSeen_ = 0;
    qint64 unchanged_ = 0;
    int skipped_ = 0;
    int unwrittenTags_ = 0;
};

}  // namespace orv
