#include "store/ProgramFolder.h"

#include "core/AtomicFile.h"
#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "store/DataAccess.h"
#include "store/Database.h"
#include "store/LibrarySchema.h"
#include "store/ProgramFiles.h"
#include "store/Settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orv {
namespace {

// The Settings rows of a fresh program folder, as (SettingName, SettingValue).
std::vector<QStringList> firstUseSettingRows() {
    const std::pair<const char*, const char*> rows[] = {
        {"InitialUse", "True"},
        {"UseSkins", "True"},
        {"ActiveSkin", "Default"},
        {"MusicPath", ""},
        {"ImagesPath", ""},
        {"CurrentMusicLibrary", "MusicLibrary1"},
        {"BlankTagFormat", "%A - %T"},
        {"UpdateBlankTags", "False"},
        {"ExtraMediaTypes", ""},
        {"DownloadCoverArt", "False"},
        {"CreateLog", "True"},
        {"LogType", "Text"},
        {"AutoLaunch", "False"},
        {"WatchFolders", "False"},
        {"FollowMusicFolder", "False"},
        {"AutoCheckNewVersion", "False"},
        {"UpdateSite", ""},
        {"Website", ""},
        {"NowPlayingScreen", "True"},
        {"NowPlayingSeconds", "30"},
        {"ShowOptionsButton", "True"},
        {"ListByTrack", "True"},
        {"Touchscreen", "False"},
        {"ShowAlbumCoverFrames", "True"},
        {"ShowToolTips", "True"},
        {"UseAllCaps", "False"},
        {"OneClickPlay", "False"},
        {"Prefetch", "True"},
        {"FullScreen", "True"},
        {"EraseHistory", "False"},
        {"MouseOverSound", "False"},
        {"MouseClickSound", "True"},
        {"AllowRepeats", "False"},
        {"AlbumCoverMode", "0"},
        {"AlbumCoverFileName", ""},
        {"AlbumCoverViewOnStartup", "False"},
        {"AutoRandomOnStartup", "False"},
        {"ExtractEmbeddedImages", "False"},
        {"Password", ""},
        {"ScreenElementMode", "0"},
        {"ShowQueue", "True"},
        {"SongsCount", "0"},
        {"FileDateLowTotal", "0"},
        {"FileDateHighTotal", "0"},
    };
    std::vector<QStringList> settings;
    for (const auto& [name, value] : rows) settings.push_back({QString::fromLatin1(name), QString::fromLatin1(value)});
    for (int i = 1; i <= 12; ++i) settings.push_back({QStringLiteral("Password%1").arg(i), QStringLiteral("False")});
    return settings;
}

// A table of a fresh program folder's databases: its definition, its columns, how many of them
// (from the first) make a row's key, and its rows.
struct FirstUseTable {
    QString name;
    QString columns;  // the definition's column list
    QStringList columnNames;
    qsizetype keyColumns;
    std::vector<QStringList> rows;
};

FirstUseTable firstUseSettingsTable() {
    return {QStringLiteral("Settings"),
            QStringLiteral("SettingName Text(255), SettingValue Text(255)"),
            {QStringLiteral("SettingName"), QStringLiteral("SettingValue")},
            1,
            firstUseSettingRows()};
}

FirstUseTable firstUseSkinsTable() {
    return {QStringLiteral("Skins"),
            QStringLiteral("SkinName Text(255), SettingName Text(255), SettingValue Text(255)"),
            {QStringLiteral("SkinName"), QStringLiteral("SettingName"), QStringLiteral("SettingValue")},
            2,
            {{kDefaultSkin, QStringLiteral("ScrollbarColor"), QStringLiteral("8388672")}}};
}

QString valueList(const QStringList& values) {
    QStringList texts;
    for (const QString& value : values) texts << sqlText(value);
    return texts.join(QStringLiteral(", "));
}

QStringList firstUseStatements(const FirstUseTable& table) {
    QStringList statements{QStringLiteral("CREATE TABLE ") + table.name + QStringLiteral(" (") + table.columns +
                           QStringLiteral(")")};
    for (const QStringList& row : table.rows)
        statements << QStringLiteral("INSERT INTO ") + table.name + QStringLiteral(" (") +
                          table.columnNames.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") + valueList(row) +
                          QStringLiteral(")");
    return statements;
}

// The table made when it is missing, and each row whose key it lacks added.
QStringList completionStatements(const FirstUseTable& table) {
    QStringList statements{QStringLiteral("CREATE TABLE IF NOT EXISTS ") + table.name + QStringLiteral(" (") +
                           table.columns + QStringLiteral(")")};
    for (const QStringList& row : table.rows) {
        QStringList key;
        for (qsizetype i = 0; i < table.keyColumns; ++i)
            key << table.columnNames[i] + QStringLiteral(" = ") + sqlText(row[i]);
        statements << QStringLiteral("INSERT INTO ") + table.name + QStringLiteral(" (") +
                          table.columnNames.join(QStringLiteral(", ")) + QStringLiteral(") SELECT ") + valueList(row) +
                          QStringLiteral(" WHERE NOT EXISTS (SELECT 1 FROM ") + table.name + QStringLiteral(" WHERE ") +
                          key.join(QStringLiteral(" AND ")) + QStringLiteral(")");
    }
    return statements;
}

QStringList firstUseSettings() {
    return firstUseStatements(firstUseSettingsTable());
}

QStringList firstUseSkins() {
    return firstUseStatements(firstUseSkinsTable());
}

QStringList firstUseLibraries() {
    return {musicLibraryCreateStatement(kFirstMusicLibrary)};
}

// Copies a file whole under the target's name, which no file holds yet.
void copyWhole(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw RuntimeError(ErrorNumber::PathFileAccess,
                           QStringLiteral("The file '%1' cannot be read (%2). It must be readable to every user of "
                                          "Orvella: ask the one who installed it to mend its permissions.")
                               .arg(source, in.errorString()));
    AtomicFile out(target);
    bool copied = out.open();
    while (copied && !in.atEnd()) copied = out.write(in.read(1 << 20));
    if (!copied || in.error() != QFileDevice::NoError || !out.commitWithoutReplacing())
        throw RuntimeError(
            ErrorNumber::PathFileAccess,
            QStringLiteral("Cannot copy '%1' to '%2'. %3")
                .arg(source, target, out.errorString().isEmpty() ? in.errorString() : out.errorString()));
}

// Copies each file under `root` that `folder` lacks to the same place in `folder`, except the files
// `skipped` names.
void copyMissingFiles(const QString& root, const QString& folder, const std::function<bool(const QFileInfo&)>& skipped,
                      QStringList& created) {
    QDirIterator files(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo source(files.next());
        if (skipped(source)) continue;
        const QString target = folder + source.filePath().mid(root.size());
        if (QFileInfo::exists(target)) continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        copyWhole(source.filePath(), target);
        created << target;
    }
}

// A program the folder holds (the Configurator's own, the player): it runs from where it is installed.
bool isProgram(const QFileInfo& file) {
    return (file.permissions() & (QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther)) != 0;
}

// The user may write the file or folder: the system says so, and so do its permission bits for the
// user (root included, who could write anyway).
bool permitsWriting(const QFileInfo& file) {
    if (!file.isWritable()) return false;
    const uint user = ::geteuid();
    if (file.ownerId() == user) return file.permissions().testFlag(QFile::WriteOwner);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    groups.resize(static_cast<std::size_t>(std::max(::getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    groups.push_back(::getegid());
    if (std::find(groups.begin(), groups.end(), file.groupId()) != groups.end())
        return file.permissions().testFlag(QFile::WriteGroup);
    return file.permissions().testFlag(QFile::WriteOther);
}

// Fills the per-user folder from the installed one: its data files, never its programs, and what a
// fresh folder holds besides.
void fillPerUserFolder(const QString& installed, const QString& folder) {
    QStringList copied;
    copyMissingFiles(
        installed, folder, [](const QFileInfo& file) { return file.isSymLink() || isProgram(file); }, copied);
    initializeProgramFolder(folder);
}

}  // namespace

QStringList unusableDatabases(const QString& folder) {
    QStringList unusable;
    for (const QString& name : {kMainDatabaseFile, kSettingsDatabaseFile, kLibrariesDatabaseFile}) {
        QFile database(folder + QDir::separator() + name);
        if (database.exists() && !database.open(QIODevice::ReadWrite))
            unusable << database.fileName() + QStringLiteral(" (") + database.errorString() + QStringLiteral(")");
    }
    return unusable;
}

QString perUserProgramFolder() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/orvella-configurator"));
}

QString programFolderToUse(const QString& installedFolder) {
    const QString installed = QDir::cleanPath(QDir(installedFolder).absolutePath());
    // A database the user cannot use is said so at start-up; it never moves the program elsewhere.
    if (permitsWriting(QFileInfo(installed))) return installed;
    const QString folder = perUserProgramFolder();
    if (QFileInfo(folder).isDir()) {
        fillPerUserFolder(installed, folder);
        return folder;
    }
    // Made whole beside its place and then put there, or not at all.
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()))
        throw RuntimeError(ErrorNumber::PathNotFound, QStringLiteral("Cannot make the folder '%1'.").arg(folder));
    QTemporaryDir made(folder + QStringLiteral(".XXXXXX"));
    if (!made.isValid())
        throw RuntimeError(ErrorNumber::PathNotFound, QStringLiteral("Cannot make the folder '%1'.").arg(folder));
    fillPerUserFolder(installed, made.path());
    if (::rename(QFile::encodeName(made.path()).constData(), QFile::encodeName(folder).constData()) != 0)
        throw RuntimeError(ErrorNumber::PathNotFound, QStringLiteral("Cannot make the folder '%1'.").arg(folder));
    made.setAutoRemove(false);
    return folder;
}

