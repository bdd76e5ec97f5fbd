#include "app/ControlNames.h"
#include "app/LogFileView.h"
#include "app/Look.h"
#include "app/WindowFrontEnd.h"
#include "app/frmStartUp.h"
#include "builder/BuildOptions.h"
#include "coverart/CoverMisses.h"
#include "store/Database.h"
#include "store/LibrarySchema.h"
#include "store/Settings.h"
#include "support/Files.h"
#include "support/TestProgram.h"
#include "support/Windows.h"
#include "tags/Mp3Fixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {
namespace {

using test::OnNextModal;
using test::TestProgram;

// The main window loaded over a temporary program folder that is past its first use.
struct mainWindow : TestProgram {
    explicit mainWindow(bool internet = true) : frontEnd(state) {
        SaveSetting(state, "InitialUse", "False");
        state.session.userInterface = &frontEnd;
        state.session.internetProbe = [internet] { return internet; };
    }
    ~mainWindow() { test::CloseAllWindows(); }

    frmStartUp* load() {
        window = new frmStartUp(state);
        frontEnd.setMainWindow(window);
        window->Form_Load();
        EXPECT_TRUE(test::WaitUntil([this] { return !window->loading(); }));
        window->show();
        return window;
    }
    template <class T>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void click(const char* name) const { child<QAbstractButton>(name)->click(); }
    // A music folder of `songs` songs in the text box, and the focus on the build button of the
    // active window.
    QWidget* focusBuildOver(int songs) const {
        test::WriteMusicFolder(file("Music"), songs);
        child<QLineEdit>("txtMusic")->setText(file("Music"));
        window->activateWindow();
        QCoreApplication::processEvents();
        auto* build = child<QWidget>("cmdDatabase");
        build->setFocus();
        return build;
    }
    // Waits until the long work the window started has ended.
    bool waitForRun() const {
        return test::WaitUntil([this] { return !window || !window->longRunBusy(); });
    }
    // The lines the Log File panel shows.
    QStringList logLines() const {
        const QAbstractItemModel* lines = child<QListView>("wbLogFile")->model();
        QStringList shown;
        for (int row = 0; row < lines->rowCount(); ++row) shown << lines->index(row, 0).data().toString();
        return shown;
    }
    // The texts and the titles of the message dialogs open now.
    static QStringList messages() { return test::OpenMessageTexts("lblMessage"); }
    static QStringList titles() { return test::OpenMessageTexts("lblTitle"); }
    QString setting(const QString& name) const {
        return column("OrvSettings.mdb", "SELECT SettingValue FROM Settings WHERE SettingName = '" + name + "'")
            .join('|');
    }
    // A player program in the program folder that runs `command`.
    void writePlayer(const QByteArray& command) const {
        ASSERT_TRUE(test::WriteFile(file("Orvella"), "#!/bin/sh\n" + command + "\n"));
        QFile::setPermissions(file("Orvella"), QFile::permissions(file("Orvella")) | QFile::ExeOwner);
    }
    void addSong() const {
        sql("OrvLibraries81.mdb", "INSERT INTO MusicLibrary1 (Artist, Title, Filename) VALUES ('A', 'T', '/m/a.mp3')");
    }
    // The main window's own background, without its controls.
    QImage background() const {
        QImage image(window->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        window->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        return image;
    }

    WindowFrontEnd frontEnd;
    QPointer<frmStartUp> window;
};

// The texts of a dialog whose colour is too close to the dialog's own background to be read.
QStringList unreadableTexts(QWidget* dialog) {
    const auto brightness = [](const QColor& c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    const double ground = brightness(dialog->palette().color(QPalette::Window));
    QStringList unreadable;
    for (QLabel* text : dialog->findChildren<QLabel*>())
        if (text->isVisible() && !text->text().isEmpty() &&
            std::abs(brightness(text->palette().color(QPalette::WindowText)) - ground) < 100)
            unreadable << text->text();
    return unreadable;
}

// Every control the core can name is a widget of the built window, under a name of its own, and the
// front end reaches it.
TEST(mainWindow, EveryControlTheCoreNamesIsInTheWindow) {
    mainWindow w;
    w.load();
    QSet<QString> names;
    for (int i = 0; i < kControlCount; ++i) {
        const auto control = static_cast<Control>(i);
        const QString& name = controlName(control);
        names.insert(name);
        QWidget* widget = name == w.window->objectName() ? w.window.data() : w.window->findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name.toStdString();
        const bool locked = widget->testAttribute(Qt::WA_ForceDisabled);
        w.frontEnd.setEnabled(control, locked);
        EXPECT_NE(widget->testAttribute(Qt::WA_ForceDisabled), locked) << name.toStdString();
        w.frontEnd.setEnabled(control, !locked);
    }
    EXPECT_EQ(names.size(), kControlCount);
}

TEST(mainWindow, PanelListShowsOneFrameAtATime) {
    mainWindow w;
    w.load();
    auto* list = w.child<QListWidget>("lstFrames");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
    EXPECT_EQ(entries, QStringList({"Music Libraries", "Album Covers", "Options", "Playlists", "Password"}));
    EXPECT_TRUE(w.child<QFrame>("fraPaths")->isVisible());

    list->setCurrentRow(2);
    EXPECT_TRUE(w.child<QFrame>("fraOptions")->isVisible());
    for (const char* hidden : {"fraPaths", "fraAlbumCovers", "fraPlaylists", "fraPassword", "fraLogFile"})
        EXPECT_FALSE(w.child<QFrame>(hidden)->isVisible()) << hidden;
    EXPECT_EQ(w.window->windowTitle(), "Orvella Configurator - Version 8.1.9");
    EXPECT_EQ(w.child<QAbstractButton>("cmdOK")->text(), "Save && Close");
    EXPECT_EQ(w.child<QComboBox>("cmbPlaylistFormat")->currentText(), "b4s");
}

TEST(mainWindow, LoadFillsTheControlsFromTheSettings) {
    mainWindow w;
    SaveSetting(w.state, "ListByTrack", "False");
    SaveSetting(w.state, "Touchscreen", "True");
    SaveSetting(w.state, "NowPlayingScreen", "False");
    SaveSetting(w.state, "Password3", "True");
    SaveSetting(w.state, "AlbumCoverFileName", "Cover");
    SaveSetting(w.state, "MusicPath", "/srv/music/");
    SaveSetting(w.state, "ExtraMediaTypes", "wav");
    w.load();
    EXPECT_TRUE(w.child<QCheckBox>("chkExtraMediaTypes")->isChecked());
    EXPECT_EQ(w.setting("ExtraMediaTypes"), "wav") << "a list of the user's own is kept";
    EXPECT_EQ(w.child<QLineEdit>("txtMusic")->text(), "/srv/music/");
    EXPECT_FALSE(getButtonValue(w.child<QAbstractButton>("cmdByTrack")));
    EXPECT_TRUE(getButtonValue(w.child<QAbstractButton>("cmdAlpha")));
    EXPECT_TRUE(w.child<QCheckBox>("chkTouchscreen")->isChecked());
    EXPECT_TRUE(w.child<QCheckBox>("chkPassword3")->isChecked());
    EXPECT_FALSE(w.child<QCheckBox>("chkPassword4")->isChecked());
    EXPECT_FALSE(w.child<QLineEdit>("txtNowPlayingSeconds")->isEnabled()) << "only while the Now Playing box is ticked";
    EXPECT_EQ(w.child<QLineEdit>("txtCoverName")->text(), "Cover");
    EXPECT_TRUE(w.child<QLineEdit>("txtCoverName")->isEnabled());
    EXPECT_EQ(w.child<QLabel>("lblSongCount")->text(), "Currently 0 Songs In Selected Music Library");
    EXPECT_EQ(w.child<QAbstractButton>("cmdDatabase")->text(), "Build Music Library");
    EXPECT_FALSE(w.child<QAbstractButton>("cmdOK")->isEnabled());
    EXPECT_FALSE(w.child<QAbstractButton>("cmdLaunch")->isEnabled());
    EXPECT_FALSE(w.state.run.StartingUp);
    EXPECT_TRUE(w.messages().isEmpty());
}

TEST(mainWindow, AutoLaunchWithoutARowStartsClearAndTickingInsertsIt) {
    mainWindow w;
    w.sql("OrvSettings.mdb", "DELETE FROM Settings WHERE SettingName IN ('AutoLaunch', 'CreateLog')");
    w.load();
    EXPECT_FALSE(w.child<QCheckBox>("chkAutoLaunch")->isChecked());
    EXPECT_EQ(w.setting("AutoLaunch"), "") << "loading a clear box saves nothing";
    EXPECT_EQ(w.setting("CreateLog"), "");
    EXPECT_TRUE(w.child<QListWidget>("lstLogType")->isHidden());
    w.click("chkAutoLaunch");
    EXPECT_EQ(w.setting("AutoLaunch"), "True");
    w.click("chkAutoLaunch");
    EXPECT_EQ(w.setting("AutoLaunch"), "False");
}

TEST(mainWindow, ImmediateBoxesSaveAndEnableTheirControls) {
    mainWindow w;
    w.load();
    w.click("chkBlankTags");
    EXPECT_EQ(w.setting("UpdateBlankTags"), "True");
    EXPECT_TRUE(w.child<QFrame>("frmBlankTags")->isEnabled());
    w.click("chkLogFile");
    EXPECT_EQ(w.setting("CreateLog"), "False");
    EXPECT_TRUE(w.child<QListWidget>("lstLogType")->isHidden());
    w.click("chkLogFile");
    EXPECT_TRUE(w.child<QListWidget>("lstLogType")->isVisible());
    EXPECT_EQ(w.child<QListWidget>("lstLogType")->currentItem()->text(), "Text File");
    EXPECT_EQ(w.setting("LogType"), "Text") << "loading saves nothing new";
    w.child<QListWidget>("lstLogType")->setCurrentRow(1);
    EXPECT_EQ(w.setting("LogType"), "XML");
    test::CloseAllWindows();
    w.load();
    EXPECT_EQ(w.child<QListWidget>("lstLogType")->currentItem()->text(), "XML File") << "kept for the next start";
    EXPECT_TRUE(w.window->buildOptions().logIsXml);
    w.click("chkNowPlaying");
    EXPECT_EQ(w.setting("NowPlayingScreen"), "False");
    EXPECT_FALSE(w.child<QLabel>("lblWait")->isEnabled());
    w.click("chkDownloadCoverArt");
    EXPECT_EQ(w.setting("DownloadCoverArt"), "True");
    w.click("chkExtraMediaTypes");
    EXPECT_EQ(w.setting("ExtraMediaTypes"), "flac; ogg; oga; opus; m4a");
    w.click("chkExtraMediaTypes");
    EXPECT_EQ(w.setting("ExtraMediaTypes"), "");
}

TEST(mainWindow, CoverArtBoxWithoutInternetExplainsAndStaysClear) {
    mainWindow w(false);
    w.load();
    w.click("chkDownloadCoverArt");
    EXPECT_FALSE(w.child<QCheckBox>("chkDownloadCoverArt")->isChecked());
    EXPECT_EQ(w.setting("DownloadCoverArt"), "False") << "nothing saved";
    EXPECT_EQ(w.messages(), QStringList{"It does not appear that you have an active connection to the internet.\n\n"
                                        "Therefore, automatic downloading of Album Cover Art will be disabled."});
    QWidget* shown = test::OpenWindow("frmErrorMessage");
    EXPECT_EQ(shown->windowModality(), Qt::ApplicationModal) << "the main window waits until the message is closed";
    EXPECT_EQ(QApplication::activeModalWidget(), shown);
}

TEST(mainWindow, ClearingTheOptionsBoxAsksFirst) {
    mainWindow w;
    w.load();
    auto* box = w.child<QCheckBox>("chkOptions");
    ASSERT_TRUE(box->isChecked());
    QString asked;
    QString focused;
    OnNextModal([&](QWidget* dialog) {
        asked = dialog->findChild<QLabel*>("lblMessage")->text();
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        test::PressEnter(dialog);
    });
    box->click();
    EXPECT_TRUE(asked.startsWith("Be very careful when de-selecting this option.  If you uncheck this box"));
    EXPECT_EQ(focused, "cmdNo") << "the question that removes the Options button starts on No";
    EXPECT_TRUE(box->isChecked()) << "Enter answered No";
    EXPECT_EQ(w.setting("ShowOptionsButton"), "True");

    OnNextModal([](QWidget* dialog) { dialog->findChild<QAbstractButton*>("cmdYes")->click(); });
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(w.setting("ShowOptionsButton"), "False");
}

TEST(mainWindow, SaveAndCloseOnAnEmptyLibraryExplainsAndStays) {
    mainWindow w;
    w.load();
    w.child<QListWidget>("lstFrames")->setCurrentRow(4);
    w.child<QLineEdit>("txtPassword")->setText("secret");
    w.window->cmdOK_Click();
    ASSERT_EQ(w.messages().size(), 1);
    EXPECT_TRUE(w.messages()[0].startsWith("There are no songs in your selected Music Library."));
    EXPECT_TRUE(w.child<QFrame>("fraPaths")->isVisible());
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.setting("Password"), "") << "nothing saved";
}

TEST(mainWindow, SaveAndCloseWritesEverySettingAndCloses) {
    mainWindow w;
    w.addSong();
    w.load();
    EXPECT_EQ(w.child<QAbstractButton>("cmdDatabase")->text(), "Update Music Library");
    ASSERT_TRUE(w.child<QAbstractButton>("cmdOK")->isEnabled());
    w.child<QLineEdit>("txtNowPlayingSeconds")->setText("soon");
    w.child<QLineEdit>("txtMusic")->setText("/srv/new music");
    w.child<QLineEdit>("txtPassword")->setText("abc123");
    w.click("cmdAlpha");
    w.child<QCheckBox>("chkPassword12")->setChecked(true);
    w.click("cmdOK");
    EXPECT_TRUE(w.window.isNull() || !w.window->isVisible());
    EXPECT_EQ(w.setting("NowPlayingSeconds"), "30");
    EXPECT_EQ(w.setting("MusicPath"), "/srv/new music");
    EXPECT_EQ(w.setting("Password"), "abc123");
    EXPECT_EQ(w.setting("ListByTrack"), "False");
    EXPECT_EQ(w.setting("Password12"), "True");
    EXPECT_EQ(w.setting("ImagesPath"), "") << "never written";
    EXPECT_EQ(w.setting("InitialUse"), "False");
}

TEST(mainWindow, SavingButtonsSayWhenTheSettingsCouldNotBeSaved) {
    mainWindow w;
    w.addSong();
    w.writePlayer("touch \"$(dirname \"$0\")/player-ran\"");
    w.load();
    ASSERT_TRUE(QFile::remove(w.file("OrvSettings.mdb")));
    ASSERT_TRUE(test::WriteFile(w.file("OrvSettings.mdb"), QByteArray(4096, '\x5a')));

    for (const char* saving : {"cmdOK", "cmdLaunch"}) {
        w.click(saving);
        EXPECT_TRUE(w.window->isVisible()) << saving;
        EXPECT_TRUE(w.messages().contains("Your settings could not be saved.")) << saving;
        EXPECT_TRUE(w.titles().contains("Settings Not Saved")) << saving;
        EXPECT_EQ(w.child<QLabel>("lblDownloadStatus")->text(), "Ready...") << saving;
        for (QWidget* open : QApplication::topLevelWidgets())
            if (open->objectName() == "frmErrorMessage") open->close();
    }
    EXPECT_FALSE(QFile::exists(w.file("player-ran"))) << "the player is not started over settings it cannot read";
}

TEST(mainWindow, SaveAndCloseOverAMissingLibraryTableSaysItHasNoSongs) {
    mainWindow w;
    w.addSong();
    w.load();
    w.sql("OrvLibraries81.mdb", "DROP TABLE MusicLibrary1");
    w.click("cmdOK");
    EXPECT_TRUE(w.window->isVisible());
    ASSERT_EQ(w.messages().size(), 1) << w.messages().join('|').toStdString();
    EXPECT_TRUE(w.messages()[0].startsWith("There are no songs in your selected Music Library."));
    EXPECT_EQ(w.child<QLabel>("lblDownloadStatus")->text(), "Ready...");
}

TEST(mainWindow, LaunchSavesThenStartsThePlayerOrSaysItIsMissing) {
    mainWindow w;
    w.addSong();
    w.load();
    w.child<QLineEdit>("txtPassword")->setText("first");
    w.click("cmdLaunch");
    EXPECT_EQ(w.setting("Password"), "first");
    ASSERT_EQ(w.messages().size(), 1);
    EXPECT_TRUE(w.messages()[0].startsWith("Orvella could not be started."));
    EXPECT_TRUE(w.window->isVisible());
    test::CloseAllWindows();

    // The player writes into a pipe that the test waits on: it has run once the pipe has a line.
    const QByteArray ran = QFile::encodeName(w.file("player-ran"));
    ASSERT_EQ(::mkfifo(ran.constData(), 0600), 0);
    const int pipe = ::open(ran.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(pipe, 0);
    w.writePlayer("echo ran >\"$(dirname \"$0\")/player-ran\"");
    w.load();
    w.click("cmdLaunch");
    EXPECT_TRUE(w.window.isNull() || !w.window->isVisible());
    pollfd waiting{pipe, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 30000), 1) << "the player did not run";
    char line[4] = {};
    EXPECT_EQ(::read(pipe, line, 3), 3);
    EXPECT_STREQ(line, "ran");
    ::close(pipe);
}

TEST(mainWindow, LibraryButtons) {
    mainWindow w;
    w.load();
    OnNextModal([](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->windowTitle(), "Create Music Library");
        EXPECT_EQ(unreadableTexts(input), QStringList{}) << "the window's look stays with the window";
        input->setTextValue("My Rock Songs");
        input->accept();
    });
    w.click("cmdNewLibrary");
    auto* box = w.child<QComboBox>("cboMusicLibrary");
    EXPECT_EQ(box->currentText(), "My_Rock_Songs");
    EXPECT_EQ(box->count(), 2);
    EXPECT_EQ(w.state.CurrentMusicLibrary, "My_Rock_Songs");

