#pragma once

#include <QStringList>

namespace orv {

// Runs `orvella-cli` with its arguments (without the program name) and returns the exit
// status: 0 done, 1 a failure or refusal was reported, 2 wrong usage.
int runCommandLine(const QStringList& arguments, const QString& defaultHome);

}  // namespace orv
