#pragma once

#include "cli/ConsoleFrontEnd.h"

#include <QStringList>
#include <QTextStream>

namespace orv {

struct ProgramState;

// One run of a command: the program state over the program folder, the terminal, and the
// command's own arguments (after its name).
struct Command {
    ProgramState& state;
    ConsoleFrontEnd& ui;
    QTextStream& out;
    QStringList args;

    // 1 when anything was shown during the command but the messages titled as its `confirmations`
    // (what it shows when it is done), else 0.
    int status(const QStringList& confirmations = {}) const {
        for (const QString& title : ui.shownTitles())
            if (!confirmations.contains(title)) return 1;
        return 0;
    }
};

// `libraries list | create NAME | clear NAME | delete NAME | transfer`: the Music Library buttons.
int runLibraries(Command& c);

// `tags [--json] [--blank-tags PATTERN [--dry-run]] FILE...`: the song fields of MP3 files as a build
// reads them; with --dry-run what the pattern gives for each path, nothing read or written.
int runTags(Command& c);

// `build [--library NAME] [--music PATH] [--log text|xml|none]`: the build/update run, the options
// not given taken from the settings.
int runBuild(Command& c);

// `watch`: the folder watch as start-up runs it.
int runWatch(Command& c);

// `covers forget`: forgets the albums whose cover was searched online in vain, so that the next
// build searches them again.
int runCovers(Command& c);

// `version-check [--download-to DIR]`: asks the update site for a new version; with --yes and
// --download-to, downloads its setup file into DIR. 1 when the check could not be made or the
// download failed.
int runVersionCheck(Command& c);

// `playlists [--library NAME] [--format m3u|b4s] [--overwrite]`: one playlist per artist.
int runPlaylists(Command& c);

// `jet-import FILE`: converts a Jet file into a SQLite database under its name, the Jet file kept
// beside it as FILE.jet, as start-up does; prints each table and its row count.
int runJetImport(Command& c);

// The listed Music Library a typed name stands for (letter case ignored, as the engine's table
// names); empty, with a message, when there is none, or when the listing failed (reported). Only
// listed libraries are built, cleared or deleted, so no reserved table is ever touched.
QString listedLibrary(Command& c, const QString& typed);

// Thrown by a command whose arguments are wrong: the usage text is printed, status 2.
class UsageError {};

}  // namespace orv