    QString focused;
    OnNextModal([&](QWidget* dialog) {
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        test::PressEnter(dialog);
    });
    w.click("cmdDeleteLibrary");
    EXPECT_EQ(focused, "cmdNo") << "Enter does not delete";
    EXPECT_EQ(box->count(), 2);
    OnNextModal([](QWidget* dialog) { dialog->findChild<QAbstractButton*>("cmdYes")->click(); });
    w.click("cmdDeleteLibrary");
    EXPECT_EQ(box->count(), 1);
    EXPECT_EQ(box->currentText(), "MusicLibrary1");

    test::CloseAllWindows();
    w.load();
    w.click("cmdDeleteLibrary");
    EXPECT_EQ(w.child<QComboBox>("cboMusicLibrary")->count(), 1);
    ASSERT_EQ(w.messages().size(), 1);
    EXPECT_TRUE(
        w.messages()[0].startsWith("You cannot delete the Music Library 'MusicLibrary1' because it is the only"));
}

TEST(mainWindow, LoadCarriesThePreviousVersionsLibrariesOverOnceAndCompactsTheDatabases) {
    mainWindow w;
    ASSERT_TRUE(
        createDatabaseFile(w.file("OrvLibraries8.mdb"),
                           {musicLibraryCreateStatement("Jazz"),
                            "INSERT INTO Jazz (Artist, SongYear, Filename) VALUES ('Miles', '1959', '/m/so.mp3')"}));
    w.sql("OrvLibraries81.mdb",
          "CREATE TABLE Gone AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
          "WHERE i < 500) SELECT printf('%.900c', 'x') FROM n; DROP TABLE Gone");
    QString asked;
    OnNextModal([&](QWidget* dialog) {
        asked = dialog->findChild<QLabel*>("lblTitle")->text();
        dialog->findChild<QAbstractButton*>("cmdYes")->click();
    });
    w.load();
    EXPECT_EQ(asked, "Previous Version Detected");
    auto* box = w.child<QComboBox>("cboMusicLibrary");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), "Jazz");
    EXPECT_EQ(w.column("OrvLibraries81.mdb", "SELECT Artist || ' ' || CDYear FROM Jazz"), QStringList{"Miles 1959"});
    for (const char* name : {"cmdDatabase", "cboMusicLibrary", "lstFrames", "cmdNewLibrary"})
        EXPECT_TRUE(w.child<QWidget>(name)->isEnabled()) << name;
    EXPECT_EQ(w.child<QAbstractButton>("cmdCancel")->text(), "Close");
    EXPECT_EQ(w.child<QLabel>("lblDownloadStatus")->text(), "Ready...");
    EXPECT_FALSE(QFile::exists(w.file("OrvLibraries8.mdb"))) << "retired, so the offer comes once";
    EXPECT_TRUE(QFile::exists(w.file("OrvLibraries8OLD.mdb")));
    EXPECT_EQ(w.column("OrvLibraries81.mdb", "PRAGMA freelist_count"), QStringList{"0"}) << "compacted as it loads";
}

