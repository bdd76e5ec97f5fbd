// The main window's controls and their layout.

#include "app/LogFileView.h"
#include "app/Look.h"
#include "app/frmStartUp.h"
#include "core/ProgramState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace orv {
namespace {

const QString kWindowStyle = QStringLiteral(
    "QLabel, QCheckBox { color: white; font: 9pt 'Liberation Sans'; background: transparent; }"
    "QCheckBox::indicator { width: 13px; height: 13px; border: 1px solid white; border-radius: 3px;"
    "  background: rgba(255, 255, 255, 40); }"
    "QCheckBox::indicator:checked { background: rgb(255, 212, 0); border-color: rgb(255, 212, 0); }"
    "QCheckBox:disabled, QLabel:disabled { color: rgb(170, 160, 190); }"
    "QLineEdit, QComboBox, QTextBrowser { background: rgba(255, 255, 255, 235); color: black;"
    "  border: 1px solid rgb(64, 0, 128); border-radius: 3px; padding: 2px 4px; font: 9pt 'Liberation Sans'; }"
    "QGroupBox { color: rgb(255, 212, 0); font: bold 9pt 'Liberation Sans'; border: 1px solid rgba(255, 255, 255, 90);"
    "  border-radius: 6px; margin-top: 10px; padding: 10px 8px 6px 8px; background: rgba(0, 0, 0, 70); }"
    "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; }"
    "QLabel[heading=\"true\"] { color: rgb(255, 212, 0); font: bold 13pt 'Liberation Sans'; }"
    "QLabel#lblBlankTagParameters { font: 9pt 'Liberation Mono'; }");

// A picture of an album cover at one of the player's cover sizes.
QPixmap coverIllustration(int size) {
    QPixmap picture(size, size);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(0, 0, size, size);
    shade.setColorAt(0, QColor(255, 80, 60));
    shade.setColorAt(1, QColor(90, 0, 140));
    painter.fillRect(picture.rect(), shade);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 2));
    painter.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.32, size * 0.32);
    painter.drawEllipse(QPointF(size / 2.0, size / 2.0), size * 0.06, size * 0.06);
    painter.setPen(QPen(QColor(0, 0, 0, 140), 2));
    painter.drawRect(picture.rect().adjusted(1, 1, -1, -1));
    return picture;
}

}  // namespace

QFrame* frmStartUp::panel(const char* name) {
    auto* frame = new QFrame(this);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->hide();
    return frame;
}

