#include "core/AtomicFile.h"
#include "support/Files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace orv;
using namespace orv::test;

bool writeWhole(const QString& path, const QByteArray& bytes) {
    AtomicFile file(path);
    return file.open() && file.write(bytes) && file.commit();
}

// Each test has a folder of its own, and its own temporary folder for safety copies.
class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override { savedMask_ = ::umask(022); }
    void TearDown() override {
        ::umask(savedMask_);
        ::chmod(QFile::encodeName(folder()).constData(), 0755);
    }

    QString folder() const { return dir.path() + "/music"; }
    QString safetyFolder() const { return dir.path() + "/temp"; }
    QString path(const QString& name = QStringLiteral("file.bin")) const { return folder() + "/" + name; }
    QStringList entries(const QString& where) const {
        return QDir(where).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
    TemporaryFolder temporary{safetyFolder()};
    mode_t savedMask_ = 0;
};

TEST_F(AtomicFileTest, NewFileAppearsWholeAtCommitWithTheUsualMode) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    AtomicFile file(path());
    ASSERT_TRUE(file.open()) << file.errorString().toStdString();
    ASSERT_TRUE(file.write("first half, "));
    EXPECT_FALSE(QFile::exists(path()));
    ASSERT_TRUE(file.write(QByteArray("second half")));
    EXPECT_EQ(file.size(), 23);
    ASSERT_TRUE(file.commit()) << file.errorString().toStdString();
    EXPECT_EQ(FileBytes(path()), "first half, second half");
    EXPECT_EQ(statOf(path()).st_mode & 07777, 0644u);
    EXPECT_EQ(entries(folder()), QStringList{"file.bin"});
    EXPECT_FALSE(file.write("more"));
}

TEST_F(AtomicFileTest, ReplacementKeepsModeOwnerAndGroup) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(WriteFile(path(), "old content"));
    // Someone else's file that others may write (as root: another user's file and group).
    if (::geteuid() == 0) ASSERT_EQ(::chown(QFile::encodeName(path()).constData(), 12345, 23456), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0646), 0);
    const struct stat before = statOf(path());

    ASSERT_TRUE(writeWhole(path(), "new content"));
    const struct stat after = statOf(path());
    EXPECT_EQ(FileBytes(path()), "new content");
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file took the old one's place
    EXPECT_EQ(after.st_mode & 07777, 0646u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(entries(folder()), QStringList{"file.bin"});
}

TEST_F(AtomicFileTest, CancelDestructionAndACrashLeaveTheOldFileWhole) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(WriteFile(path(), "old content"));
    {
        AtomicFile file(path());
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new"));
        file.cancel();
        EXPECT_FALSE(file.commit());
    }
    {
        AtomicFile file(path());
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new"));
    }
    EXPECT_EQ(FileBytes(path()), "old content");
    EXPECT_EQ(entries(folder()), QStringList{"file.bin"});

    // A process that dies between the write and the commit.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file(path());
        if (file.open() && file.write(QByteArray(100000, 'x'))) ::_exit(0);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(FileBytes(path()), "old content");
    EXPECT_EQ(entries(folder()).size(), 2);  // the dead writer's temporary file stays behind

    ASSERT_TRUE(writeWhole(path(), "after the crash"));
    EXPECT_EQ(FileBytes(path()), "after the crash");

    // The next run knows the leftover by its name, and removes it once it is older than the run.
    const QString leftover = entries(folder()).filter(QRegularExpression("^\\.file\\.bin\\.")).value(0);
    EXPECT_EQ(AtomicFile::leftoverTarget(leftover), "file.bin");
    for (const QString& other : {".file.bin.Ab3dE9", ".file.bin.orv-Ab3dE", ".file.bin.orv-Ab3d-9",
                                 "file.bin.orv-Ab3dE9", "..orv-Ab3dE9", ".bin.orv-Ab3d\u00e99"})
        EXPECT_EQ(AtomicFile::leftoverTarget(other), "") << other.toStdString();
    ASSERT_TRUE(WriteFile(path(".OrvellaSetup.zip.orv-Ab3dE9"), "a killed download"));
    const auto isFileBin = [](const QString& target) { return target == "file.bin"; };
    EXPECT_EQ(AtomicFile::removeLeftovers(folder(), QDateTime::currentDateTime().addSecs(-60), isFileBin), 0);
    EXPECT_EQ(AtomicFile::removeLeftovers(folder(), QDateTime::currentDateTime().addSecs(1), isFileBin), 1);
    EXPECT_EQ(entries(folder()), (QStringList{".OrvellaSetup.zip.orv-Ab3dE9", "file.bin"}));
}

