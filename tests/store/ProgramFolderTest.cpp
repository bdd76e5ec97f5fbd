#include "core/RuntimeError.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"
#include "store/Settings.h"
#include "support/Files.h"
#include "support/TestProgram.h"
#include "tags/Mp3Fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/if_tun.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

using test::TestProgram;

// A setting of the program folder `folder`; with a value, stores it first.
QString SettingsOf(const QString& folder, const QString& name, const QString& value = {}) {
    ProgramState state;
    test::ScriptedFrontEnd ui;
    state.session.userInterface = &ui;
    openProgramFolder(state, folder);
    if (!value.isEmpty()) SaveSetting(state, name, value);
    return GetSetting(state, name);
}

TEST(programFolder, FreshFolderHoldsTheFirstUseDatabases) {
    TestProgram p;
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT name FROM sqlite_master WHERE type = 'table'"),
              QStringList{"MusicLibrary1"});
    EXPECT_EQ(p.column("OrvLibraries81.mdb", "SELECT count(*) FROM pragma_table_info('MusicLibrary1')"),
              QStringList{"25"});
    EXPECT_EQ(GetSetting(p.state, "InitialUse"), "True");
    EXPECT_EQ(GetSetting(p.state, "ActiveSkin"), "Default");
    EXPECT_EQ(GetSetting(p.state, "BlankTagFormat"), "%A - %T");
    EXPECT_EQ(GetSkinSetting(p.state, "Default", "ScrollbarColor"), "8388672");
    EXPECT_TRUE(initializeProgramFolder(p.state.paths.programFolder).isEmpty());
}

TEST(programFolder, StartUpPathsOnFirstUseAndAfter) {
    TestProgram p;
    p.state.paths.DriveRoot = "/";
    SaveSetting(p.state, "MusicPath", "/srv/music/");
    readStartUpPaths(p.state);
    EXPECT_EQ(p.state.MusicPath, "/");
    EXPECT_EQ(p.state.ImagesPath, p.file("Images"));

    SaveSetting(p.state, "InitialUse", "False");
    SaveSetting(p.state, "ImagesPath", "/srv/covers/");
    readStartUpPaths(p.state);
    EXPECT_EQ(p.state.MusicPath, "/srv/music/");
    EXPECT_EQ(p.state.ImagesPath, "/srv/covers/");

    SaveSetting(p.state, "MusicPath", "");
    SaveSetting(p.state, "ImagesPath", "");
    readStartUpPaths(p.state);
    EXPECT_EQ(p.state.MusicPath, "/");
    EXPECT_EQ(p.state.ImagesPath, p.file("Images"));
}

TEST(programFolder, PreviousLibrariesAreRetiredOnceAndNeverOverwritten) {
    TestProgram p;
    ASSERT_TRUE(test::WriteFile(p.file("OrvLibraries8.mdb"), "eight"));
    ASSERT_TRUE(test::WriteFile(p.file("OrvLibraries.mdb"), "seven"));
    renamePreviousLibraries(p.state);
    EXPECT_FALSE(QFile::exists(p.file("OrvLibraries8.mdb")));
    EXPECT_EQ(test::FileBytes(p.file("OrvLibraries8OLD.mdb")), "eight");
    EXPECT_EQ(test::FileBytes(p.file("OrvLibrariesOLD.mdb")), "seven");

    ASSERT_TRUE(test::WriteFile(p.file("OrvLibraries8.mdb"), "newer"));
    renamePreviousLibraries(p.state);
    EXPECT_EQ(test::FileBytes(p.file("OrvLibraries8.mdb")), "newer") << "the rename fails and the file keeps its name";
    EXPECT_EQ(test::FileBytes(p.file("OrvLibraries8OLD.mdb")), "eight");
}

// An installed program folder with both programs, beside a data home of its own.
struct installedFolder {
    installedFolder() {
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        initializeProgramFolder(installed.path());
        for (const char* program : {"orvella-configurator", "orvella-cli", "Orvella"}) {
            EXPECT_TRUE(test::WriteFile(installed.path() + "/" + program, "#!/bin/sh\n"));
            QFile::setPermissions(installed.path() + "/" + program, QFile::ReadOwner | QFile::ExeOwner);
        }
        EXPECT_TRUE(test::WriteFile(installed.path() + "/OrvSettings.mdb-notes.txt", "kept"));
    }
    ~installedFolder() {
        setWritable(true);
        qunsetenv("XDG_DATA_HOME");
    }
    void setWritable(bool writable) const {
        const QFile::Permissions readable = QFile::ReadOwner | QFile::ExeOwner;
        QFile::setPermissions(installed.path(), writable ? readable | QFile::WriteOwner : readable);
    }
    QString perUser() const { return dataHome.path() + "/orvella-configurator"; }

    QTemporaryDir installed;
    QTemporaryDir dataHome;
};

// Only a regular file that opens for reading counts, whether named directly or through a link; a
// pipe is never opened.
TEST(programFiles, AFileExistsOnlyAsARegularFileThatOpens) {
    QTemporaryDir dir;
    const QString file = dir.filePath("cover's \"name\".jpg");
    ASSERT_TRUE(test::WriteFile(file, "x"));
    ASSERT_TRUE(QFile::link(file, dir.filePath("link.jpg")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone.jpg"), dir.filePath("dangling.jpg")));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.jpg")).constData(), 0644), 0);
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.filePath("link.jpg")));
    for (const QString& name : {"gone.jpg", "dangling.jpg", "folder.jpg", "pipe.jpg", ""})
        EXPECT_FALSE(FileExists(name.isEmpty() ? name : dir.filePath(name))) << name.toStdString();
    if (::geteuid() == 0) return;  // root opens any file
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::WriteOwner));
    EXPECT_FALSE(FileExists(file));
}