QCheckBox* frmStartUp::checkBox(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QPushButton* frmStartUp::button(QWidget* parent, const char* name, const QString& caption) {
    auto* pushButton = new QPushButton(caption, parent);
    pushButton->setObjectName(QLatin1String(name));
    pushButton->setAutoDefault(false);
    pushButton->setMinimumHeight(28);
    return pushButton;
}

QVBoxLayout* frmStartUp::headedLayout(QFrame* frame, const char* headingName, const QString& heading) {
    auto* layout = new QVBoxLayout(frame);
    QLabel* title = label(frame, headingName, heading);
    title->setProperty("heading", true);
    layout->addWidget(title);
    return layout;
}

QLabel* frmStartUp::label(QWidget* parent, const char* name, const QString& caption) {
    auto* text = new QLabel(caption, parent);
    text->setObjectName(QLatin1String(name));
    return text;
}

// Music Libraries
// The pattern by which blank tags are read from a file's path, and how to write one.
QFrame* frmStartUp::buildBlankTagsFrame(QWidget* parent) {
    frmBlankTags_ = new QFrame(parent);
    frmBlankTags_->setObjectName(QStringLiteral("frmBlankTags"));
    auto* blankTags = new QGridLayout(frmBlankTags_);
    blankTags->setContentsMargins(22, 0, 0, 0);
    blankTags->setVerticalSpacing(2);
    blankTags->addWidget(label(frmBlankTags_, "lblBlankTagFormat", QStringLiteral("Format:")), 0, 0);
    txtBlankTagFormat_ = new QLineEdit(frmBlankTags_);
    txtBlankTagFormat_->setObjectName(QStringLiteral("txtBlankTagFormat"));
    blankTags->addWidget(txtBlankTagFormat_, 0, 1);
    // What the pattern makes of one file of the music folder, as it is typed.
    lblBlankTagPreview_ = label(frmBlankTags_, "lblBlankTagPreview", QString());
    lblBlankTagPreview_->setTextFormat(Qt::PlainText);
    lblBlankTagPreview_->setWordWrap(true);
    lblBlankTagPreview_->setStyleSheet(QStringLiteral("color: rgb(255, 212, 0);"));
    blankTags->addWidget(lblBlankTagPreview_, 1, 1);
    const std::pair<const char*, QString> help[] = {
        {"lblBlankTagParametersHeading", QStringLiteral("Use Any Of The  Following Parameters:")},
        {"lblBlankTagParameters",
         QStringLiteral("%A - Artist         %B - Album  %T - Title            %K - Track #   \\  -   Folder   ")},
        {"lblBlankTagAdvice", QStringLiteral("For Best Results, Do Not Use Any Single Parameter More Than Once")},
        {"lblBlankTagExample",
         QStringLiteral("Example:  %A\\%B\\%K - %T  for a file stored as  Artist\\Album\\01 - Title.mp3")},
    };
    int row = 2;
    for (const auto& [name, text] : help) {
        QLabel* line = label(frmBlankTags_, name, text);
        line->setTextFormat(Qt::PlainText);
        line->setWordWrap(true);
        blankTags->addWidget(line, row++, 1);
    }
    // The parameters wrap into two lines: artist, album and title, then track and folder.
    QLabel* parameters = frmBlankTags_->findChild<QLabel*>(QStringLiteral("lblBlankTagParameters"));
    parameters->setFont(QFont(QStringLiteral("Liberation Mono"), 9));
    parameters->setFixedWidth(parameters->fontMetrics().horizontalAdvance(QString(44, QLatin1Char('M'))));
    return frmBlankTags_;
}

// The options a build run takes.
QGroupBox* frmStartUp::buildBuildOptions(QWidget* parent) {
    auto* fraBuildOptions = new QGroupBox(QStringLiteral("Build Options"), parent);
    fraBuildOptions->setObjectName(QStringLiteral("fraBuildOptions"));
    auto* options = new QGridLayout(fraBuildOptions);
    chkBlankTags_ = checkBox(fraBuildOptions, "chkBlankTags",
                             QStringLiteral("Attempt To Update Blank ID3 Tags From Filenames And/Or Folders?"));
    options->addWidget(chkBlankTags_, 0, 0, 1, 2);
    options->addWidget(buildBlankTagsFrame(fraBuildOptions), 1, 0, 1, 2);
    chkExtraMediaTypes_ =
        checkBox(fraBuildOptions, "chkExtraMediaTypes", QStringLiteral("Also Take FLAC, Ogg, Opus And M4A Files"));
    options->addWidget(chkExtraMediaTypes_, 2, 0, 1, 2);
    chkDownloadCoverArt_ =
        checkBox(fraBuildOptions, "chkDownloadCoverArt", QStringLiteral("Download Album Cover Art From The Internet?"));
    auto* covers = new QHBoxLayout;
    covers->addWidget(chkDownloadCoverArt_);
    cmdForgetCoverMisses_ = button(fraBuildOptions, "cmdForgetCoverMisses", QString());
    cmdForgetCoverMisses_->setToolTip(
        QStringLiteral("Albums whose cover was searched online in vain are not searched again for a while: "
                       "this lets the next build search them again."));
    covers->addWidget(cmdForgetCoverMisses_);
    covers->addStretch(1);
    options->addLayout(covers, 3, 0, 1, 2);
    chkLogFile_ = checkBox(fraBuildOptions, "chkLogFile", QStringLiteral("Create A Log File?"));
    options->addWidget(chkLogFile_, 4, 0);
    lstLogType_ = new QListWidget(fraBuildOptions);
    lstLogType_->setObjectName(QStringLiteral("lstLogType"));
    lstLogType_->addItems({QStringLiteral("Text File"), QStringLiteral("XML File")});
    lstLogType_->setFixedHeight(44);
    lstLogType_->setMaximumWidth(120);
    options->addWidget(lstLogType_, 4, 1, Qt::AlignLeft);
    chkAutoLaunch_ = checkBox(fraBuildOptions, "chkAutoLaunch",
                              QStringLiteral("Start Orvella Automatically When The Build Is Finished?"));
    options->addWidget(chkAutoLaunch_, 5, 0, 1, 2);
    cmdViewLogFile_ = button(fraBuildOptions, "cmdViewLogFile", QString());
    options->addWidget(cmdViewLogFile_, 6, 0, Qt::AlignLeft);
    return fraBuildOptions;
}

// What a build run shows in place of the build options: the file it works on, the song details,
// and the counts.
QGroupBox* frmStartUp::buildProgressFrame(QWidget* parent) {
    auto* fraBuildProgress = new QGroupBox(QStringLiteral("Building Music Library"), parent);
    fraBuildProgress->setObjectName(QStringLiteral("fraBuildProgress"));
    auto* progress = new QGridLayout(fraBuildProgress);
    const std::pair<const char*, const char*> rows[] = {{"lblBuildFile", "lblCurrentFile"},
                                                        {"lblArtist", "lblBuildArtist"},
                                                        {"lblTitle", "lblBuildTitle"},
                                                        {"lblAlbum", "lblBuildAlbum"}};
    const QString captions[] = {QStringLiteral("File:"), QStringLiteral("Artist:"), QStringLiteral("Title:"),
                                QStringLiteral("Album:")};
    for (int row = 0; row < 4; ++row) {
        QLabel* caption = label(fraBuildProgress, rows[row].first, captions[row]);
        progress->addWidget(caption, row, 0);
        QLabel* value = label(fraBuildProgress, rows[row].second, QString());
        // Long paths and names are cut at the frame's edge instead of widening the window.
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        progress->addWidget(value, row, 1);
        if (row > 0) {
            caption->hide();
            value->hide();
        }
    }
    progress->setColumnStretch(1, 1);
    auto* imgBuildAlbumCover = label(fraBuildProgress, "imgBuildAlbumCover", QString());
    imgBuildAlbumCover->setFixedSize(72, 72);
    imgBuildAlbumCover->setScaledContents(true);
    imgBuildAlbumCover->hide();
    progress->addWidget(imgBuildAlbumCover, 0, 2, 4, 1);
    progress->addWidget(label(fraBuildProgress, "lblBuildCount", QString()), 4, 0, 1, 3);
    auto* lblAutoLaunch = label(fraBuildProgress, "lblAutoLaunch", QString());
    lblAutoLaunch->hide();
    progress->addWidget(lblAutoLaunch, 5, 0, 1, 3);
    fraBuildProgress->hide();
    return fraBuildProgress;
}

QFrame* frmStartUp::buildPathsPanel() {
    QFrame* fraPaths = panel("fraPaths");
    auto* layout = headedLayout(fraPaths, "lblPathsHeading", QStringLiteral("Music Libraries"));

    auto* folder = new QGridLayout;
    folder->addWidget(label(fraPaths, "lblMusic", QStringLiteral("Music Folder:")), 0, 0);
    txtMusic_ = new QLineEdit(fraPaths);
    txtMusic_->setObjectName(QStringLiteral("txtMusic"));
    folder->addWidget(txtMusic_, 0, 1);
    cmdBrowse_ = button(fraPaths, "cmdBrowse", QStringLiteral("..."));
    cmdBrowse_->setFixedWidth(44);
    folder->addWidget(cmdBrowse_, 0, 2);
    chkWatchFolder_ = checkBox(fraPaths, "chkWatchFolder",
                               QStringLiteral("Watch The Music Folder For Changes When The Configurator Starts?"));
    folder->addWidget(chkWatchFolder_, 1, 1, 1, 2);
    chkFollowMusicFolder_ =
        checkBox(fraPaths, "chkFollowMusicFolder",
                 QStringLiteral("Keep The Music Library Up To Date While Orvella Configurator Runs"));
    folder->addWidget(chkFollowMusicFolder_, 2, 1, 1, 2);
    folder->addWidget(label(fraPaths, "lblLibrary", QStringLiteral("Music Library:")), 3, 0);
    cboMusicLibrary_ = new QComboBox(fraPaths);
    cboMusicLibrary_->setObjectName(QStringLiteral("cboMusicLibrary"));
    folder->addWidget(cboMusicLibrary_, 3, 1, 1, 2);
    lblSongCount_ = label(fraPaths, "lblSongCount", QString());
    folder->addWidget(lblSongCount_, 4, 1, 1, 2);
    layout->addLayout(folder);

    auto* fraBuild = new QGroupBox(QStringLiteral("Music Library"), fraPaths);
    fraBuild->setObjectName(QStringLiteral("fraBuild"));
    auto* build = new QGridLayout(fraBuild);
    cmdDatabase_ = button(fraBuild, "cmdDatabase", QString());
    cmdClear_ = button(fraBuild, "cmdClear", QString());
    cmdNewLibrary_ = button(fraBuild, "cmdNewLibrary", QString());
    cmdDeleteLibrary_ = button(fraBuild, "cmdDeleteLibrary", QString());
    build->addWidget(cmdDatabase_, 0, 0);
    build->addWidget(cmdClear_, 0, 1);
    build->addWidget(cmdNewLibrary_, 1, 0);
    build->addWidget(cmdDeleteLibrary_, 1, 1);
    layout->addWidget(fraBuild);

    layout->addWidget(buildBuildOptions(fraPaths));
    layout->addWidget(buildProgressFrame(fraPaths));
    layout->addStretch(1);
    return fraPaths;
}

// Album Covers
QFrame* frmStartUp::buildAlbumCoversPanel() {
    QFrame* fraAlbumCovers = panel("fraAlbumCovers");
    auto* layout = headedLayout(fraAlbumCovers, "lblAlbumCoversHeading", QStringLiteral("Album Covers"));
    QLabel* explanation =
        label(fraAlbumCovers, "lblAlbumCoverExplanation",
              QStringLiteral("Orvella will always look for CD/Album Cover Art using the following progression:\n\n"
                             "1.  A .jpg file in the same folder as the media file named after the CD/Album for the "
                             "song (i.e. Abbey Road.jpg)\n"
                             "2.  A .jpg file in the same folder as the media file named after the text box "
                             "specified above (i.e. Cover.jpg)\n"
                             "3.  An embedded image in the MP3 file's ID3 tag"));
    explanation->setWordWrap(true);

    auto* name = new QHBoxLayout;
    name->addWidget(label(fraAlbumCovers, "lblAlbumCoverMode3", QStringLiteral("Covers Are All Named ' ")));
    txtCoverName_ = new QLineEdit(fraAlbumCovers);
    txtCoverName_->setObjectName(QStringLiteral("txtCoverName"));
    txtCoverName_->setMaximumWidth(200);
    name->addWidget(txtCoverName_);
    name->addWidget(label(fraAlbumCovers, "lblAlbumCoverMode3a", QStringLiteral(".jpg'")));
    name->addStretch(1);
    layout->addLayout(name);
    layout->addWidget(explanation);

    auto* covers = new QHBoxLayout;
    for (const auto& [objectName, size] : {std::pair{"wbAlbumCoverLarge", 150}, std::pair{"wbAlbumCoverMedium", 110},
                                           std::pair{"wbAlbumCoverSmall", 70}}) {
        QLabel* cover = label(fraAlbumCovers, objectName, QString());
        cover->setPixmap(coverIllustration(size));
        covers->addWidget(cover, 0, Qt::AlignBottom);
    }
    covers->addStretch(1);
    layout->addLayout(covers);
    chkExtractEmbeddedArt_ = checkBox(
        fraAlbumCovers, "chkExtractEmbeddedArt",
        QStringLiteral("Extract Cover Images From MP3 Files During A Build And Save Them In The Song's Folder?"));
    layout->addWidget(chkExtractEmbeddedArt_);
    layout->addStretch(1);
    return fraAlbumCovers;
}

// Options
QFrame* frmStartUp::buildOptionsPanel() {
    QFrame* fraOptions = panel("fraOptions");
    auto* layout = headedLayout(fraOptions, "lblOptionsHeading", QStringLiteral("Options"));
    auto* boxes = new QGridLayout;
    const std::pair<QCheckBox**, std::pair<const char*, const char*>> options[] = {
        {&chkTouchscreen_, {"chkTouchscreen", "Touchscreen Mode?"}},
        {&chkAlbumCoverFrames_, {"chkAlbumCoverFrames", "Show Album Cover Frames?"}},
        {&chkShowToolTips_, {"chkShowToolTips", "Show Song Tool Tips?"}},
        {&chkAllCaps_, {"chkAllCaps", "Use ALL CAPS?"}},
        {&chkOneClickPlay_, {"chkOneClickPlay", "Single Click Play?"}},
        {&chkEraseHistory_, {"chkEraseHistory", "Erase History On Each Startup?"}},
        {&chkMouseOverSound_, {"chkMouseOverSound", "Mouse Over Sound?"}},
        {&chkMouseClickSound_, {"chkMouseClickSound", "Mouse Click Sound?"}},
        {&chkAllowRepeats_, {"chkAllowRepeats", "Allow Songs To Appear In The Queue Multiple Times?"}},
        {&chkAlbumCoverOnStartup_, {"chkAlbumCoverOnStartup", "Default To Album Cover View On Startup?"}},
        {&chkAutoRandomOnStartup_,
         {"chkAutoRandomOnStartup", "Automatically Put Orvella Into Random Mode At Startup?"}},
        {&chkOptions_, {"chkOptions", "Show Options Button On Next Startup?"}},
    };
    int row = 0;
    for (const auto& [member, names] : options) {
        *member = checkBox(fraOptions, names.first, QString::fromLatin1(names.second));
        boxes->addWidget(*member, row / 2, row % 2);
        ++row;
    }
    layout->addLayout(boxes);

    auto* nowPlaying = new QHBoxLayout;
    chkNowPlaying_ = checkBox(fraOptions, "chkNowPlaying", QStringLiteral("Automatically Display Now Playing Screen?"));
    nowPlaying->addWidget(chkNowPlaying_);
    lblWait_ = label(fraOptions, "lblWait", QStringLiteral("Wait"));
    nowPlaying->addWidget(lblWait_);
    txtNowPlayingSeconds_ = new QLineEdit(fraOptions);
    txtNowPlayingSeconds_->setObjectName(QStringLiteral("txtNowPlayingSeconds"));
    txtNowPlayingSeconds_->setMaximumWidth(50);
    nowPlaying->addWidget(txtNowPlayingSeconds_);
    lblSeconds_ = label(fraOptions, "lblSeconds", QStringLiteral("Seconds"));
    nowPlaying->addWidget(lblSeconds_);
    nowPlaying->addStretch(1);
    layout->addLayout(nowPlaying);

    auto* order = new QHBoxLayout;
    order->addWidget(label(fraOptions, "lblListOrder", QStringLiteral("List Songs:")));
    cmdByTrack_ = button(fraOptions, "cmdByTrack", QString());
    cmdAlpha_ = button(fraOptions, "cmdAlpha", QString());
    order->addWidget(cmdByTrack_);
    order->addWidget(cmdAlpha_);
    order->addStretch(1);
    layout->addLayout(order);

    auto* versions = new QHBoxLayout;
    chkAutoCheckNewVersion_ = checkBox(fraOptions, "chkAutoCheckNewVersion",
                                       QStringLiteral("Check For A New Version When The Configurator Starts?"));
    versions->addWidget(chkAutoCheckNewVersion_);
    cmdNewVersion_ = button(fraOptions, "cmdNewVersion", QString());
    versions->addWidget(cmdNewVersion_);
    versions->addStretch(1);
    layout->addLayout(versions);
    layout->addStretch(1);
    return fraOptions;
}

// Playlists
QFrame* frmStartUp::buildPlaylistsPanel() {
    QFrame* fraPlaylists = panel("fraPlaylists");
    auto* layout = headedLayout(fraPlaylists, "lblPlaylistsHeading", QStringLiteral("Playlists"));
    auto* row = new QHBoxLayout;
    row->addWidget(label(fraPlaylists, "lblPlaylistFormat", QStringLiteral("Playlist Format:")));
    cmbPlaylistFormat_ = new QComboBox(fraPlaylists);
    cmbPlaylistFormat_->setObjectName(QStringLiteral("cmbPlaylistFormat"));
    cmbPlaylistFormat_->addItems({QStringLiteral("b4s"), QStringLiteral("m3u")});
    row->addWidget(cmbPlaylistFormat_);
    row->addStretch(1);
    layout->addLayout(row);
    chkOverwritePlaylists_ =
        checkBox(fraPlaylists, "chkOverwritePlaylists", QStringLiteral("Overwrite Existing Files?"));
    layout->addWidget(chkOverwritePlaylists_);
    cmdArtistPlaylists_ = button(fraPlaylists, "cmdArtistPlaylists", QString());
    layout->addWidget(cmdArtistPlaylists_, 0, Qt::AlignLeft);
    lblCreatingPlaylist_ = label(fraPlaylists, "lblCreatingPlaylist", QString());
    lblCreatingPlaylist_->setWordWrap(true);
    lblCreatingPlaylist_->hide();
    layout->addWidget(lblCreatingPlaylist_);
    layout->addStretch(1);
    return fraPlaylists;
}

// Password
QFrame* frmStartUp::buildPasswordPanel() {
    QFrame* fraPassword = panel("fraPassword");
    auto* layout = headedLayout(fraPassword, "lblPasswordHeading", QStringLiteral("Password"));
    auto* row = new QHBoxLayout;
    row->addWidget(label(fraPassword, "lblPassword", QStringLiteral("Password:")));
    txtPassword_ = new QLineEdit(fraPassword);
    txtPassword_->setObjectName(QStringLiteral("txtPassword"));
    txtPassword_->setMaximumWidth(220);
    row->addWidget(txtPassword_);
    cmdClearPassword_ = button(fraPassword, "cmdClearPassword", QString());
    row->addWidget(cmdClearPassword_);
    row->addStretch(1);
    layout->addLayout(row);

    auto* fraPasswordElements = new QGroupBox(QStringLiteral("Protect These Parts Of Orvella"), fraPassword);
    fraPasswordElements->setObjectName(QStringLiteral("fraPasswordElements"));
    auto* elements = new QGridLayout(fraPasswordElements);
    const QStringList captions{QStringLiteral("Queue Screen"),      QStringLiteral("Equalizer"),
                               QStringLiteral("History Screen"),    QStringLiteral("Options Screen"),
                               QStringLiteral("Mute Button"),       QStringLiteral("Restart Song Button"),
                               QStringLiteral("Pause/Play Button"), QStringLiteral("Next Song Button"),
                               QStringLiteral("Minimize Button"),   QStringLiteral("Power Off Button")};
    for (int i = 0; i < 12; ++i) {
        const QByteArray name = "chkPassword" + QByteArray::number(i + 1);
        chkPassword_[static_cast<std::size_t>(i)] = checkBox(fraPasswordElements, name.constData(), captions.value(i));
        // The last two flags protect no labelled element: they are kept as read.
        if (i >= captions.size()) chkPassword_[static_cast<std::size_t>(i)]->hide();
        elements->addWidget(chkPassword_[static_cast<std::size_t>(i)], i % 5, i / 5);
    }
    layout->addWidget(fraPasswordElements);
    QLabel* help = label(
        fraPassword, "lblPasswordHelp",
        QStringLiteral("To change your Password, simply type a new password (letters and numbers only, please) in "
                       "the text box above and be sure to click one of the two 'Save' buttons below.  To erase "
                       "your current Password and disable all Password protection, just click the 'Clear "
                       "Password' button above, and again, be sure to click one of the two 'Save' buttons below."));
    help->setWordWrap(true);
    layout->addWidget(help);
    layout->addStretch(1);
    return fraPassword;
}

// Log File
QFrame* frmStartUp::buildLogFilePanel() {
    QFrame* fraLogFile = panel("fraLogFile");
    auto* layout = new QVBoxLayout(fraLogFile);
    wbLogFile_ = new LogFileView(fraLogFile);
    wbLogFile_->setObjectName(QStringLiteral("wbLogFile"));
    layout->addWidget(wbLogFile_);
    return fraLogFile;
}

void frmStartUp::buildPanels() {
    // The panels scroll inside the window, so that it fits small screens (a touch-screen jukebox at
    // 800 x 600); the list and the window-wide buttons stay in view.
    auto* panels = new QScrollArea(this);
    panels->setObjectName(QStringLiteral("panelArea"));
    panels->setWidgetResizable(true);
    panels->setFrameShape(QFrame::NoFrame);
    panels->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The keys go to the panel list and the controls; the area follows the focus.
    panels->setFocusPolicy(Qt::NoFocus);
    panels->setStyleSheet(
        QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget#panelContents { background: "
                       "transparent; }"));
    auto* contents = new QWidget(panels);
    contents->setObjectName(QStringLiteral("panelContents"));
    panels->setWidget(contents);
    auto* area = new QVBoxLayout(contents);
    area->setContentsMargins(0, 0, 4, 0);

    area->addWidget(buildPathsPanel());

    area->addWidget(buildAlbumCoversPanel());

    area->addWidget(buildOptionsPanel());

    area->addWidget(buildPlaylistsPanel());

    area->addWidget(buildPasswordPanel());

    area->addWidget(buildLogFilePanel());

    lstFrames_ = new QListWidget(this);
    lstFrames_->setObjectName(QStringLiteral("lstFrames"));
    lstFrames_->addItems(panelNames());
    lstFrames_->setFixedWidth(150);
    lstFrames_->setStyleSheet(
        QStringLiteral("QListWidget { font: bold 10pt 'Liberation Sans'; padding: 6px; color: white;"
                       "  background: rgba(0, 0, 0, 110); border: 1px solid rgba(255, 255, 255, 90);"
                       "  border-radius: 6px; }"
                       "QListWidget::item { padding: 8px 4px; border-radius: 4px; }"));

    lblDownloadStatus_ = label(this, "lblDownloadStatus", QStringLiteral("Ready..."));
    cmdHelp_ = button(this, "cmdHelp", QString());
    cmdWebsite_ = button(this, "cmdWebsite", QString());
    cmdCancel_ = button(this, "cmdCancel", QString());
    cmdOK_ = button(this, "cmdOK", QString());
    cmdLaunch_ = button(this, "cmdLaunch", QString());

    auto* top = new QHBoxLayout;
    top->addWidget(lstFrames_);
    top->addWidget(panels, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDownloadStatus_, 1);
    for (QPushButton* windowButton : {cmdHelp_, cmdWebsite_, cmdCancel_, cmdOK_, cmdLaunch_}) {
        windowButton->setMinimumWidth(96);
        bottom->addWidget(windowButton);
    }
    // The window's look belongs to its own controls: the standard dialogs it opens keep theirs.
    auto* controls = new QWidget(this);
    controls->setObjectName(QStringLiteral("windowControls"));
    controls->setStyleSheet(kWindowStyle);
    auto* layout = new QVBoxLayout(controls);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->addWidget(controls);
    resize(900, 640);
}

void frmStartUp::fitScreen() {
    const QScreen* shown = screen();
    if (!shown) return;
    // The window's frame and title bar take their share of the screen too.
    const QSize room = shown->availableGeometry().size() - QSize(16, 40);
    resize(std::min(width(), room.width()), std::min(height(), room.height()));
}

}  // namespace orv
