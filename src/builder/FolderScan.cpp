#include "builder/FolderScan.h"

#include "builder/FileStamp.h"
#include "builder/FolderReader.h"
#include "core/AtomicFile.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace orv {
namespace {

const QString kNotText = QStringLiteral("The name is not UTF-8 text, or it holds a control character.");

// Lets the front end process its events; true when Cancel was asked for meanwhile.
bool yieldAndTestCancel(ProgramState& state) {
    state.ui().yield();
    return state.run.CloseRequested;
}

// Whether `name` matches `pattern` (both case-folded) from these positions on.
bool matchesFrom(QStringView name, QStringView pattern) {
    qsizetype n = 0, p = 0;
    qsizetype starAt = -1, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n].toCaseFolded())) {
            ++p, ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*')) ++p;
    return p == pattern.size();
}

// One media scan: the files go to the scan's receiver as they are met.
class MediaWalk {
public:
    MediaWalk(ProgramState& state, MediaScan& scan, bool wholeTree = true)
        : state_(state), scan_(scan), filter_(scan.filter), wholeTree_(wholeTree) {}

    void start(const QString& root) {
        visited_.passOverSystemFolders(root);
        visited_.enter(root);
        WalkMediaFolder(root);
    }

    // One level of the scan; `folder` ends in a separator.
    void WalkMediaFolder(const QString& folder) {
        FolderReader entries(folder);
        if (!entries.isOpen()) {
            skip(folder, QStringLiteral("The folder cannot be read: ") + entries.errorString());
            return;
        }
        while (entries.next()) {
            if (yieldAndTestCancel(state_)) return;
            if (entries.isFolder())
                enterFolder(folder, entries);
            else
                takeFile(folder, entries);
        }
    }

private:
    void enterFolder(const QString& folder, FolderReader& entries) {
        if (!wholeTree_ || entries.rawName()[0] == '.') return;
        if (!entries.hasTextName()) {
            skip(folder + entries.printableName());
            return;
        }
        const struct stat* info = entries.info();
        if (info && visited_.enter(*info)) WalkMediaFolder(folder + entries.name() + QDir::separator());
    }

    void takeFile(const QString& folder, FolderReader& entries) {
        const QString name = entries.name();
        if (name.startsWith(QLatin1Char('.')) && scan_.leftoversBefore.isValid()) {
            removeLeftover(folder + name);
            return;
        }
        if (!filter_.matches(name) || !entries.isRegularFile()) return;
        ++scan_.mediaFilesSeen;
        if (!entries.hasTextName()) {
            skip(folder + entries.printableName());
            return;
        }
        const struct stat* info = entries.info();
        if (info && scan_.onFile) scan_.onFile({folder + name, info->st_size, fileTimeOf(info->st_mtim)});
    }

    // A song's or a cover's temporary file, left by a write that never finished.
    void removeLeftover(const QString& path) {
        const QString target = AtomicFile::leftoverTarget(QFileInfo(path).fileName());
        if (target.isEmpty()) return;
        if (filter_.matches(target) || target.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
            AtomicFile::removeLeftover(path, scan_.leftoversBefore);
    }

    void skip(const QString& path, const QString& reason = kNotText) {
        if (scan_.onSkipped) scan_.onSkipped(path, reason);
    }

    ProgramState& state_;
    MediaScan& scan_;
    NameFilter filter_;
    bool wholeTree_;
    VisitedFolders visited_;
};

// One count walk: the folders met so far, shared by its levels.
class CountWalk {
public:
    CountWalk(ProgramState& state, FolderTotals& totals) : state_(state), totals_(totals) {}

    bool start(MP3SearchRecord& record) {
        visited_.passOverSystemFolders(record.FolderPath);
        visited_.enter(AddBackslash(record.FolderPath));
        return search(record);
    }

