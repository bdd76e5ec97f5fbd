#include "builder/Follower.h"

#include "builder/BuildRun.h"
#include "builder/FileStamp.h"
#include "builder/FolderEvents.h"
#include "builder/FolderReader.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "store/ProgramFiles.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace orv {
namespace {

const QString kNoMoreWatches = QStringLiteral(
    "The system allows no more folder watches (fs.inotify.max_user_watches): the music folder is walked every 60 "
    "seconds instead.");

// The folders to bring up to date, each once: a folder inside a whole tree that is brought up to
// date goes with it.
std::vector<FolderUpdate> withoutOverlaps(const QHash<QString, bool>& touched) {
    std::vector<FolderUpdate> folders;
    for (auto it = touched.cbegin(); it != touched.cend(); ++it) folders.push_back({it.key(), it.value()});
    std::sort(folders.begin(), folders.end(),
              [](const FolderUpdate& a, const FolderUpdate& b) { return a.folder < b.folder; });
    std::vector<FolderUpdate> kept;
    QString tree;  // the last whole tree kept; sorting puts what lies in it right after it
    for (const FolderUpdate& update : folders) {
        if (!tree.isEmpty() && update.folder.startsWith(tree)) continue;
        kept.push_back(update);
        tree = update.wholeTree ? update.folder : QString();
    }
    return kept;
}

}  // namespace

QStringList LibraryIndex::filesIn(const QString& folder, bool wholeTree) const {
    QStringList files;
    for (auto it = records_.keyBegin(); it != records_.keyEnd(); ++it)
        if (it->startsWith(folder) && (wholeTree || it->indexOf(QLatin1Char('/'), folder.size()) < 0)) files << *it;
    return files;
}

FolderUpdateResult BuildRun::runFolders(const std::vector<FolderUpdate>& folders,
                                        const std::function<bool(const MediaFile&)>& settled) {
    FolderUpdateResult result;
    state_.run.BuildRunning = true;
    state_.run.CloseRequested = false;
    try {
        if (!checkBeforeStart()) {
            state_.run.BuildRunning = false;
            return result;
        }
        takeOptions();
        state_.run.AddedCount = state_.run.UpdatedCount = state_.run.OrphanedCount = 0;
        MediaScan scan;
        scan.filter = mediaFilter(options_.extraMediaTypes);
        scan.onFile = [&](const MediaFile& file) {
            if (settled(file))
                queueFile(file);
            else
                result.heldBack << file.path;
        };
        scan.onSkipped = [this](const QString& path, const QString& reason) { queueSkippedFile(path, reason); };
        for (const FolderUpdate& update : folders) {
            if (state_.run.CloseRequested) break;
            scanMediaFolder(state_, update.folder, update.wholeTree, scan);
        }
        processWalkedFiles();
        // What the walk did not meet is looked for: the records of the files that vanished go. A
        // music folder without any media file left is taken for one that is not all there (an
        // unmounted drive) unless the user says otherwise, as a build does.
        const bool wholeMusicFolder = std::any_of(folders.begin(), folders.end(), [&](const FolderUpdate& u) {
            return u.wholeTree && u.folder == state_.MusicPath;
        });
        if (!state_.run.CloseRequested && (!wholeMusicFolder || confirmNothingFound(scan))) {
            for (const FolderUpdate& update : folders)
                for (const QString& file : library_.filesIn(update.folder, update.wholeTree))
                    if (!state_.run.CloseRequested) tryStep([&] { verifyRecord(file); });
        }
        releaseLibrary();
        result.summary.end = state_.run.CloseRequested ? BuildSummary::End::Cancelled : BuildSummary::End::Completed;
    } catch (const RuntimeError& error) {
        reportFailure(error);
        result.summary.end = BuildSummary::End::Failed;
    }
    state_.run.BuildRunning = false;
    result.summary.added = state_.run.AddedCount;
    result.summary.updated = state_.run.UpdatedCount;
    result.summary.orphaned = state_.run.OrphanedCount;
    result.summary.unchanged = unchanged_;
    result.summary.seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
    return result;
}

FolderUpdateResult updateFolders(ProgramState& state, const BuildOptions& options,
                                 const std::vector<FolderUpdate>& folders,
                                 const std::function<bool(const MediaFile&)>& settled) {
    if (state.run.buildInProgress) return {};
    BuildRun run(state, options);
    return run.runFolders(folders, settled);
}

Follower::Follower(ProgramState& state) : state_(state), wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    clock_.start();
}