QStringList initializeProgramFolder(const QString& folder) {
    QStringList created;
    if (!QDir().mkpath(folder))
        throw RuntimeError(ErrorNumber::PathNotFound, QStringLiteral("Cannot make the folder '%1'.").arg(folder));

    const std::pair<QString, QStringList> databases[] = {
        {kMainDatabaseFile, firstUseSkins()},
        {kSettingsDatabaseFile, firstUseSettings()},
        {kLibrariesDatabaseFile, firstUseLibraries()},
    };
    for (const auto& [name, statements] : databases) {
        const QString path = folder + QDir::separator() + name;
        if (createDatabaseFile(path, statements)) created << path;
    }

    copyMissingFiles(
        QStringLiteral(":/programfolder"), folder, [](const QFileInfo&) { return false; }, created);

    const QString playlists = folder + QDir::separator() + QStringLiteral("Playlists");
    if (!QFileInfo::exists(playlists)) {
        if (!QDir().mkpath(playlists))
            throw RuntimeError(ErrorNumber::PathNotFound,
                               QStringLiteral("Cannot make the folder '%1'.").arg(playlists));
        created << playlists;
    }
    return created;
}

QStringList firstUseCompletion(const QString& databaseFile) {
    if (databaseFile == kSettingsDatabaseFile) return completionStatements(firstUseSettingsTable());
    if (databaseFile == kMainDatabaseFile) return completionStatements(firstUseSkinsTable());
    return {};
}

