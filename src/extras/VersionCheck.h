#pragma once

#include "core/Network.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace orv {

struct ProgramState;

inline const QString kVersionFilePath = QStringLiteral("/CurrentVersion.xml");
inline const QString kSetupFilePath = QStringLiteral("/OrvellaSetup.zip");
// The setup file is saved under this name, whatever the address of the update site holds.
inline const QString kSetupFileName = QStringLiteral("OrvellaSetup.zip");

// The two addresses on the update site, the base address of the setting "UpdateSite" (for example
// "http://updates.example.org"); nothing when the setting is empty.
struct UpdateSite {
    QUrl versionFile;
    QUrl setupFile;
};
std::optional<UpdateSite> updateSite(ProgramState& state);

// What the version file tells.
struct NewVersionInfo {
    QString CurrentVersion;
    QString ReleaseDate;
    QString NewFeatures;
};

// The version file's CurrentVersion, ReleaseDate and NewFeatures (a missing one is empty); nothing
// when the text is not XML, holds no text at all, or its root element has an ErrorMsg child.
std::optional<NewVersionInfo> parseVersionFile(const QByteArray& text);

// Compares two versions as numbers, part by part ("8.1.10" is newer than "8.1.9", "9.0" newer than
// "8.1.9"); a missing part counts as 0 and a part's leading digits are its number. Below 0 when `a`
// is older, 0 when the same, above 0 when newer.
int compareVersions(const QString& a, const QString& b);

// The question that offers a new version for download.
QString newVersionQuestion(const NewVersionInfo& info);
// The question after a completed download: quit now to install?
QString downloadFinishedQuestion(const QString& newest, const QString& folder);

// What the window or the command line shows while the check runs.
class VersionCheckDisplay {
public:
    virtual ~VersionCheckDisplay() = default;
    // The status line (lblInitializing).
    virtual void showStatus(const QString& text) = 0;
    // The folder to download into, offered at `initialFolder`; empty when the user cancelled.
    virtual QString pickFolder(const QString& prompt, const QString& initialFolder) = 0;
    // The download begins: the progress area is shown.
    virtual void downloadStarted() = 0;
    // The bar's value, 0 to 100; -1 when the size is unknown and the bar only shows activity.
    // `received` counts the bytes so far.
    virtual void showProgress(int value, qint64 received) = 0;
    // The download ended, either way: the progress area goes.
    virtual void downloadEnded() = 0;
    // Polled during a download: true stops it.
    virtual bool downloadCancelled() { return false; }
    // The check could not be made: no update site, no answer, or an answer that holds no version;
    // `reason` says which. The window says what it says when nothing is new (and during start-up
    // nothing); the command line names the reason instead.
    virtual void checkFailed(ProgramState& state, const QString& reason);
};

enum class VersionCheckOutcome {
    NoUpdate,        // the site names no newer version
    CheckFailed,     // the site could not be asked, or its answer held no version
    Declined,        // the user did not want the new version
    NoFolder,        // the user picked no folder
    DownloadFailed,  // reported; no setup file was left
    Downloaded,      // the setup file is there; the user goes on working
    QuitToInstall,   // the setup file is there; the user wants to quit and install it
};

// Asks the update site for a newer version and, when the user wants it, downloads its setup file
// into a folder the user picks. During start-up (StartingUp) "no update" says nothing.
VersionCheckOutcome CheckForNewVersion(ProgramState& state, VersionCheckDisplay& display,
                                       const HttpOptions& options = {});

}  // namespace orv