TEST(mainWindow, BrowseOpensOnTheFolderAndTakesTheChoice) {
    mainWindow w;
    w.load();
    QDir().mkpath(w.file("Music/Rock"));
    // Folders are stored with a trailing separator.
    w.child<QLineEdit>("txtMusic")->setText(w.file("Music") + "/");
    QStringList selected;
    QString openedIn;
    bool canChoose = false;
    OnNextModal([&](QWidget* dialog) {
        auto* picker = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->windowTitle(), "Music Path");
        EXPECT_EQ(unreadableTexts(picker), QStringList{});
        selected = picker->selectedFiles();
        openedIn = picker->directory().absolutePath();
        canChoose = picker->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->isEnabled();
        picker->selectFile(w.file("Music/Rock"));
        QMetaObject::invokeMethod(picker, "accept");
    });
    w.click("cmdBrowse");
    EXPECT_EQ(selected, QStringList{w.file("Music")});
    EXPECT_EQ(openedIn, w.dir.path()) << "opened beside the folder, not inside it";
    EXPECT_TRUE(canChoose);
    EXPECT_EQ(w.child<QLineEdit>("txtMusic")->text(), w.file("Music/Rock"));

    OnNextModal([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    w.click("cmdBrowse");
    EXPECT_EQ(w.child<QLineEdit>("txtMusic")->text(), w.file("Music/Rock")) << "cancelled: unchanged";
}

TEST(mainWindow, SmallButtonsAndCoverModes) {
    mainWindow w;
    w.load();
    const QDateTime now = QDateTime::currentDateTime();
    rememberMiss(w.state, "musicbrainz", "Artist", "Album", "", now);
    w.click("cmdForgetCoverMisses");
    EXPECT_FALSE(rememberedMiss(w.state, "musicbrainz", "Artist", "Album", "", now));
    EXPECT_EQ(w.titles(), QStringList{"Album Covers"});
    test::CloseAllWindows();
    w.load();

    w.child<QLineEdit>("txtPassword")->setText("x");
    w.click("cmdClearPassword");
    EXPECT_EQ(w.child<QLineEdit>("txtPassword")->text(), "");

    w.window->setAlbumCoverModeOfTwo(1);
    EXPECT_EQ(w.setting("AlbumCoverMode"), "3");
    w.window->setAlbumCoverModeOfThree(0);
    EXPECT_EQ(w.setting("AlbumCoverMode"), "1");
    w.state.run.StartingUp = true;
    w.window->setAlbumCoverModeOfThree(2);
    EXPECT_EQ(w.setting("AlbumCoverMode"), "1") << "not saved while starting up";
    EXPECT_EQ(w.state.player.AlbumCoverMode, 0);
}

TEST(mainWindow, TheSkinPictureCoversTheWindowAtAnySizeAndWithoutOneTheSkinColourShows) {
    mainWindow w;
    ASSERT_TRUE(QFile::remove(w.file("Skins/Default/Background.jpg")));
    w.state.ActiveSkin = "Default";
    w.load();
    const QImage plain = w.background();
    EXPECT_EQ(plain.pixelColor(5, 5), QColor(64, 0, 128));
    EXPECT_EQ(plain.pixelColor(plain.width() - 5, plain.height() - 5), QColor(64, 0, 128));
    test::CloseAllWindows();

    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(Qt::cyan);
    for (int y = 0; y < 100; ++y)
        for (int x = 50; x < 100; ++x) picture.setPixelColor(x, y, Qt::magenta);
    ASSERT_TRUE(picture.save(w.file("Skins/Default/Background.bmp")));
    w.load();
    w.window->resize(1800, 1280);
    const QImage shown = w.background();
    ASSERT_EQ(shown.size(), QSize(1800, 1280));
    // Scaled, not repeated: the left half of the window shows the left of the picture.
    for (const int y : {20, 640, 1260}) {
        EXPECT_EQ(shown.pixelColor(800, y), QColor(Qt::cyan)) << y;
        EXPECT_EQ(shown.pixelColor(1000, y), QColor(Qt::magenta)) << y;
    }
}

TEST(mainWindow, BlankTagPanelExplainsThePattern) {
    mainWindow w;
    w.load();
    // What the pattern makes of a file of the music folder, as it is typed.
    QDir().mkpath(w.file("Music/Band"));
    test::WriteMp3(w.file("Music/Band/01 - Title.mp3"), {}, test::SilentFrames(3));
    const QByteArray untagged = test::FileBytes(w.file("Music/Band/01 - Title.mp3"));
    auto* music = w.child<QLineEdit>("txtMusic");
    music->setText(w.file("Music"));
    emit music->editingFinished();
    auto* preview = w.child<QLabel>("lblBlankTagPreview");
    auto* pattern = w.child<QLineEdit>("txtBlankTagFormat");
    const std::pair<QString, QString> shown[] = {
        {"%A - %T", "Band/01 - Title.mp3 gives   Artist: 01   Album: (none)   Title: Title   Track: (none)"},
        {"%B\\%K - %T", "Band/01 - Title.mp3 gives   Artist: (none)   Album: Band   Title: Title   Track: 01"},
        {"%A_%T", "Band/01 - Title.mp3 does not match this pattern: its blank tags stay blank."}};
    for (const auto& [typed, expected] : shown) {
        pattern->setText(typed);
        EXPECT_EQ(preview->text(), expected) << typed.toStdString();
    }
    EXPECT_EQ(test::FileBytes(w.file("Music/Band/01 - Title.mp3")), untagged) << "nothing written";
}

TEST(mainWindow, FitsAndWorksOnAnEightHundredBySixHundredScreen) {
    mainWindow w;
    w.load();
    // An 800 x 600 screen leaves about this much inside the window's frame and title bar.
    w.window->resize(784, 560);
    for (int panel = 0; panel < w.child<QListWidget>("lstFrames")->count(); ++panel) {
        w.child<QListWidget>("lstFrames")->setCurrentRow(panel);
        EXPECT_LE(w.window->minimumSizeHint().height(), 560) << panel;
        EXPECT_LE(w.window->minimumSizeHint().width(), 784) << panel;
    }
    for (const char* name : {"cmdHelp", "cmdWebsite", "cmdCancel", "cmdOK", "cmdLaunch"}) {
        auto* button = w.child<QWidget>(name);
        EXPECT_TRUE(w.window->rect().contains(QRect(button->mapTo(w.window, QPoint()), button->size()))) << name;
    }
}

TEST(mainWindow, TheBuildButtonRunsTheBuildAndOffersTheLog) {
    mainWindow w;
    w.load();
    test::WriteMusicFolder(w.file("Music"), 3);
    QFile::copy(QStringLiteral(ORVELLA_TAG_FIXTURES) + "/song.opus", w.file("Music/song.opus"));
    w.child<QLineEdit>("txtMusic")->setText(w.file("Music"));
    w.child<QCheckBox>("chkLogFile")->setChecked(true);
    w.click("chkExtraMediaTypes");
    const QSize size = w.window->size();
    w.click("cmdDatabase");
    ASSERT_TRUE(w.waitForRun());
    EXPECT_EQ(w.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1"), QStringList{"4"});
    EXPECT_EQ(w.window->size(), size) << "the build panel takes the options' place without growing the window";
    EXPECT_EQ(w.child<QAbstractButton>("cmdDatabase")->text(), "Update Music Library");
    EXPECT_EQ(w.child<QLabel>("lblDownloadStatus")->text(), "Music Library Build/Update Complete");
    EXPECT_FALSE(w.child<QWidget>("fraBuildProgress")->isVisible());
    EXPECT_TRUE(w.child<QWidget>("fraBuildOptions")->isVisible());
    EXPECT_TRUE(w.logLines().contains("TOTAL ADDED FILES: 4"));
    auto* list = w.child<QListWidget>("lstFrames");
    EXPECT_EQ(list->item(list->count() - 1)->text(), "Log File");
    w.window->activateWindow();
    w.click("cmdViewLogFile");
    EXPECT_TRUE(w.child<QFrame>("fraLogFile")->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), w.child<QWidget>("wbLogFile"));
    EXPECT_EQ(w.window->windowTitle(), "Orvella Configurator - Version 8.1.9");

    // After a restart the button shows the library's newest log.
    ASSERT_TRUE(test::WriteFile(w.file("MusicLibraryLog-MusicLibrary1-01012001-000000.txt"), {}));
    test::CloseAllWindows();
    w.load();
    w.click("cmdViewLogFile");
    EXPECT_TRUE(w.child<QFrame>("fraLogFile")->isVisible());
    EXPECT_TRUE(w.logLines().contains("TOTAL ADDED FILES: 4"));
}

// The log view shows each line without its line end, lets the list scroll as far as the longest line
// goes, and copies the selected lines.
TEST(logFileView, ShowsTheLinesScrollsToTheLongestAndCopiesTheSelection) {
    TestProgram p;
    const QString longLine = "    FILENAME: /m/" + QString(300, QChar(0x00e9)) + ".mp3";
    ASSERT_TRUE(test::WriteFile(p.file("log.txt"), ("Music Library Log File\r\n" + longLine + "\r\n\r\nend").toUtf8()));
    LogFileView view(nullptr);
    view.resize(200, 100);
    view.showFile(p.file("log.txt"));
    view.show();
    QCoreApplication::processEvents();
    const QAbstractItemModel* lines = view.model();
    ASSERT_EQ(lines->rowCount(), 4);
    EXPECT_EQ(lines->index(0, 0).data().toString(), "Music Library Log File");
    EXPECT_EQ(lines->index(1, 0).data().toString(), longLine);
    EXPECT_EQ(lines->index(2, 0).data().toString(), "");
    EXPECT_EQ(lines->index(3, 0).data().toString(), "end");
    EXPECT_GE(view.visualRect(lines->index(0, 0)).width(), view.fontMetrics().horizontalAdvance(longLine));
    EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);

    view.selectionModel()->select(lines->index(1, 0), QItemSelectionModel::Select);
    view.selectionModel()->select(lines->index(0, 0), QItemSelectionModel::Select);
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::sendEvent(&view, &copy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Music Library Log File\n" + longLine);

    view.showFile(p.file("none.txt"));
    EXPECT_EQ(lines->rowCount(), 0);
}

// The follower keeps the library up to date while the window is open, and gives way to a build.
TEST(mainWindow, TheFollowerKeepsTheLibraryUpToDateAndGivesWayToABuild) {
    mainWindow w;
    test::WriteMusicFolder(w.file("Music"), 2);
    SaveSetting(w.state, "MusicPath", w.file("Music") + "/");
    SaveSetting(w.state, "FollowMusicFolder", "True");
    w.load();
    ASSERT_TRUE(w.child<QCheckBox>("chkFollowMusicFolder")->isChecked());
    auto* status = w.child<QLabel>("lblDownloadStatus");
    const auto waitForStatus = [&](const QString& text) {
        test::WaitUntil([&] { return status->text().contains(text); });
        return status->text();
    };
    EXPECT_TRUE(QRegularExpression("^Music Library Updated At [0-9:]+ [AP]M: 2 Added, 0 Updated, 0 Removed$")
                    .match(waitForStatus(": 2 Added"))
                    .hasMatch())
        << status->text().toStdString();
    ASSERT_TRUE(QFile::copy(w.file("Music/Artist 0/Album 0/0.mp3"), w.file("Music/Copy.mp3")));
    EXPECT_TRUE(waitForStatus(": 1 Added").endsWith(": 1 Added, 0 Updated, 0 Removed"));
    w.click("cmdDatabase");
    ASSERT_TRUE(w.waitForRun());
    EXPECT_EQ(status->text(), "Music Library Build/Update Complete");
    EXPECT_EQ(w.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1"), QStringList{"3"});
    w.child<QCheckBox>("chkFollowMusicFolder")->setChecked(false);
    EXPECT_EQ(w.setting("FollowMusicFolder"), "False");
    EXPECT_TRUE(w.messages().isEmpty());
}

// Counts the times a widget is hidden while it was on screen.
struct HideCounter : QObject {
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) ++hides;
        return false;
    }
};