    bool search(MP3SearchRecord& record) {
        if (state_.run.CloseRequested) return false;
        const QString folder = AddBackslash(record.FolderPath);
        FolderReader entries(folder);
        if (!entries.isOpen()) return true;
        if (!GetMP3FileInformation(state_, record, totals_)) return false;
        while (entries.next()) {
            if (yieldAndTestCancel(state_)) return false;
            if (!record.Recurse || !entries.isFolder() || entries.rawName()[0] == '.' || !entries.hasTextName())
                continue;
            const struct stat* info = entries.info();
            if (!info || !visited_.enter(*info)) continue;
            record.FolderPath = folder + entries.name();
            search(record);
        }
        return true;
    }

private:
    ProgramState& state_;
    FolderTotals& totals_;
    VisitedFolders visited_;
};

}  // namespace

NameFilter::NameFilter(const QString& filter) {
    for (const QString& pattern : filter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty()) patterns_ << trimmed.toCaseFolded();
    }
}

bool NameFilter::matches(QStringView name) const {
    for (const QString& pattern : patterns_)
        if (matchesFrom(name, pattern)) return true;
    return false;
}

QString mediaFilter(const QStringList& extraMediaTypes) {
    QString filter = kMediaFilter;
    for (const QString& type : extraMediaTypes) filter += QStringLiteral("; *.") + type;
    return filter;
}

bool MatchesFilter(const QString& name, const QString& filter) {
    return NameFilter(filter).matches(name);
}

bool ScanMediaFiles(ProgramState& state, const QString& musicPath, MediaScan& scan) {
    MediaWalk(state, scan).start(AddBackslash(musicPath));
    return true;
}

void ScanMediaFolder(ProgramState& state, const QString& folder, bool wholeTree, MediaScan& scan) {
    MediaWalk(state, scan, wholeTree).start(AddBackslash(folder));
}

bool SearchForMP3Files(ProgramState& state, MP3SearchRecord& record, FolderTotals& totals) {
    return CountWalk(state, totals).start(record);
}

bool GetMP3FileInformation(ProgramState& state, const MP3SearchRecord& record, FolderTotals& totals) {
    if (state.run.CloseRequested) return false;
    const QString folder = AddBackslash(record.FolderPath);
    if (folder.endsWith(QStringLiteral("/Recycled/")) &&
        isDriveRecycleFolder(folder,
                             QStorageInfo(QFileInfo(folder + QStringLiteral("..")).absoluteFilePath()).rootPath()))
        return true;
    FolderReader entries(folder);
    if (!entries.isOpen()) return true;
    const NameFilter spec(record.FileSpec);
    while (entries.next()) {
        if (yieldAndTestCancel(state)) return false;
        if (!spec.matches(entries.name()) || !entries.isRegularFile()) continue;
        const struct stat* info = entries.info();
        if (!info) continue;
        const FileStamp words = FileStamp::fromWords(fileTimeOf(info->st_mtim));
        ++totals.SongsCount;
        totals.FileDateLowTotal += words.low;
        totals.FileDateHighTotal += words.high;
    }
    return true;
}

std::optional<FolderTotals> folderSignature(ProgramState& state, const QString& folder) {
    FolderTotals totals;
    MP3SearchRecord record;
    record.FolderPath = folder;
    if (!SearchForMP3Files(state, record, totals)) return std::nullopt;
    return totals;
}

QList<QPair<QString, QString>> signatureSettings(const FolderTotals& totals) {
    return {{QStringLiteral("SongsCount"), QString::number(totals.SongsCount)},
            {QStringLiteral("FileDateLowTotal"), QString::number(totals.FileDateLowTotal)},
            {QStringLiteral("FileDateHighTotal"), QString::number(totals.FileDateHighTotal)}};
}

bool isDriveRecycleFolder(const QString& folder, const QString& driveRoot) {
    return AddBackslash(folder) == AddBackslash(driveRoot) + QStringLiteral("Recycled") + QDir::separator();
}

}  // namespace orv
