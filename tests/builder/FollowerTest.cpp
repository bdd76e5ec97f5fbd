#include "BuildFixture.h"
#include "builder/BuildRun.h"
#include "builder/Follower.h"
#include "store/Settings.h"

#include <QElapsedTimer>

namespace orv {
namespace {

using test::BuildFixture;
using test::ID3v2Bytes;
using test::SilentFrames;

struct Follow : BuildFixture {
    void SetUp() override {
        SaveSetting(program.state, "MusicPath", music());
        SaveSetting(program.state, "CreateLog", "False");
        follower.onBatch = [&](const FolderUpdateResult& batch) { batches.push_back(batch); };
    }
    // Lets the follower run until the records (path below the music folder and title) are these,
    // for at most 30 seconds; the records then.
    QStringList followUntil(const QStringList& expected) {
        QElapsedTimer clock;
        clock.start();
        while (current() != expected && clock.elapsed() < 30000) follower.step(250);
        return current();
    }
    QStringList current() const {
        QStringList rows = records("substr(FileName, " + QString::number(music().size() + 1) + ") || '|' || Title");
        return rows;
    }
    static void move(const QString& from, const QString& to) {
        ASSERT_TRUE(QDir().rename(from, to)) << from.toStdString();
    }

    Follower follower{program.state};
    std::vector<FolderUpdateResult> batches;
    QTemporaryDir outside;
};

TEST_F(Follow, AddsChangesRemovesAndMovesFilesAndFolders) {
    mp3("a/One.mp3", "One");
    mp3("a/Two.mp3", "Two");
    mp3("Gone/Three.mp3", "Three");
    EXPECT_EQ(followUntil({"Gone/Three.mp3|Three", "a/One.mp3|One", "a/Two.mp3|Two"}),
              (QStringList{"Gone/Three.mp3|Three", "a/One.mp3|One", "a/Two.mp3|Two"}))
        << "the first step brings the whole folder up to date";

    // Files added, changed and removed, a tree made at once, a folder removed.
    mp3("a/New.mp3", "New");
    mp3("a/One.mp3", "One Again");
    setTime(music("a/One.mp3"), 1600000000);
    ASSERT_TRUE(QFile::remove(music("a/Two.mp3")));
    mp3("x/y/z/Deep.mp3", "Deep");
    test::RemoveTree(music("Gone"));
    const QStringList changed{"a/New.mp3|New", "a/One.mp3|One Again", "x/y/z/Deep.mp3|Deep"};
    EXPECT_EQ(followUntil(changed), changed);

    // Folders moved within the music folder, in from outside and out of it.
    move(music("x/y"), music("Moved"));
    mp3(".hidden/Secret.mp3", "Secret");
    QDir().mkpath(outside.path() + "/In/Sub");
    QFile::copy(music("a/New.mp3"), outside.path() + "/In/Sub/Came.mp3");
    move(outside.path() + "/In", music("In"));
    move(music("a"), outside.path() + "/a");
    const QStringList moved{"In/Sub/Came.mp3|New", "Moved/z/Deep.mp3|Deep"};
    EXPECT_EQ(followUntil(moved), moved);

    // A file being written waits until it is closed.
    mp3("Moved/z/Deep.mp3", "Deep Changed");
    QFile open(music("In/Sub/Open.mp3"));
    ASSERT_TRUE(open.open(QIODevice::WriteOnly));
    open.write(ID3v2Bytes().text("TIT2", "Open").bytes() + SilentFrames(3));
    open.flush();
    const QStringList beforeClose{"In/Sub/Came.mp3|New", "Moved/z/Deep.mp3|Deep Changed"};
    EXPECT_EQ(followUntil(beforeClose), beforeClose);
    ASSERT_FALSE(batches.empty());
    EXPECT_EQ(batches.back().heldBack, QStringList{music("In/Sub/Open.mp3")});
    open.close();
    const QStringList closed{"In/Sub/Came.mp3|New", "In/Sub/Open.mp3|Open", "Moved/z/Deep.mp3|Deep Changed"};
    EXPECT_EQ(followUntil(closed), closed);
    EXPECT_TRUE(program.ui.messages.isEmpty());
}

// An empty music folder (the mount point of a drive that is not there) is not taken for one
// whose songs were all removed.
TEST_F(Follow, AMusicFolderFoundEmptyIsNotEmptiedUnasked) {
    const QString one = mp3("One.mp3", "One");
    ASSERT_EQ(build().added, 1);
    ASSERT_TRUE(QFile::remove(one));
    QElapsedTimer clock;
    clock.start();
    while (batches.empty() && clock.elapsed() < 30000) follower.step(250);
    EXPECT_EQ(current(), QStringList{"One.mp3|One"}) << "asked, and answered No";
    ASSERT_EQ(program.ui.questions.size(), 1);
    EXPECT_EQ(program.ui.questions.last().title, "Music Files Not Found");
}

// Folders that overlap take each file once: a file met again is found as the first meeting stored it.
TEST_F(Follow, AFileMetTwiceInOneUpdateIsTakenOnce) {
    mp3("a/One.mp3", "One");
    mp3("a/b/Two.mp3", "Two");
    const FolderUpdateResult result = updateFolders(
        program.state, options(), {{music("a/"), false}, {music("a/"), true}}, [](const MediaFile&) { return true; });
    EXPECT_EQ(result.summary.added, 2);
    EXPECT_EQ(result.summary.unchanged, 1);
    EXPECT_EQ(current(), (QStringList{"a/One.mp3|One", "a/b/Two.mp3|Two"}));
}

// The walk counts a file's records ahead of the pipeline; the count goes stale only when a record
// of that same file is stored before the pipeline comes to it.
TEST(LibraryIndexCount, HoldsUntilItsFileIsStoredOrTooManyStoresHavePassed) {
    LibraryIndex index;
    const FileStamp stamp = FileStamp::fromWords(7);
    const LibraryIndex::Known a = index.meet("/m/a.mp3", stamp);
    index.store("/m/b.mp3", stamp);
    EXPECT_TRUE(index.stillHolds(a, "/m/a.mp3"));
    index.store("/m/a.mp3", stamp);
    EXPECT_FALSE(index.stillHolds(a, "/m/a.mp3"));
    EXPECT_EQ(index.meet("/m/a.mp3", stamp).withStamp, 1);

    // A store of the same file further back than the stores told apart still makes the count stale.
    const LibraryIndex::Known c = index.meet("/m/c.mp3", stamp);
    index.store("/m/c.mp3", stamp);
    for (int other = 0; other < 40; ++other) index.store(QString("/m/other%1.mp3").arg(other), stamp);
    EXPECT_FALSE(index.stillHolds(c, "/m/c.mp3"));
    const LibraryIndex::Known d = index.meet("/m/d.mp3", stamp);
    for (int other = 0; other < 31; ++other) index.store(QString("/m/more%1.mp3").arg(other), stamp);
    EXPECT_TRUE(index.stillHolds(d, "/m/d.mp3"));
}

}  // namespace
}  // namespace orv