TEST_F(AtomicFileTest, AGroupPutsItsReplacementsInPlaceAtItsFlush) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(WriteFile(path("a.bin"), "old a"));
    ASSERT_TRUE(WriteFile(path("b.bin"), "old b"));
    ASSERT_TRUE(WriteFile(path("c.bin"), "old c"));
    ASSERT_TRUE(WriteFile(path("linked.bin"), "old linked"));
    ASSERT_EQ(::chmod(QFile::encodeName(path("a.bin")).constData(), 0640), 0);
    ASSERT_EQ(
        ::link(QFile::encodeName(path("linked.bin")).constData(), QFile::encodeName(path("other.bin")).constData()), 0);
    ReplacementGroup group;
    QString lostTemporary;
    for (const QString name : {"a.bin", "b.bin", "c.bin", "linked.bin"}) {
        AtomicFile file(path(name));
        ASSERT_TRUE(file.open());
        if (name == "b.bin") lostTemporary = file.writePath();
        ASSERT_TRUE(file.write("new " + name.toUtf8()) && file.commit(&group)) << file.errorString().toStdString();
    }
    // A file written in place is committed at once; the others wait, complete, beside their targets.
    EXPECT_EQ(FileBytes(path("linked.bin")), "new linked.bin");
    EXPECT_EQ(group.waiting(), 3u);
    EXPECT_EQ(FileBytes(path("a.bin")), "old a");
    EXPECT_EQ(FileBytes(lostTemporary), "new b.bin");

    ASSERT_EQ(::unlink(QFile::encodeName(lostTemporary).constData()), 0);
    // Another program edits a file whose replacement waits: its edit is kept.
    ASSERT_TRUE(WriteFile(path("c.bin"), "edited c"));
    AtomicFile last(path("a.bin"));
    const std::vector<ReplacementGroup::Failure> failures = group.flush();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].path, path("b.bin"));
    EXPECT_TRUE(failures[0].reason.contains("No such file")) << failures[0].reason.toStdString();
    EXPECT_EQ(failures[1].path, path("c.bin"));
    EXPECT_TRUE(failures[1].reason.contains("another program changed it")) << failures[1].reason.toStdString();
    EXPECT_EQ(FileBytes(path("a.bin")), "new a.bin");
    EXPECT_EQ(statOf(path("a.bin")).st_mode & 07777, 0640u);
    EXPECT_EQ(FileBytes(path("b.bin")), "old b");
    EXPECT_EQ(FileBytes(path("c.bin")), "edited c");
    EXPECT_EQ(entries(folder()), (QStringList{"a.bin", "b.bin", "c.bin", "linked.bin", "other.bin"}));
    EXPECT_EQ(group.waiting(), 0u);
    EXPECT_TRUE(group.flush().empty());

    // The time a committed file reports is the one its target keeps after the rename.
    {
        ReplacementGroup later;
        ASSERT_TRUE(last.open() && last.write("newer") && last.commit(&later));
    }
    EXPECT_EQ(FileBytes(path("a.bin")), "newer");
    const struct stat renamed = statOf(path("a.bin"));
    EXPECT_EQ(renamed.st_mtim.tv_sec, last.lastWriteTime().tv_sec);
    EXPECT_EQ(renamed.st_mtim.tv_nsec, last.lastWriteTime().tv_nsec);
}

// One file met under two names, a link and the file it leads to, with both replacements made
// before either is put in place: the second finds the first's work, not another program's.
TEST_F(AtomicFileTest, AFileReplacedUnderTwoNamesIsReplacedOnce) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    for (const char* name : {"same.bin", "differs.bin", "later.bin"}) {
        ASSERT_TRUE(WriteFile(path(name), "old"));
        ASSERT_EQ(::symlink(name, QFile::encodeName(path(QStringLiteral("link-") + name)).constData()), 0);
    }
    const auto prepare = [](AtomicFile& file, const QByteArray& bytes, ReplacementGroup& group) {
        return file.open() && file.write(bytes) && file.commit(&group);
    };
    ReplacementGroup group;
    AtomicFile sameByLink(path("link-same.bin")), same(path("same.bin"));
    AtomicFile differsByLink(path("link-differs.bin")), differs(path("differs.bin"));
    ASSERT_TRUE(prepare(sameByLink, "new", group) && prepare(same, "new", group));
    ASSERT_TRUE(prepare(differsByLink, "new", group) && prepare(differs, "other", group));
    std::vector<ReplacementGroup::Failure> failures = group.flush();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, path("differs.bin"));
    EXPECT_TRUE(failures[0].reason.contains("written under another name (a link to it) earlier in this run"))
        << failures[0].reason.toStdString();
    EXPECT_EQ(FileBytes(path("same.bin")), "new");
    EXPECT_EQ(FileBytes(path("differs.bin")), "new");

    // The group that takes over the waiting replacements knows what the first one put in place.
    AtomicFile laterByLink(path("link-later.bin")), later(path("later.bin"));
    ASSERT_TRUE(prepare(laterByLink, "new", group) && later.open() && later.write("new"));
    ReplacementGroup takenOver(std::move(group));
    EXPECT_TRUE(takenOver.flush().empty());
    ASSERT_TRUE(later.commit(&group));
    EXPECT_TRUE(group.flush().empty());
    EXPECT_EQ(FileBytes(path("later.bin")), "new");

    // Another program's edit after the first replacement is still its own.
    AtomicFile again(path("same.bin"));
    ASSERT_TRUE(prepare(again, "newer", group));
    ASSERT_TRUE(WriteFile(path("same.bin"), "edited"));
    failures = group.flush();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].reason.contains("another program changed it")) << failures[0].reason.toStdString();
    EXPECT_EQ(FileBytes(path("same.bin")), "edited");
    for (const char* name : {"link-same.bin", "link-differs.bin", "link-later.bin"})
        EXPECT_TRUE(S_ISLNK(statOf(path(name)).st_mode)) << name;
    EXPECT_EQ(entries(folder()).size(), 6) << entries(folder()).join(", ").toStdString();
}

