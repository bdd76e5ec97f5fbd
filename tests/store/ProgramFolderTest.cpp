#include "store/ProgramFolder.h"
#include "store/Settings.h"
#include "support/TestProgram.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

void Touch(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

TEST(programFolder, DriveRootIsTheRootOfTheProgramFoldersFileSystem) {
    TestProgram p;
    EXPECT_TRUE(p.state.paths.DriveRoot.endsWith(QDir::separator()));
    EXPECT_TRUE(p.state.paths.programFolder.startsWith(p.state.paths.DriveRoot) ||
                p.state.paths.DriveRoot == QDir::rootPath());
}

TEST(programFolder, PreviousLibrariesAreRetiredOnceAndNeverOverwritten) {
    TestProgram p;
    Touch(p.file("OrvLibraries8.mdb"), "eight");
    Touch(p.file("OrvLibraries.mdb"), "seven");
    renamePreviousLibraries(p.state);
    EXPECT_FALSE(QFile::exists(p.file("OrvLibraries8.mdb")));
    EXPECT_EQ(read(p.file("OrvLibraries8OLD.mdb")), "eight");
    EXPECT_EQ(read(p.file("OrvLibrariesOLD.mdb")), "seven");

    Touch(p.file("OrvLibraries8.mdb"), "newer");
    renamePreviousLibraries(p.state);
    EXPECT_EQ(read(p.file("OrvLibraries8.mdb")), "newer") << "the rename fails and the file keeps its name";
    EXPECT_EQ(read(p.file("OrvLibraries8OLD.mdb")), "eight");
}

}  // namespace
}  // namespace orv