TEST(mainWindow, TheCoverStaysUpBetweenSongsThatHaveOneAndGoesWhenTheRunEnds) {
    mainWindow w;
    w.load();
    const QString album = w.file("Music/Blue");
    QDir().mkpath(album);
    for (int i = 0; i < 4; ++i)
        test::WriteMp3(album + QString("/%1.mp3").arg(i),
                       test::ID3v2Bytes().text("TIT2", QString("Song %1").arg(i)).text("TALB", "Blue").bytes(),
                       test::SilentFrames(3));
    QImage cover(8, 8, QImage::Format_RGB32);
    cover.fill(Qt::red);
    ASSERT_TRUE(cover.save(album + "/Blue.jpg"));
    auto* shown = w.child<QLabel>("imgBuildAlbumCover");
    HideCounter counter;
    shown->installEventFilter(&counter);
    w.child<QLineEdit>("txtMusic")->setText(w.file("Music"));
    w.click("cmdDatabase");
    ASSERT_TRUE(w.waitForRun());
    EXPECT_EQ(w.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1"), QStringList{"4"});
    // At most with the build panel, when the run ended: never between two songs.
    EXPECT_LE(counter.hides, 1);
    EXPECT_TRUE(shown->isHidden());
    EXPECT_EQ(shown->pixmap().size(), shown->size()) << "decoded at the size it is shown at";
}

TEST(mainWindow, CancelClickedTwiceDuringARunStopsItAndLeavesTheWindowOpen) {
    mainWindow w;
    w.load();
    w.focusBuildOver(40);
    w.click("cmdDatabase");
    EXPECT_FALSE(w.child<QWidget>("cmdDatabase")->isEnabled()) << "locked as the run starts";
    EXPECT_EQ(QApplication::focusWidget(), w.window.data()) << "the window keeps the focus: Enter presses nothing";
    // A double click, or an impatient user: the second click comes while the run ends.
    w.click("cmdCancel");
    auto* cancel = w.child<QWidget>("cmdCancel");
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            cancel, new QMouseEvent(type, QPointF(5, 5), cancel->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier));
    ASSERT_TRUE(w.waitForRun());
    QCoreApplication::sendPostedEvents();
    ASSERT_FALSE(w.window.isNull()) << "Cancel stops the run, it does not close the window";
    ASSERT_TRUE(w.window->isVisible());
    EXPECT_LT(w.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1").value(0).toInt(), 40);
    EXPECT_EQ(w.child<QLabel>("lblDownloadStatus")->text(), "Music Library Build/Update Cancelled");
    EXPECT_EQ(w.child<QAbstractButton>("cmdCancel")->text(), "Close");
    for (const char* name : {"cmdCancel", "cmdDatabase", "chkFollowMusicFolder", "cmdWebsite"})
        EXPECT_TRUE(w.child<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(w.child<QWidget>("fraBuildOptions")->isVisible());
    EXPECT_FALSE(w.state.run.BuildRunning);
}

TEST(mainWindow, TheButtonThatStartedARunHasTheFocusAgainAfterIt) {
    mainWindow w;
    w.load();
    QWidget* build = w.focusBuildOver(3);
    w.click("cmdDatabase");
    ASSERT_TRUE(w.waitForRun());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(w.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1"), QStringList{"3"});
    EXPECT_EQ(QApplication::focusWidget(), build) << "Enter would update the library again";
}

// A question from the run waits for the user, and nothing else of the program can be used meanwhile.
TEST(mainWindow, AQuestionFromTheRunIsModalAndItsAnswerGoesBack) {
    mainWindow w;
    w.addSong();
    w.load();
    QDir().mkpath(w.file("Empty"));
    w.child<QLineEdit>("txtMusic")->setText(w.file("Empty"));
    for (const char* answer : {"cmdNo", "cmdYes"}) {
        QString title;
        Qt::WindowModality modality = Qt::NonModal;
        OnNextModal([&](QWidget* question) {
            title = question->findChild<QLabel*>("lblTitle")->text();
            modality = question->windowModality();
            question->findChild<QAbstractButton*>(answer)->click();
        });
        w.click("cmdDatabase");
        ASSERT_TRUE(w.waitForRun());
        EXPECT_EQ(title, "Music Files Not Found");
        EXPECT_EQ(modality, Qt::ApplicationModal);
        EXPECT_EQ(w.column("OrvLibraries81.mdb", "SELECT Count(*) FROM MusicLibrary1"),
                  QStringList{answer == QString("cmdNo") ? "1" : "0"});
    }
}

TEST(mainWindow, PlaylistsButtonWritesThePlaylistsWithTheControlsLocked) {
    mainWindow w;
    w.addSong();
    w.load();
    auto* generate = w.child<QAbstractButton>("cmdArtistPlaylists");
    EXPECT_TRUE(generate->isEnabled());
    EXPECT_EQ(generate->text(), "Generate A Playlist For Every Artist");
    EXPECT_EQ(w.child<QCheckBox>("chkOverwritePlaylists")->text(), "Overwrite Existing Files?");
    auto* label = w.child<QLabel>("lblCreatingPlaylist");
    EXPECT_TRUE(label->isHidden());
    w.child<QListWidget>("lstFrames")->setCurrentRow(3);

    QStringList lockedDuringTheRun;
    w.click("cmdArtistPlaylists");
    for (const char* name : {"cmdDatabase", "cmdLaunch", "cmdOK", "cmdCancel", "lstFrames", "cmdArtistPlaylists",
                             "cmbPlaylistFormat", "chkOverwritePlaylists"})
        if (!w.child<QWidget>(name)->isEnabled()) lockedDuringTheRun << name;
    EXPECT_EQ(lockedDuringTheRun.size(), 8) << lockedDuringTheRun.join(' ').toStdString();
    ASSERT_TRUE(w.waitForRun());
    EXPECT_TRUE(QFile::exists(w.file("Playlists/A.b4s")));
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), "1 New Playlist Successfully Created");
    for (const char* name : {"cmdDatabase", "cmdLaunch", "cmdCancel", "cmdArtistPlaylists"})
        EXPECT_TRUE(w.child<QWidget>(name)->isEnabled()) << name;
    w.click("cmdArtistPlaylists");
    ASSERT_TRUE(w.waitForRun());
    EXPECT_EQ(label->text(), "0 New Playlists Successfully Created");

    // Closing the window meanwhile lets the playlists be finished first.
    w.child<QComboBox>("cmbPlaylistFormat")->setCurrentText("m3u");
    w.click("cmdArtistPlaylists");
    w.window->close();
    ASSERT_TRUE(w.waitForRun());
    EXPECT_TRUE(QFile::exists(w.file("Playlists/A.m3u")));
    EXPECT_FALSE(w.window && w.window->isVisible());
    EXPECT_FALSE(w.state.run.CloseRequested);
}

}  // namespace
}  // namespace orv
