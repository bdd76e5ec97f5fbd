#include "cli/CommandLine.h"

#include "cli/Commands.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/JetImport.h"
#include "store/ProgramFiles.h"
#include "store/ProgramFolder.h"
#include "store/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <map>
#include <optional>

namespace orv {
namespace {

const QString kModule = QStringLiteral("modCommandLine");
const QString kTitle = QStringLiteral("Orvella Configurator");
// The longest setting name `settings set` stores.
constexpr qsizetype kLongestSettingName = 64;

const char* const kUsage =
    "Usage: orvella-cli [--home DIR] [--yes] COMMAND\n"
    "\n"
    "Commands:\n"
    "  init                      make the program folder ready (databases, skins, icons)\n"
    "  settings list             print every setting, one NAME<TAB>VALUE a line\n"
    "  settings get NAME         print one setting's value\n"
    "  settings set NAME VALUE   store a setting\n"
    "  libraries list            print the Music Libraries, one a line\n"
    "  libraries create NAME     create a Music Library (blanks in NAME become \"_\")\n"
    "  libraries clear NAME      remove every record of a Music Library (asks first)\n"
    "  libraries delete NAME     delete a Music Library, never the only one (asks first)\n"
    "  libraries transfer        carry the previous version's Music Libraries over (asks first)\n"
    "  tags [--json] [--blank-tags PATTERN [--dry-run]] FILE...\n"
    "                            print the song fields of song files (MP3, FLAC, Ogg, Opus, M4A, WMA,\n"
    "                            WAV) as a build reads them, one JSON object a line with --json; with\n"
    "                            a pattern (e.g. \"%A\\%B\\%K - %T\") blank artist, title and album are\n"
    "                            filled from the path, and written into the file when it is MP3; with\n"
    "                            --dry-run only what the pattern gives for each path is printed, and\n"
    "                            nothing is written\n"
    "  build [--library NAME] [--music PATH] [--log text|xml|none]\n"
    "                            build or update a Music Library from the music folder (what is not\n"
    "                            given comes from the settings, as the main window shows them); one\n"
    "                            progress line on a terminal, a summary line at the end; Ctrl-C\n"
    "                            cancels after the current file (exit status 130)\n"
    "  watch [--follow]          look for changed MP3 files under the music folder, as start-up\n"
    "                            does, and offer an update; with --follow, keep the current Music\n"
    "                            Library in step with the music folder until Ctrl-C or SIGTERM\n"
    "  covers forget             forget the albums whose cover was searched online in vain\n"
    "  playlists [--library NAME] [--format m3u|b4s] [--overwrite]\n"
    "                            write one playlist per artist into Playlists/ (default: the current\n"
    "                            Music Library, b4s, existing files kept)\n"
    "  jet-import FILE           convert a Jet database (the Windows version's) into SQLite under its\n"
    "                            name, keeping the original as FILE.jet; prints each table and its\n"
    "                            row count\n"
    "  version-check [--download-to DIR]\n"
    "                            ask the update site (setting UpdateSite) for a new version; with\n"
    "                            --yes and --download-to, download its setup file into DIR\n"
    "\n"
    "Options:\n"
    "  --home DIR   the program folder (default: the folder that holds this program, or\n"
    "               ~/.local/share/orvella-configurator when that folder is not writable)\n"
    "  --yes        answer every question Yes\n";

int runInit(Command& c) {
    if (!c.args.isEmpty()) throw UsageError();
    try {
        for (const QString& path : initializeProgramFolder(c.state.paths.programFolder))
            c.out << "created " << path << '\n';
    } catch (const RuntimeError& error) {
        reportError(c.state, kModule, QStringLiteral("init"), error);
    }
    return c.status();
}

// A name the Settings table can hold as it is given: stored SQL text loses its control characters.
bool isSettingName(const QString& name) {
    return name.size() <= kLongestSettingName &&
           std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

int runSettings(Command& c) {
    const QString action = c.args.value(0);
    if (action == QLatin1String("list") && c.args.size() == 1) {
        try {
            const std::optional<SettingRows> settings = listSettings(c.state);
            if (!settings) return 1;
            for (const auto& [name, value] : *settings) c.out << name << '\t' << value << '\n';
        } catch (const RuntimeError& error) {
            reportError(c.state, kModule, QStringLiteral("settings list"), error);
        }
        return c.status();
    }
    if (action == QLatin1String("get") && c.args.size() == 2) {
        try {
            if (const std::optional<QString> value = readSetting(c.state, c.args[1])) c.out << *value << '\n';
        } catch (const RuntimeError& error) {
            reportError(c.state, kModule, QStringLiteral("settings get"), error);
        }
        return c.status();
    }
    if (action == QLatin1String("set") && c.args.size() == 3) {
        if (!isSettingName(c.args[1])) {
            showPlainMessage(c.state,
                             QStringLiteral("A setting name has at most %1 characters and no control characters; "
                                            "nothing was stored.")
                                 .arg(kLongestSettingName),
                             kTitle, DialogContent::Error);
            return 1;
        }
        try {
            SaveSetting(c.state, c.args[1], c.args[2]);
        } catch (const RuntimeError& error) {
            reportError(c.state, kModule, QStringLiteral("settings set"), error);
        }
        return c.status();
    }
    throw UsageError();
}

const std::map<QString, std::function<int(Command&)>>& commands() {
    static const std::map<QString, std::function<int(Command&)>> commands{
        {QStringLiteral("init"), runInit},           {QStringLiteral("settings"), runSettings},
        {QStringLiteral("libraries"), runLibraries}, {QStringLiteral("tags"), runTags},
        {QStringLiteral("build"), runBuild},         {QStringLiteral("watch"), runWatch},
        {QStringLiteral("covers"), runCovers},       {QStringLiteral("version-check"), runVersionCheck},
        {QStringLiteral("playlists"), runPlaylists}, {QStringLiteral("jet-import"), runJetImport},
    };
    return commands;
}

}  // namespace

int runCommandLine(const QStringList& arguments, const QString& programsFolder) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    std::optional<QString> home;
    bool answerYes = false;
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--home") && i + 1 < arguments.size()) {
            home = arguments[++i];
        } else if (argument == QLatin1String("--yes")) {
            answerYes = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            out << kUsage;
            return 0;
        } else {
            rest << argument;
        }
    }

    const auto command = rest.isEmpty() ? commands().end() : commands().find(rest.first());
    if (command == commands().end()) {
        err << kUsage;
        return 2;
    }

    ConsoleFrontEnd ui(answerYes);
    ProgramState state;
    state.session.userInterface = &ui;
    try {
        openProgramFolder(state,
                          home ? QDir::cleanPath(QDir(*home).absolutePath()) : programFolderToUse(programsFolder));
    } catch (const RuntimeError& error) {
        reportError(state, kModule, QStringLiteral("programFolderToUse"), error);
        return 1;
    }

    // Every command but init works on a program folder that is there already.
    if (command->first != QLatin1String("init") && !QFileInfo(state.paths.programFolder).isDir()) {
        showPlainMessage(state,
                         QStringLiteral("There is no program folder at ") + state.paths.programFolder +
                             QStringLiteral(".\n\nTo make one there: orvella-cli --home ") + state.paths.programFolder +
                             QStringLiteral(" init"),
                         kTitle, DialogContent::Error);
        return 1;
    }
    Command context{state, ui, out, rest.mid(1)};
    try {
        // A program database copied from the Windows version is converted first; jet-import
        // converts the file it is given itself.
        if (command->first != QLatin1String("jet-import") && !convertWindowsDatabases(state)) return 1;
        return command->second(context);
    } catch (const UsageError&) {
        err << kUsage;
        return 2;
    } catch (const ProgramEnd&) {
        return 1;
    }
}

}  // namespace orv