TEST_F(AtomicFileTest, SymbolicLinksAreWrittenThrough) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/elsewhere"));
    ASSERT_TRUE(WriteFile(dir.path() + "/elsewhere/real.bin", "old"));
    ASSERT_EQ(::symlink("../elsewhere/real.bin", QFile::encodeName(path("link.bin")).constData()), 0);
    ASSERT_EQ(::symlink("link.bin", QFile::encodeName(path("link2.bin")).constData()), 0);

    AtomicFile file(path("link2.bin"));
    ASSERT_TRUE(file.open());
    EXPECT_EQ(file.originalPath(), dir.path() + "/music/../elsewhere/real.bin");
    EXPECT_TRUE(file.writePath().startsWith(dir.path() + "/music/../elsewhere/.real.bin."));
    ASSERT_TRUE(file.write("new") && file.commit());
    EXPECT_TRUE(S_ISLNK(statOf(path("link.bin")).st_mode));
    EXPECT_TRUE(S_ISLNK(statOf(path("link2.bin")).st_mode));
    EXPECT_EQ(FileBytes(dir.path() + "/elsewhere/real.bin"), "new");
    EXPECT_EQ(entries(folder()), QStringList({"link.bin", "link2.bin"}));
    EXPECT_EQ(entries(dir.path() + "/elsewhere"), QStringList{"real.bin"});

    // A link to nowhere yet: the file is made where it points.
    ASSERT_EQ(::symlink("new.bin", QFile::encodeName(path("dangling.bin")).constData()), 0);
    ASSERT_TRUE(writeWhole(path("dangling.bin"), "made"));
    EXPECT_TRUE(S_ISLNK(statOf(path("dangling.bin")).st_mode));
    EXPECT_EQ(FileBytes(path("new.bin")), "made");
}

TEST_F(AtomicFileTest, HardLinkedFilesAndReadOnlyFoldersAreWrittenInPlace) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(WriteFile(path(), "old content that is long"));
    ASSERT_EQ(::link(QFile::encodeName(path()).constData(), QFile::encodeName(path("other.bin")).constData()), 0);
    const ino_t inode = statOf(path()).st_ino;

    AtomicFile file(path());
    ASSERT_TRUE(file.open());
    EXPECT_TRUE(file.writesInPlace());
    EXPECT_EQ(FileBytes(file.originalPath()), "old content that is long");  // the safety copy
    EXPECT_TRUE(file.originalPath().startsWith(safetyFolder() + "/file.bin.safety-"));
    ASSERT_TRUE(file.write("new") && file.commit());
    EXPECT_EQ(FileBytes(path()), "new");
    EXPECT_EQ(FileBytes(path("other.bin")), "new");
    EXPECT_EQ(statOf(path()).st_ino, inode);
    EXPECT_EQ(statOf(path()).st_nlink, 2u);
    EXPECT_TRUE(entries(safetyFolder()).isEmpty());

    // Cancelled after writing: the safety copy is put back.
    {
        AtomicFile cancelled(path("other.bin"));
        ASSERT_TRUE(cancelled.open());
        ASSERT_TRUE(cancelled.write(QByteArray(5000, 'z')));
    }
    EXPECT_EQ(FileBytes(path()), "new");
    EXPECT_TRUE(entries(safetyFolder()).isEmpty());

    // A writable file in a folder the user may not write (root included): no rename in the folder.
    ASSERT_EQ(::unlink(QFile::encodeName(path("other.bin")).constData()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0555), 0);
    ASSERT_TRUE(writeWhole(path(), "in a read-only folder"));
    EXPECT_EQ(FileBytes(path()), "in a read-only folder");
    EXPECT_EQ(statOf(path()).st_ino, inode);
    EXPECT_EQ(entries(folder()), QStringList{"file.bin"});
    AtomicFile newFile(path("new.bin"));
    EXPECT_FALSE(newFile.open());
    EXPECT_TRUE(newFile.errorString().contains("Permission denied")) << newFile.errorString().toStdString();
}

