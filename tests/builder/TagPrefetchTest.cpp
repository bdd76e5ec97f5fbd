#include "builder/TagPrefetch.h"
#include "tags/Mp3Fixture.h"
#include "tags/TagComponent.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace orv {
namespace {

using namespace orv::test;

struct TagPrefetchTest : ::testing::Test {
    QString song(const QString& name, bool withID3v2) {
        const QString path = dir.path() + "/" + name;
        WriteMp3(path, withID3v2 ? ID3v2Bytes().text("TIT2", name).bytes() : QByteArray(), SilentFrames(20),
                 ID3v1Bytes{name, "Artist", "", "", "", 0, 255}.bytes());
        return path;
    }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden); }

    QTemporaryDir dir;
};

TEST_F(TagPrefetchTest, FilesComeBackOpenInAnyOrderTheRunAsksAndPassedOverOnesAreDropped) {
    const QString a = song("a.mp3", true), b = song("b.mp3", false), c = song("c.mp3", false), d = song("d.mp3", true);
    const QString broken = dir.path() + "/broken.mp3";  // a pipe: never read
    ASSERT_EQ(::mkfifo(QFile::encodeName(broken).constData(), 0644), 0);
    const QByteArray bBytes = FileBytes(b);

    {
        TagPrefetch prefetch(true);
        for (const QString& path : {a, b, broken, c, d}) prefetch.request(path);
        const TagPrefetch::OpenFile first = prefetch.open(a);
        ASSERT_TRUE(first.tags);
        EXPECT_EQ(first.tags->frameText("TIT2"), "a.mp3");
        ASSERT_TRUE(first.song);
        EXPECT_EQ(first.song->Title, "a.mp3");
        EXPECT_EQ(first.song->Artist, "Artist");         // filled from the ID3v1 tag
        EXPECT_EQ(prefetch.open(broken).tags, nullptr);  // b is passed over: what was made ready for it goes
        const TagPrefetch::OpenFile notAsked = prefetch.open(b);
        ASSERT_TRUE(notAsked.tags);
        EXPECT_FALSE(notAsked.tags->hasID3v2());
        EXPECT_FALSE(notAsked.song);

        // c has its ID3v2 tag made ready beside it (b's went when b was passed over); nothing is
        // written until the run writes it.
        TagPrefetch::OpenFile third = prefetch.open(c);
        ASSERT_TRUE(third.tags);
        ASSERT_TRUE(third.song);
        EXPECT_EQ(third.song->Title, "c.mp3");  // the tag as the file holds it: ID3v1 only
        EXPECT_EQ(entries().filter(QRegularExpression("^\\.c\\.mp3\\.")).size(), 1);
        EXPECT_EQ(FileBytes(b), bBytes);
        prefetch.clear();
        const TagPrefetch::OpenFile last = prefetch.open(d);  // opened without the thread now
        EXPECT_EQ(last.tags->frameText("TIT2"), "d.mp3");
        EXPECT_FALSE(last.song);
        third.tags.reset();  // freed, with what was made ready for it
    }
    EXPECT_EQ(entries(), QStringList({"a.mp3", "b.mp3", "broken.mp3", "c.mp3", "d.mp3"}));
    EXPECT_EQ(FileBytes(b), bBytes);
}

// Both threads parse at once from the two ends of a long queue; files that cannot be read are among
// them, and the run is cancelled half-way. Every file comes back as its own, and nothing is written.
TEST_F(TagPrefetchTest, ManyFilesWithFailuresAndACancelHalfWay) {
    QStringList paths;
    for (int i = 0; i < 120; ++i) paths << song(QString("%1.mp3").arg(i), i % 2 == 0);
    const QString pipe = dir.path() + "/pipe.mp3", gone = dir.path() + "/gone.mp3";  // never there
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    paths.insert(7, pipe);
    paths.insert(31, gone);
    paths.insert(90, gone);  // asked for twice: the second is opened without the thread
    QMap<QString, QByteArray> before;
    for (const QString& name : entries()) before[name] = name == "pipe.mp3" ? "" : FileBytes(dir.path() + "/" + name);
    {
        TagPrefetch prefetch(true);
        for (const QString& path : paths) prefetch.request(path);
        for (int i = 0; i < paths.size(); ++i) {
            if (i == 60) prefetch.clear();  // the cancel: what is still asked for is dropped
            const QString& path = paths[i];
            const TagPrefetch::OpenFile file = prefetch.open(path);
            const QString name = QFileInfo(path).fileName();
            if (path == pipe || path == gone) {
                EXPECT_EQ(file.tags, nullptr) << i;
                continue;
            }
            ASSERT_TRUE(file.tags) << i;
            EXPECT_EQ(file.tags->id3v1Title(), name) << i;
            EXPECT_EQ(file.song.has_value(), i < 60) << i;
            if (file.song) EXPECT_EQ(file.song->Title, name) << i;
        }
    }
    QMap<QString, QByteArray> after;
    for (const QString& name : entries()) after[name] = name == "pipe.mp3" ? "" : FileBytes(dir.path() + "/" + name);
    EXPECT_EQ(after.keys(), before.keys());  // no write made ready is left beside its file
    EXPECT_TRUE(after == before);
}

}  // namespace
}  // namespace orv