// Brings an interface of the calling process's network namespace up, with an IPv4 address when
// one is given.
bool BringUp(const char* name, const char* address = nullptr) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ifreq device{};
    std::strncpy(device.ifr_name, name, IFNAMSIZ - 1);
    auto* ip = reinterpret_cast<sockaddr_in*>(&device.ifr_addr);
    ip->sin_family = AF_INET;
    bool done =
        !address || (::inet_pton(AF_INET, address, &ip->sin_addr) == 1 && ::ioctl(fd, SIOCSIFADDR, &device) == 0);
    device.ifr_flags = IFF_UP;
    done = done && ::ioctl(fd, SIOCSIFFLAGS, &device) == 0;
    ::close(fd);
    return done;
}

// The internet connection counts only what is up and running beside the loopback. Checked in a
// child process with a network namespace of its own (making one needs the right to, and the test
// is skipped without it): first with its loopback up, then with a tunnel interface as well.
TEST(programFiles, AnInterfaceBesideTheLoopbackIsAnInternetConnection) {
    int answerPipe[2];
    ASSERT_EQ(::pipe(answerPipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // '-': not found out; otherwise 'c' connected or 'n' not, without and with the tunnel.
        char answers[2] = {'-', '-'};
        if (::unshare(CLONE_NEWNET) == 0 && BringUp("lo")) {
            answers[0] = IsInternetConnected(ProgramState()) ? 'c' : 'n';
            const int tunnel = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
            ifreq device{};
            std::strncpy(device.ifr_name, "orv0", IFNAMSIZ - 1);
            device.ifr_flags = IFF_TUN | IFF_NO_PI;
            if (tunnel >= 0 && ::ioctl(tunnel, TUNSETIFF, &device) == 0 && BringUp("orv0", "10.9.9.9"))
                answers[1] = IsInternetConnected(ProgramState()) ? 'c' : 'n';
        }
        ::_exit(::write(answerPipe[1], answers, 2) == 2 ? 0 : 1);
    }
    ::close(answerPipe[1]);
    char answers[2] = {};
    const bool read = ::read(answerPipe[0], answers, 2) == 2;
    ::close(answerPipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(read && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    if (answers[0] == '-') GTEST_SKIP() << "no network namespace of its own";
    EXPECT_EQ(answers[0], 'n');
    if (answers[1] == '-') GTEST_SKIP() << "no tunnel device";
    EXPECT_EQ(answers[1], 'c');
}

TEST(programFolder, AWritableFolderIsTheProgramFolder) {
    installedFolder f;
    EXPECT_EQ(programFolderToUse(f.installed.path()), QDir::cleanPath(f.installed.path()));
    EXPECT_FALSE(QFile::exists(f.perUser()));
}

TEST(programFolder, AReadOnlyFolderIsCopiedPerUserWithoutItsPrograms) {
    installedFolder f;
    SettingsOf(f.installed.path(), "MusicPath", "/srv/installed/");
    f.setWritable(false);
    EXPECT_EQ(perUserProgramFolder(), f.perUser());
    EXPECT_EQ(programFolderToUse(f.installed.path()), f.perUser());

    for (const char* file : {"Orvella81.mdb", "OrvSettings.mdb", "OrvLibraries81.mdb", "Orvella Help.html",
                             "Skins/Default/Logo.gif", "Images/Error.ico", "Playlists", "OrvSettings.mdb-notes.txt"})
        EXPECT_TRUE(QFileInfo::exists(f.perUser() + "/" + file)) << file;
    for (const char* program : {"orvella-configurator", "orvella-cli", "Orvella"})
        EXPECT_FALSE(QFileInfo::exists(f.perUser() + "/" + program)) << program;
    EXPECT_EQ(SettingsOf(f.perUser(), "MusicPath"), "/srv/installed/") << "the databases are copies";

    // Later starts keep the user's own files and add only what is missing.
    SettingsOf(f.perUser(), "MusicPath", "/home/me/music/");
    QFile::remove(f.perUser() + "/Orvella Help.html");
    EXPECT_EQ(programFolderToUse(f.installed.path()), f.perUser());
    EXPECT_EQ(SettingsOf(f.perUser(), "MusicPath"), "/home/me/music/");
    EXPECT_TRUE(QFile::exists(f.perUser() + "/Orvella Help.html"));
    EXPECT_EQ(SettingsOf(f.installed.path(), "MusicPath"), "/srv/installed/");
}

TEST(programFolder, AnUnreadableDatabaseIsNamedAndNeverHalfCopied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    installedFolder f;
    const QString libraries = f.installed.path() + "/OrvLibraries81.mdb";
    QFile::setPermissions(libraries, {});
    EXPECT_EQ(programFolderToUse(f.installed.path()), QDir::cleanPath(f.installed.path())) << "the folder is writable";
    const QStringList unusable = unusableDatabases(f.installed.path());
    ASSERT_EQ(unusable.size(), 1);
    EXPECT_TRUE(unusable[0].startsWith(libraries + " (")) << unusable[0].toStdString();

    f.setWritable(false);
    try {
        programFolderToUse(f.installed.path());
        ADD_FAILURE() << "a per-user folder without its libraries";
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(error.description().startsWith("The file '" + libraries + "' cannot be read"));
    }
    EXPECT_EQ(QDir(f.dataHome.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{})
        << "the per-user folder is made whole or not at all";
}

}  // namespace
}  // namespace orv
