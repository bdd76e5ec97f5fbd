#include "BuildFixture.h"
#include "builder/FolderWatch.h"
#include "store/Settings.h"

namespace orv {
namespace {

using test::BuildFixture;

struct Watch : BuildFixture {
    void SetUp() override {
        mp3("a/One.mp3", "One");
        ASSERT_EQ(build().added, 1);
        SaveSetting(program.state, "MusicPath", musicDir.path() + "/");
        SaveSetting(program.state, "InitialUse", "False");
    }
    // Runs the watch; the number of questions it asked.
    int watch() {
        const qsizetype before = program.ui.questions.size();
        WatchForMP3s(program.state, musicDir.path() + "/");
        EXPECT_FALSE(program.state.run.WatchPromptShowing);
        return static_cast<int>(program.ui.questions.size() - before);
    }
};

TEST_F(Watch, AsksOnceAfterAChangeAndNotForOtherMedia) {
    EXPECT_EQ(watch(), 0) << "nothing changed";
    put("a/Other.wma", "x");
    put("a/Other.wma.tag", "<s/>");
    EXPECT_EQ(watch(), 0) << "WMA files are not part of the signature";
    mp3("a/Two.mp3", "Two");
    EXPECT_EQ(watch(), 1);
    EXPECT_EQ(program.ui.questions.last().title, "Music Path Contents Modified");
    EXPECT_EQ(program.ui.questions.last().message,
              "It appears the file contents of your Music Path may have changed.\n\nWould you like to update your "
              "Music Library now to capture these changes?");
    EXPECT_EQ(watch(), 0) << "answered No: the new signature is already stored";
    EXPECT_EQ(records().size(), 1);

    setTime(music("a/One.mp3"), 1500000000);
    program.ui.answers = {Answer::Yes};
    EXPECT_EQ(watch(), 1);
    EXPECT_EQ(records().size(), 3) << "Yes runs the whole build";
    EXPECT_EQ(watch(), 0);
}

TEST_F(Watch, AWalkCutShortStoresAndOffersNothing) {
    const QString stored = GetSetting(program.state, "SongsCount");
    mp3("b/Two.mp3", "Two");
    program.ui.onYield = [&] { program.state.run.CloseRequested = true; };
    EXPECT_FALSE(WatchForMP3s(program.state, musicDir.path()));
    EXPECT_TRUE(program.ui.questions.isEmpty());
    EXPECT_EQ(GetSetting(program.state, "SongsCount"), stored);
}

TEST_F(Watch, ASignatureWithoutSongsIsNotWatched) {
    for (const char* empty : {"SongsCount", "FileDateLowTotal", "FileDateHighTotal"}) {
        const QString kept = GetSetting(program.state, empty);
        SaveSetting(program.state, empty, "0");
        mp3(QString("b/%1.mp3").arg(empty), "x");
        EXPECT_FALSE(WatchForMP3s(program.state, musicDir.path()));
        EXPECT_TRUE(program.ui.questions.isEmpty());
        EXPECT_EQ(GetSetting(program.state, empty), "0") << "no walk, nothing stored";
        SaveSetting(program.state, empty, kept);
    }
}

}  // namespace
}  // namespace orv
