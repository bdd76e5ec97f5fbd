#pragma once

#include <QString>

namespace orv {

// The running system's name and version, in the report's shape: the name, ",  Version ", then the
// kernel and its version.
QString GetWindowsVersion();

}  // namespace orv
