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
        const TagPrefetch::Opened first = prefetch.open(a);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->frameText("TIT2"), "a.mp3");
        EXPECT_EQ(prefetch.open(broken), nullptr);  // b is passed over: what was made ready for it goes
        const TagPrefetch::Opened notAsked = prefetch.open(b);
        ASSERT_TRUE(notAsked);
        EXPECT_FALSE(notAsked->hasID3v2());

        // c has its ID3v2 tag made ready beside it (b's went when b was passed over); nothing is
        // written until the run writes it.
        TagPrefetch::Opened third = prefetch.open(c);
        ASSERT_TRUE(third);
        EXPECT_EQ(entries().filter(QRegularExpression("^\\.c\\.mp3\\.")).size(), 1);
        EXPECT_EQ(FileBytes(b), bBytes);
        prefetch.clear();
        EXPECT_EQ(prefetch.open(d)->frameText("TIT2"), "d.mp3");  // opened without the thread now
        third.reset();                                            // freed, with what was made ready for it
    }
    EXPECT_EQ(entries(), QStringList({"a.mp3", "b.mp3", "broken.mp3", "c.mp3", "d.mp3"}));
    EXPECT_EQ(FileBytes(b), bBytes);
}

}  // namespace
}  // namespace orv
