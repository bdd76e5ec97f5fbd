#pragma once

#include "builder/BuildOptions.h"
#include "builder/FolderScan.h"
#include "builder/UpdateDatabase.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace orv {

class FolderEvents;
struct FolderChange;

// A folder to bring up to date: its own files, or everything below it too.
struct FolderUpdate {
    QString folder;  // with its trailing separator
    bool wholeTree = false;
};

// What bringing a few folders up to date did.
struct FolderUpdateResult {
    BuildSummary summary;
    QStringList heldBack;  // files left for later: still being written
};

// Brings the current Music Library up to date with these folders only, through the build's own
// per-file pipeline and cleaning: their media files are taken on (those `settled` refuses are left
// as they are), and the records of files in them that vanished are removed. Nothing is logged,
// compacted or shown on the build panel. Cancel ends it after the current file; what was written
// is committed.
FolderUpdateResult updateFolders(ProgramState& state, const BuildOptions& options,
                                 const std::vector<FolderUpdate>& folders,
                                 const std::function<bool(const MediaFile&)>& settled);

// Keeps the current Music Library in step with the music folder, as both programs' "follow" does.
// Changes reported by the kernel (FolderEvents) are gathered until kGatherMs have passed without
// one; then the touched folders are brought up to date (updateFolders), a folder that came or went
// as a whole tree. A file still being written, or written less than kSettleMs ago, waits. When the
// system allows no more folder watches, the follower says so once and walks the whole music folder
// every kWalkEveryMs. The first step brings the whole music folder up to date.
//
// The options are read from the settings before every batch; a new music folder is watched anew.
// Everything runs on the caller's thread, in step(); wake() may be called from any thread.
class Follower {
public:
    static constexpr qint64 kGatherMs = 2000;
    static constexpr qint64 kSettleMs = 1000;
    static constexpr qint64 kWalkEveryMs = 60000;

    explicit Follower(ProgramState& state);
    ~Follower();
    Follower(const Follower&) = delete;
    Follower& operator=(const Follower&) = delete;

    // Waits for changes at most `waitMs` milliseconds (-1: until a change or wake()), and brings
    // up to date what is due.
    void step(int waitMs);
    // Ends the wait of step() early.
    void wake();

    // Called after every batch.
    std::function<void(const FolderUpdateResult&)> onBatch;

private:
    BuildOptions currentOptions();
    void watchMusicFolder();
    bool walksOnItsOwn() const;
    void take(const std::vector<FolderChange>& changes);
    void touch(const QString& folder, bool wholeTree);
    // Milliseconds until the next batch is due; -1 when none is.
    qint64 untilDue() const;
    void runBatch();
    bool settled(const MediaFile& file) const;

    ProgramState& state_;
    BuildOptions options_;
    std::unique_ptr<FolderEvents> events_;
    int wakeFd_ = -1;
    QElapsedTimer clock_;
    qint64 lastChangeAt_ = 0;
    qint64 nextWalkAt_ = 0;
    bool toldNoWatches_ = false;
    QHash<QString, bool> pending_;  // touched folders; whether as a whole tree
    QSet<QString> writing_;         // files open for writing
};

}  // namespace orv
