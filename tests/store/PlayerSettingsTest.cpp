#include "store/PlayerSettingsStore.h"
#include "store/Settings.h"
#include "support/TestProgram.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace orv;
using orv::test::TestProgram;

const QString kSettings = QStringLiteral("OrvSettings.mdb");

class PlayerSettingsStore : public ::testing::Test {
protected:
    QStringList rows(const QString& name) const {
        return p.column(kSettings, "SELECT SettingValue FROM Settings WHERE SettingName = '" + name + "'");
    }
    TestProgram p;
};

TEST_F(PlayerSettingsStore, NowPlayingSecondsThatAreNotANumberAreSavedAs30) {
    EXPECT_EQ(nowPlayingSecondsValue("12"), 12);
    EXPECT_EQ(nowPlayingSecondsValue(" 7 "), 7);
    EXPECT_EQ(nowPlayingSecondsValue("12.5"), 12);
    EXPECT_EQ(nowPlayingSecondsValue("13.5"), 14);
    for (const char* text : {"", "soon", "12s", "99999"}) EXPECT_EQ(nowPlayingSecondsValue(text), 30) << text;

    p.state.player.NowPlayingSeconds = nowPlayingSecondsValue("half a minute");
    saveAllSettings(p.state, "/music/");
    EXPECT_EQ(rows("NowPlayingSeconds"), QStringList{"30"});
}

TEST_F(PlayerSettingsStore, BooleansKeepTheirValueWhenTheTextDoesNotConvert) {
    p.sql(kSettings, "DELETE FROM Settings WHERE SettingName = 'AutoLaunch'");
    SaveSetting(p.state, "Touchscreen", "maybe");
    SaveSetting(p.state, "UseAllCaps", "TRUE");
    SaveSetting(p.state, "OneClickPlay", "0");
    SaveSetting(p.state, "AlbumCoverMode", "");
    SaveSetting(p.state, "NowPlayingSeconds", "soon");
    p.state.player.Touchscreen = true;
    p.state.player.OneClickPlay = true;
    p.state.player.AlbumCoverMode = 3;

    readPlayerSettings(p.state);
    EXPECT_FALSE(p.state.player.AutoLaunch);
    EXPECT_TRUE(p.state.player.Touchscreen);
    EXPECT_TRUE(p.state.player.UseAllCaps);
    EXPECT_FALSE(p.state.player.OneClickPlay);
    EXPECT_EQ(p.state.player.AlbumCoverMode, 0);
    EXPECT_EQ(p.state.player.NowPlayingSeconds, 30);
}

TEST_F(PlayerSettingsStore, EverySettingSurvivesASaveAndARead) {
    p.state.WatchFolders = true;
    p.state.AutoCheckNewVersion = true;
    p.state.UpdateBlankTags = true;
    p.state.BlankTagFormat = "%A\\%B\\%K - %T";
    p.state.CurrentMusicLibrary = "Rock";
    PlayerSettings& s = p.state.player;
    s = PlayerSettings{};
    s.NowPlayingSeconds = 45;
    s.ListByTrack = s.Touchscreen = s.ShowAlbumCoverFrames = s.ShowToolTips = s.UseAllCaps = s.OneClickPlay = true;
    s.Prefetch = false;
    s.FullScreen = true;
    s.EraseHistory = s.MouseOverSound = s.MouseClickSound = s.AllowRepeats = true;
    s.AlbumCoverMode = 2;
    s.AlbumCoverFileName = "Folder";
    s.AlbumCoverViewOnStartup = s.AutoRandomOnStartup = s.ExtractEmbeddedImages = true;
    s.Password = "s3cret";
    for (std::size_t i = 0; i < s.passwordFlags.size(); i += 2) s.passwordFlags[i] = true;
    // Saved by their boxes, not by the save: read back as the first-use values.
    s.CreateLog = s.NowPlayingScreen = s.ShowOptionsButton = true;
    s.LogType = "Text";
    const PlayerSettings saved = s;
    saveAllSettings(p.state, "/music/");

    ProgramState fresh;
    fresh.paths = p.state.paths;
    fresh.session.userInterface = &p.ui;
    readPlayerSettings(fresh);
    EXPECT_TRUE(fresh.player == saved);
    EXPECT_TRUE(fresh.WatchFolders);
    EXPECT_TRUE(fresh.AutoCheckNewVersion);
    EXPECT_EQ(fresh.BlankTagFormat, "%A\\%B\\%K - %T");
    EXPECT_EQ(rows("CurrentMusicLibrary"), QStringList{"Rock"});
    EXPECT_EQ(rows("UseSkins"), QStringList{"True"});
    EXPECT_EQ(rows("Password3"), QStringList{"True"});
    EXPECT_EQ(rows("Password4"), QStringList{"False"});
    EXPECT_TRUE(p.ui.messages.isEmpty());
}

TEST_F(PlayerSettingsStore, SettingsNoControlEditsAreWrittenBackAsReadAndImagesPathNever) {
    SaveSetting(p.state, "Prefetch", "False");
    SaveSetting(p.state, "FullScreen", "True");
    SaveSetting(p.state, "ActiveSkin", "Mine");
    p.sql(kSettings, "DELETE FROM Settings WHERE SettingName IN ('ImagesPath', 'ShowQueue')");
    p.state.ActiveSkin = GetSetting(p.state, "ActiveSkin");
    p.state.MusicPath = "/music";
    p.state.ImagesPath = p.file("Images");
    readPlayerSettings(p.state);
    saveAllSettings(p.state, "/music");

    EXPECT_EQ(rows("Prefetch"), QStringList{"False"});
    EXPECT_EQ(rows("FullScreen"), QStringList{"True"});
    EXPECT_EQ(rows("ActiveSkin"), QStringList{"Mine"});
    EXPECT_TRUE(rows("ImagesPath").isEmpty());
    EXPECT_TRUE(rows("ShowQueue").isEmpty());
    EXPECT_EQ(p.state.MusicPath, "/music/");
    EXPECT_EQ(p.state.ImagesPath, p.file("Images") + "/");

    // A value that could not be read is not invented.
    p.sql(kSettings, "DELETE FROM Settings WHERE SettingName = 'Prefetch'");
    SaveSetting(p.state, "FullScreen", "");
    p.state.player = PlayerSettings{};
    readPlayerSettings(p.state);
    saveAllSettings(p.state, "/music");
    EXPECT_TRUE(rows("Prefetch").isEmpty());
    EXPECT_EQ(rows("FullScreen"), QStringList{""});
}

TEST_F(PlayerSettingsStore, AStepThatFailsIsPassedOverAndTold) {
    saveAllSettings(p.state, "/music/");
    p.sql(kSettings,
          "CREATE TRIGGER refuse BEFORE UPDATE ON Settings WHEN NEW.SettingName = 'Touchscreen' "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    p.state.player.Touchscreen = true;
    p.state.player.Password = "later";
    EXPECT_FALSE(saveAllSettings(p.state, "/music/"));
    EXPECT_EQ(rows("Touchscreen"), QStringList{"False"});
    EXPECT_EQ(rows("Password"), QStringList{"later"}) << "the steps after it still run";

    QFile::remove(p.file("OrvSettings.mdb"));
    EXPECT_FALSE(saveAllSettings(p.state, "/music/")) << "no settings database at all";
}

}  // namespace