QString storedMusicPath(ProgramState& state) {
    const QString stored = GetSetting(state, QStringLiteral("MusicPath"));
    return stored.isEmpty() ? state.paths.DriveRoot : stored;
}

void readStartUpPaths(ProgramState& state) {
    const QString images = ProgramFile(state, QStringLiteral("Images"));
    if (booleanValue(GetSetting(state, QStringLiteral("InitialUse"))).value_or(false)) {
        state.MusicPath = state.paths.DriveRoot;
        state.ImagesPath = images;
        return;
    }
    state.MusicPath = storedMusicPath(state);
    state.ImagesPath = GetSetting(state, QStringLiteral("ImagesPath"));
    if (state.ImagesPath.isEmpty()) state.ImagesPath = images;
}

void renamePreviousLibraries(const ProgramState& state) {
    const std::pair<QString, QString> renames[] = {
        {kPreviousLibrariesFile8, QStringLiteral("OrvLibraries8OLD.mdb")},
        {kPreviousLibrariesFile, QStringLiteral("OrvLibrariesOLD.mdb")},
    };
    for (const auto& [from, to] : renames) {
        const QString source = ProgramFile(state, from);
        // QFile::rename never replaces an existing file: the older file then keeps its name.
        if (FileExists(source)) QFile::rename(source, ProgramFile(state, to));
    }
}

}  // namespace orv
