#include "cli/Commands.h"
#include "coverart/CoverMisses.h"

namespace orv {

int runCovers(Command& c) {
    if (c.args != QStringList{QStringLiteral("forget")}) throw UsageError();
    return forgetMisses(c.state) ? c.status() : 1;
}

}  // namespace orv
