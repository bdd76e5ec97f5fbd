#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace orv {

struct ProgramState;

// The active skin's picture of the given base name ("Background", "Logo"): the first of
// <base>.bmp, <base>.jpg and <base>.gif in the skin's folder that loads; empty when none does.
std::optional<QImage> loadSkinPicture(const ProgramState& state, const QString& baseName);

}  // namespace orv
