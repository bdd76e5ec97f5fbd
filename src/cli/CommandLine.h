#pragma once

#include <QStringList>

namespace orv {

// Runs `orvella-cli` with its arguments (without the program name) and returns the exit
// status: 0 done, 1 a failure or refusal was reported, 2 wrong usage. Without --home the program
// folder is the one to use for `programsFolder`, the folder that holds the programs.
int runCommandLine(const QStringList& arguments, const QString& programsFolder);

}  // namespace orv
