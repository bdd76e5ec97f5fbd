#include "builder/TagPrefetch.h"
#include "tags/Mp3Fixture.h"
#include "tags/TagComponent.h"

#include <QDir>
#include <QFile>
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

}  // namespace
}  // namespace orv
