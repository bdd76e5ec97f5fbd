#include "builder/FolderScan.h"

#include "builder/FileStamp.h"
#include "builder/FolderReader.h"
#include "core/AtomicFile.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"
#include "core/Text.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <cstring>

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

// Whether a file's name (its bytes) ends in ".mp3", letter case ignored: the files the signature counts.
bool hasMp3Name(const char* name) {
    const std::size_t length = std::strlen(name);
    return length >= 4 && name[length - 4] == '.' && (name[length - 3] | 0x20) == 'm' &&
           (name[length - 2] | 0x20) == 'p' && name[length - 1] == '3';
}

// The recycle folder at the top of the drive that holds it.
bool isTopRecycleFolder(const QString& folder) {
    return folder.endsWith(QStringLiteral("/Recycled/")) &&
           isDriveRecycleFolder(folder,
                                QStorageInfo(QFileInfo(folder + QStringLiteral("..")).absoluteFilePath()).rootPath());
}

// One media scan: the files go to the scan's receiver as they are met, and the MP3 files into its
// signature.
class MediaWalk {
public:
    MediaWalk(ProgramState& state, MediaScan& scan, bool wholeTree = true)
        : state_(state), scan_(scan), filter_(scan.filter), wholeTree_(wholeTree) {}

    // False when the folder itself could not be read.
    bool start(const QString& root) {
        visited_.passOverSystemFolders(root);
        FolderReader entries(root);
        if (entries.isOpen()) visited_.enter(entries.folderStatus());
        walk(root, entries);
        return entries.isOpen();
    }

private:
    // One level of the scan; `folder` ends in a separator.
    void walk(const QString& folder, FolderReader& entries) {
        if (!entries.isOpen()) {
            skip(folder, QStringLiteral("The folder cannot be read: ") + entries.errorString());
            return;
        }
        const bool signs = !isTopRecycleFolder(folder);
        while (entries.next()) {
            if (yieldAndTestCancel(state_)) return;
            if (entries.isFolder())
                enterFolder(folder, entries);
            else
                takeFile(folder, entries, signs);
        }
    }

    void enterFolder(const QString& folder, FolderReader& entries) {
        if (!wholeTree_ || entries.rawName()[0] == '.') return;
        if (!entries.hasTextName()) {
            skip(folder + entries.printableName());
            return;
        }
        const QString path = folder + entries.name() + QDir::separator();
        FolderReader inner(path);
        if (!inner.isOpen() || visited_.enter(inner.folderStatus())) walk(path, inner);
    }

    void takeFile(const QString& folder, FolderReader& entries, bool signs) {
        const QString name = entries.name();
        if (name.startsWith(QLatin1Char('.')) && scan_.leftoversBefore.isValid() && isLeftover(folder + name)) return;
        const bool media = filter_.matches(name);
        const bool signed_ = signs && hasMp3Name(entries.rawName());
        if ((!media && !signed_) || !entries.isRegularFile()) return;
        const struct stat* info = entries.info();
        if (signed_ && info) scan_.signature.count(fileTimeOf(info->st_mtim));
        if (!media) return;
        ++scan_.mediaFilesSeen;
        if (!entries.hasTextName()) {
            skip(folder + entries.printableName());
            return;
        }
        if (info && scan_.onFile)
            scan_.onFile({folder + name,
                          info->st_size,
                          fileTimeOf(info->st_mtim),
                          signed_,
                          {static_cast<quint64>(info->st_dev), static_cast<quint64>(info->st_ino)},
                          entries.mayShareFile()});
    }

    // A song's or a cover's temporary file, left by a write that never finished: removed when old
    // enough, and never taken as a media file.
    bool isLeftover(const QString& path) {
        const QString target = AtomicFile::leftoverTarget(QFileInfo(path).fileName());
        if (target.isEmpty()) return false;
        if (filter_.matches(target) || target.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
            AtomicFile::removeLeftover(path, scan_.leftoversBefore);
        return true;
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

}  // namespace

NameFilter::NameFilter(const QString& filter) {
    for (const QString& pattern : filter.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString folded = pattern.trimmed().toCaseFolded();
        if (folded.isEmpty()) continue;
        // "*.mp3" and the like, the patterns of every media filter, are told by the name's end alone.
        const QStringView rest = QStringView(folded).mid(1);
        if (folded.startsWith(QLatin1Char('*')) && !rest.contains(QLatin1Char('*')) && !rest.contains(QLatin1Char('?')))
            endings_ << rest.toString();
        else
            patterns_ << folded;
    }
}

bool NameFilter::matches(QStringView name) const {
    for (const QString& ending : endings_)
        if (endsWithIgnoringCase(name, ending)) return true;
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
    return MediaWalk(state, scan).start(AddBackslash(musicPath));
}

void scanMediaFolder(ProgramState& state, const QString& folder, bool wholeTree, MediaScan& scan) {
    MediaWalk(state, scan, wholeTree).start(AddBackslash(folder));
}

void FolderTotals::count(quint64 lastWrite, int sign) {
    const FileStamp words = FileStamp::fromWords(lastWrite);
    SongsCount += sign;
    FileDateLowTotal += sign * static_cast<qint64>(words.low);
    FileDateHighTotal += sign * static_cast<qint64>(words.high);
}

std::optional<FolderTotals> folderSignature(ProgramState& state, const QString& folder) {
    MediaScan scan;
    scan.filter.clear();
    MediaWalk(state, scan).start(AddBackslash(folder));
    if (state.run.CloseRequested) return std::nullopt;
    return scan.signature;
}

bool countsInSignature(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return hasMp3Name(path.mid(slash + 1).toUtf8().constData()) && !isTopRecycleFolder(path.left(slash + 1));
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
