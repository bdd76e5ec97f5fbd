#include "BuildFixture.h"
#include "builder/FolderScan.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace orv {
namespace {

using test::BuildFixture;

TEST(MatchesFilter, WholeNameAnyPatternLetterCaseIgnored) {
    for (const char* name : {"Song.MP3", "Clip.MPEG", "a.wav", ".hidden.mp3", "x.Mpg", "My Song.mp3"})
        EXPECT_TRUE(MatchesFilter(name, kMediaFilter)) << name;
    for (const char* name : {"notes.txt", "Song.mp3.bak", "song.mp2", "mp3", "Song.mp", "Song.mp3 "})
        EXPECT_FALSE(MatchesFilter(name, kMediaFilter)) << name;
    EXPECT_TRUE(MatchesFilter("a1.txt", "?1.*"));
    EXPECT_FALSE(MatchesFilter("ab1.txt", "?1.*"));
    EXPECT_TRUE(MatchesFilter("A**B", "a*b"));
    EXPECT_TRUE(MatchesFilter("ÄRGER.mp3", "ärger.MP3"));
    EXPECT_TRUE(MatchesFilter("Lied.ÄÖ", "*.äö"));
    EXPECT_FALSE(MatchesFilter("Lied.ÄÖ", "*x.äö"));
    EXPECT_FALSE(MatchesFilter("Lieb.ÄÖ", "*d.äö"));
    EXPECT_TRUE(MatchesFilter("Song.ÄMP3", "*.äMp3"));
}

TEST(RecycleFolder, OnlyTheDrivesTopRecycledFolder) {
    EXPECT_TRUE(isDriveRecycleFolder("/media/d/Recycled/", "/media/d"));
    EXPECT_TRUE(isDriveRecycleFolder("/Recycled", "/"));
    EXPECT_FALSE(isDriveRecycleFolder("/media/d/Recycled/Sub/", "/media/d"));
    EXPECT_FALSE(isDriveRecycleFolder("/media/d/music/Recycled/", "/media/d"));
    EXPECT_FALSE(isDriveRecycleFolder("/media/d/recycled/", "/media/d"));
}

struct Scan : BuildFixture {
    // The paths the media scan hands on, relative to the music folder, sorted; the scan's result.
    QStringList scan(bool* result = nullptr) {
        MediaScan scan;
        QStringList seen;
        scan.onFile = [&](const MediaFile& file) {
            seen << file.path.mid(music().size());
            ++handed;
        };
        scan.onSkipped = [&](const QString& path, const QString&) { skipped << path; };
        const bool ok = ScanMediaFiles(program.state, musicDir.path(), scan);
        if (result) *result = ok;
        seen.sort();
        return seen;
    }
    QStringList skipped;
    int handed = 0;
};

TEST_F(Scan, TakesMediaFilesOfAnyNameButEntersNoDotFolders) {
    bool ok = false;
    EXPECT_EQ(scan(&ok), QStringList{}) << "an empty folder";
    EXPECT_TRUE(ok);
    MediaScan missing;
    EXPECT_FALSE(ScanMediaFiles(program.state, music("missing"), missing)) << "a folder that is not there";

    put("Song.MP3", "x");
    put(".hidden.mp3", "x");
    put("Clip.MPEG", "x");
    put("notes.txt", "x");
    put("Song.mp3.bak", "x");
    put("Artist/Album/01 - One.mp3", "x");
    put(".covers/Cover.mp3", "x");
    put(".git/objects/a.wma", "x");
    put("..also/b.mp3", "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(music("pipe.mp3")).constData(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(music("socket.wav"));
    std::strncpy(address.sun_path, socketPath.constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(scan(&ok), (QStringList{".hidden.mp3", "Artist/Album/01 - One.mp3", "Clip.MPEG", "Song.MP3"}));
    EXPECT_TRUE(ok);
    ::close(sock);
}

TEST_F(Scan, FollowsALinkedFolderOnceAndNoLoop) {
    put("Real/a.mp3", "x");
    ASSERT_TRUE(QFile::link(music("Real"), music("Again")));
    ASSERT_TRUE(QFile::link(music(), music("Real/Up")));
    ASSERT_TRUE(QFile::link(music("Real/a.mp3"), music("b.mp3")));
    const QStringList seen = scan();
    // The folder is walked once, under whichever name the file system gives first; the linked file is
    // a file of its own.
    ASSERT_EQ(seen.size(), 2) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains("b.mp3"));
    EXPECT_TRUE(seen.contains("Real/a.mp3") || seen.contains("Again/a.mp3"));
}

TEST_F(Scan, NamesThatAreNotTextArePassedOverAndReported) {
    put("good.mp3", "x");
    const QByteArray bad = QFile::encodeName(music()) + "bad\xff.mp3";
    const QByteArray badFolder = QFile::encodeName(music()) + "Fold\xfe";
    FILE* file = std::fopen(bad.constData(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ASSERT_EQ(::mkdir(badFolder.constData(), 0755), 0);
    put("tab\there.mp3", "x");
    EXPECT_EQ(scan(), QStringList{"good.mp3"});
    skipped.sort();
    EXPECT_EQ(skipped, (QStringList{music("Fold\\xfe"), music("bad\\xff.mp3"), music("tab\\x09here.mp3")}));
}

TEST_F(Scan, CancelStopsTheWholeWalk) {
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j) put(QString("A%1/B%2/s.mp3").arg(i).arg(j), "x");
    int yields = 0, handedAtCancel = -1;
    program.ui.onYield = [&] {
        if (++yields == 12) {
            program.state.run.CloseRequested = true;
            handedAtCancel = handed;
        }
    };
    bool ok = false;
    scan(&ok);
    EXPECT_TRUE(ok) << "a cancelled walk counts as ended well";
    EXPECT_GT(handedAtCancel, 0);
    EXPECT_EQ(handed, handedAtCancel) << "no file reaches the pipeline after Cancel";
    EXPECT_LE(yields, 12 + 3) << "each level ends at its next entry";
}

// The FILETIME words of a last-write time, worked out here.
std::pair<qint64, qint64> Words(qint64 seconds, long nanoseconds) {
    const quint64 filetime = static_cast<quint64>((seconds + 11644473600LL) * 10000000LL + nanoseconds / 100);
    return {static_cast<qint32>(filetime & 0xffffffffu), static_cast<qint32>(filetime >> 32)};
}

TEST_F(Scan, SignatureSumsExactlyPastThirtyTwoBits) {
    FolderTotals expected;
    for (int i = 0; i < 120; ++i) {
        const QString path = put(QString("D%1/%2.MP3").arg(i % 7).arg(i), "x");
        const qint64 seconds = 1700000000 + i * 977;
        const long nanoseconds = 123456700 + i;
        setTime(path, seconds, nanoseconds);
        const auto [low, high] = Words(seconds, nanoseconds);
        ++expected.SongsCount;
        expected.FileDateLowTotal += low;
        expected.FileDateHighTotal += high;
    }
    put("D1/other.wma", "x");
    put(".git/x.mp3", "x");
    const std::optional<FolderTotals> totals = folderSignature(program.state, musicDir.path());
    ASSERT_TRUE(totals);
    EXPECT_EQ(*totals, expected);
    EXPECT_GT(totals->FileDateHighTotal, std::numeric_limits<qint32>::max());
}

}  // namespace
}  // namespace orv
