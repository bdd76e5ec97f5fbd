#pragma once

#include <QString>
#include <QStringList>

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
    // The extensions of other formats that the build takes too ("ExtraMediaTypes"), in lower case.
    // Those with a reader of their own tags (tags/FormatTags.h) are read through it; WMA and WAV
    // files only when they have no side file.
    QStringList extraMediaTypes;
};

// What the check box "Also Take FLAC, Ogg, Opus And M4A Files" writes into "ExtraMediaTypes".
inline const QString kModernMediaTypes = QStringLiteral("flac; ogg; oga; opus; m4a");

// The extensions an "ExtraMediaTypes" text holds: separated by ";", each without blanks and without
// a "*." or "." before it, in lower case.
QStringList mediaTypesOf(const QString& text);

// The options as the settings hold them, read as the main window fills its controls: the music
// folder (the drive root when empty, and on first use), "CurrentMusicLibrary" ("MusicLibrary1"
// when empty), a log when "CreateLog" is on (XML when "LogType" says so), "UpdateBlankTags",
// "BlankTagFormat", "DownloadCoverArt" as it stands, "ExtractEmbeddedImages", "AutoLaunch" and
// "ExtraMediaTypes".
BuildOptions buildOptionsFromSettings(ProgramState& state);

// The "LogType" settings of the two log forms, and whether a stored one asks for an XML log.
inline const QString kTextLogType = QStringLiteral("Text");
inline const QString kXmlLogType = QStringLiteral("XML");
inline bool isXmlLogType(const QString& logType) {
    return logType.trimmed().compare(kXmlLogType, Qt::CaseInsensitive) == 0;
}

}  // namespace orv
