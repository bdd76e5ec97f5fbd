#pragma once

#include <QString>

namespace orv {

struct ProgramState;

// What a build run is asked to do, as the front end's controls (or the settings) hold it.
struct BuildOptions {
    QString musicPath;             // txtMusic
    QString library;               // the selected Music Library
    bool logEnabled = false;       // chkLogFile
    bool logIsXml = false;         // lstLogType reads "XML File"
    bool updateBlankTags = false;  // chkBlankTags
    QString blankTagFormat;        // txtBlankTagFormat
    bool downloadCoverArt = false;
    bool extractEmbeddedImages = false;
    bool autoLaunch = false;
};

// The options as the settings hold them, read as the main window fills its controls: the music
// folder (the drive root when empty, and on first use), "CurrentMusicLibrary" ("MusicLibrary1"
// when empty), a log when "CreateLog" is on (XML when "LogType" says so), "UpdateBlankTags", "BlankTagFormat",
// "DownloadCoverArt" as it stands, "ExtractEmbeddedImages" and "AutoLaunch".
BuildOptions buildOptionsFromSettings(ProgramState& state);

// The "LogType" settings of the two log forms, and whether a stored one asks for an XML log.
inline const QString kTextLogType = QStringLiteral("Text");
inline const QString kXmlLogType = QStringLiteral("XML");
inline bool isXmlLogType(const QString& logType) {
    return logType.trimmed().compare(kXmlLogType, Qt::CaseInsensitive) == 0;
}

}  // namespace orv