Follower::~Follower() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void Follower::wake() {
    if (wakeFd_ >= 0) (void)::eventfd_write(wakeFd_, 1);
}

BuildOptions Follower::currentOptions() {
    BuildOptions options = buildOptionsFromSettings(state_);
    options.musicPath = AddBackslash(options.musicPath);
    // A batch is no build of its own: no log file, and nobody to start the player for.
    options.logEnabled = false;
    options.autoLaunch = false;
    return options;
}

void Follower::watchMusicFolder() {
    events_ = std::make_unique<FolderEvents>(options_.musicPath);
    writing_.clear();
    touch(options_.musicPath, true);
    lastChangeAt_ = clock_.elapsed() - kGatherMs;
    nextWalkAt_ = clock_.elapsed() + kWalkEveryMs;
    if (events_->exhausted() && !toldNoWatches_) {
        toldNoWatches_ = true;
        state_.ui().noteFile(options_.musicPath, kNoMoreWatches);
    }
}

bool Follower::walksOnItsOwn() const {
    return events_->exhausted() || events_->watchedFolders() == 0;
}

void Follower::touch(const QString& folder, bool wholeTree) {
    bool& whole = pending_[folder];
    whole = whole || wholeTree;
}

void Follower::take(const std::vector<FolderChange>& changes) {
    using Kind = FolderChange::Kind;
    for (const FolderChange& change : changes) {
        lastChangeAt_ = clock_.elapsed();
        switch (change.kind) {
        case Kind::Writing:
            writing_.insert(change.path);
            break;
        case Kind::Written:
            writing_.remove(change.path);
            break;
        case Kind::Folder:
            touch(change.path, false);
            break;
        case Kind::Tree:
        case Kind::Everything:
            touch(change.path, true);
            break;
        }
    }
}

qint64 Follower::untilDue() const {
    const qint64 now = clock_.elapsed();
    qint64 due = -1;
    if (!pending_.isEmpty()) due = std::max<qint64>(0, lastChangeAt_ + kGatherMs - now);
    if (events_ && walksOnItsOwn()) {
        const qint64 walk = std::max<qint64>(0, nextWalkAt_ - now);
        due = due < 0 ? walk : std::min(due, walk);
    }
    return due;
}

void Follower::step(int waitMs) {
    if (!events_) {
        options_ = currentOptions();
        watchMusicFolder();
    }
    const qint64 due = untilDue();
    const qint64 wait = due < 0 ? waitMs : waitMs < 0 ? due : std::min<qint64>(waitMs, due);
    struct pollfd waits[2] = {{events_->descriptor(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (::poll(waits, 2, static_cast<int>(std::min<qint64>(wait, INT_MAX))) > 0) {
        eventfd_t woken = 0;
        if (waits[1].revents & POLLIN) (void)::eventfd_read(wakeFd_, &woken);
        if (waits[0].revents & POLLIN) take(events_->read());
    }
    if (walksOnItsOwn() && clock_.elapsed() >= nextWalkAt_) {
        // The folders that could not be watched are walked; the watches are made again, as many
        // as the system allows now.
        watchMusicFolder();
    }
    if (untilDue() == 0 && !pending_.isEmpty()) runBatch();
}

bool Follower::settled(const MediaFile& file) const {
    if (writing_.contains(file.path)) return false;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // In 100-nanosecond units, as the stamp; a time ahead of the clock (another machine's) counts
    // as settled.
    const qint64 age = static_cast<qint64>(fileTimeOf(now) - file.lastWrite);
    return age < 0 || age >= kSettleMs * 10000;
}

void Follower::runBatch() {
    const BuildOptions options = currentOptions();
    if (options.musicPath != options_.musicPath) {
        options_ = options;
        watchMusicFolder();
    }
    options_ = options;
    const std::vector<FolderUpdate> folders = withoutOverlaps(pending_);
    pending_.clear();
    const FolderUpdateResult result =
        updateFolders(state_, options_, folders, [this](const MediaFile& file) { return settled(file); });
    if (result.summary.end == BuildSummary::End::Cancelled)
        for (const FolderUpdate& update : folders) touch(update.folder, update.wholeTree);
    // A file written a moment ago is looked at again once it has settled; one still open for
    // writing is looked at again when it is closed.
    for (const QString& file : result.heldBack) {
        if (writing_.contains(file)) continue;
        touch(file.left(file.lastIndexOf(QLatin1Char('/')) + 1), false);
        lastChangeAt_ = clock_.elapsed() - kGatherMs + kSettleMs;
    }
    if (onBatch) onBatch(result);
}

}  // namespace orv
