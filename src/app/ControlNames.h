#pragma once

#include "core/Controls.h"

#include <QString>

namespace orv {

// The object name the main window gives a control.
const QString& controlName(Control control);

}  // namespace orv