TEST_F(AtomicFileTest, FilesTheUserMayNotWriteAndNonRegularFilesAreLeftAlone) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(WriteFile(path(), "read only"));
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0444), 0);
    AtomicFile readOnly(path());
    EXPECT_FALSE(readOnly.open());
    EXPECT_TRUE(readOnly.errorString().contains(path()) && readOnly.errorString().contains("Permission denied"));
    EXPECT_FALSE(readOnly.write("x"));
    EXPECT_FALSE(readOnly.commit());

    if (::geteuid() == 0) {  // root writes a user's 0644 file as the system lets it, and keeps its owner
        ASSERT_TRUE(WriteFile(path("theirs.bin"), "theirs"));
        ASSERT_EQ(::chown(QFile::encodeName(path("theirs.bin")).constData(), 12345, 23456), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path("theirs.bin")).constData(), 0644), 0);
        ASSERT_TRUE(writeWhole(path("theirs.bin"), "root's"));
        EXPECT_EQ(FileBytes(path("theirs.bin")), "root's");
        EXPECT_EQ(statOf(path("theirs.bin")).st_uid, 12345u);
        EXPECT_EQ(statOf(path("theirs.bin")).st_gid, 23456u);
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0666), 0);
    for (const QString& special : {path("fifo"), QStringLiteral("/dev/null"), folder()}) {
        AtomicFile file(special);
        EXPECT_FALSE(file.open()) << special.toStdString();
        EXPECT_FALSE(file.errorString().isEmpty());
    }
    EXPECT_EQ(FileBytes(path()), "read only");
}

TEST_F(AtomicFileTest, AFullDiskFailsTheWholeWrite) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QByteArray old(3000, 'o');
    ASSERT_TRUE(WriteFile(path(), old));
    {
        FileSizeLimit limit(4096);
        AtomicFile file(path());
        ASSERT_TRUE(file.open());
        EXPECT_TRUE(file.write(QByteArray(4000, 'n')));
        EXPECT_FALSE(file.write(QByteArray(4000, 'n')));
        EXPECT_FALSE(file.errorString().isEmpty());
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(FileBytes(path()), old);
    EXPECT_EQ(entries(folder()), QStringList{"file.bin"});

    // In place: the safety copy fits, the new content does not; the old content is put back.
    ASSERT_EQ(::link(QFile::encodeName(path()).constData(), QFile::encodeName(path("other.bin")).constData()), 0);
    {
        FileSizeLimit limit(4096);
        AtomicFile file(path());
        ASSERT_TRUE(file.open());
        EXPECT_FALSE(file.write(QByteArray(5000, 'n')));
        EXPECT_FALSE(file.commit());
    }
    EXPECT_EQ(FileBytes(path("other.bin")), old);
    EXPECT_TRUE(entries(safetyFolder()).isEmpty());
}

TEST_F(AtomicFileTest, CommitWithoutReplacingNeverTouchesAFileThatAppeared) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    AtomicFile file(path());
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("mine"));
    ASSERT_TRUE(WriteFile(path(), "theirs"));  // made by someone else meanwhile
    EXPECT_FALSE(file.commitWithoutReplacing());
    EXPECT_TRUE(file.errorString().contains("File exists")) << file.errorString().toStdString();
    EXPECT_EQ(FileBytes(path()), "theirs");
    EXPECT_EQ(entries(folder()), QStringList{"file.bin"});

    AtomicFile fresh(path("fresh.bin"));
    ASSERT_TRUE(fresh.open() && fresh.write("fresh") && fresh.commitWithoutReplacing());
    EXPECT_EQ(FileBytes(path("fresh.bin")), "fresh");
    EXPECT_EQ(entries(folder()), QStringList({"file.bin", "fresh.bin"}));

    AtomicFile existing(path("fresh.bin"));
    ASSERT_TRUE(existing.open() && existing.write("again"));
    EXPECT_FALSE(existing.commitWithoutReplacing());
    EXPECT_EQ(FileBytes(path("fresh.bin")), "fresh");
}

}  // namespace
