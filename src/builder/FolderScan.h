#pragma once

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <optional>

namespace orv {

struct ProgramState;

// The media files a build takes.
inline const QString kMediaFilter = QStringLiteral("*.mp3; *.mpg; *.mpeg; *.wma; *.wmv; *.avi; *.wav");
// The media filter with the extensions of other formats that the build takes too ("flac": "*.flac").
QString mediaFilter(const QStringList& extraMediaTypes);

// A file-name filter: patterns separated by ";", each compared with the whole name, letter case
// ignored; "*" stands for any run of characters, "?" for one.
class NameFilter {
public:
    explicit NameFilter(const QString& filter);
    bool matches(QStringView name) const;

private:
    QStringList endings_;   // case-folded: the patterns "*" followed by these, matched by the name's end
    QStringList patterns_;  // case-folded: the other patterns, compared character by character
};

// Whether the name matches any pattern of the filter.
bool MatchesFilter(const QString& name, const QString& filter);

// The signature of the MP3 files under a folder: how many there are and the sums of the low and of
// the high words of their last-write times, each word taken as a signed 32-bit number.
struct FolderTotals {
    qint32 SongsCount = 0;
    qint64 FileDateLowTotal = 0;
    qint64 FileDateHighTotal = 0;
    // Counts a file of this last-write time in (or, with `sign` -1, out).
    void count(quint64 lastWrite, int sign = 1);
    bool operator==(const FolderTotals&) const = default;
};

// A file as the file system tells it apart from others, whatever name it was reached by.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileIdentity&) const = default;
    friend size_t qHash(const FileIdentity& identity, size_t seed = 0) {
        return qHashMulti(seed, identity.device, identity.inode);
    }
};

// A media file as the scan met it.
struct MediaFile {
    QString path;
    qint64 size = 0;
    quint64 lastWrite = 0;      // 100-nanosecond units since 1601
    bool inSignature = false;   // counted in the walk's signature
    FileIdentity identity{};    // the file's, links followed, as the walk met it
    bool mayShareFile = false;  // reached through a link, or one of several hard links
};

// What the media scan hands on, and what it saw.
struct MediaScan {
    // The names of the files it takes.
    QString filter = kMediaFilter;
    // Every regular file (or link to one) whose name matches the filter.
    std::function<void(const MediaFile&)> onFile;
    // A matching file, or a folder, whose name cannot be kept as text: passed over once per walk.
    std::function<void(const QString& path, const QString& reason)> onSkipped;
    // Media files met, taken or passed over.
    qint64 mediaFilesSeen = 0;
    // The signature of the MP3 files ("*.mp3", any name) the walk met, the files directly in the
    // drive's top Recycled folder left out.
    FolderTotals signature;
    // When set, the temporary files that a write of a song or of a cover left behind when its
    // process was killed are removed as the walk meets them, if older than this (core/AtomicFile).
    QDateTime leftoversBefore;
};

// Walks the Music Path depth first and hands every media file to the scan's onFile, yielding to the
// front end at every directory entry. Folders whose names begin with "." are not entered, a folder
// reached twice (through a link) is walked once, and with the root folder as the Music Path the
// system's own trees (/proc, /sys, /dev, /run) are not entered. Cancel ends the walk at once. False
// when the Music Path itself could not be read (gone since the run looked, an unmounted drive): then
// nothing the walk did not meet may be taken for vanished.
bool ScanMediaFiles(ProgramState& state, const QString& musicPath, MediaScan& scan);
// The same walk from one folder: its own files only, or with `wholeTree` everything below it too.
void scanMediaFolder(ProgramState& state, const QString& folder, bool wholeTree, MediaScan& scan);

// The signature of the MP3 files under a folder, by the media scan's walk (the one a build makes);
// nothing when Cancel cut the walk short (half a signature is never stored).
std::optional<FolderTotals> folderSignature(ProgramState& state, const QString& folder);
// The settings that hold a stored signature, with the values of these totals.
QList<QPair<QString, QString>> signatureSettings(const FolderTotals& totals);

// Whether the walk counts a file of this path in the signature.
bool countsInSignature(const QString& path);

// Whether the folder is the recycle folder at the top of a drive (driveRoot + "Recycled/"), whose
// own files the signature leaves out.
bool isDriveRecycleFolder(const QString& folder, const QString& driveRoot);

}  // namespace orv
