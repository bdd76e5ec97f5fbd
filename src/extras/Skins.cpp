#include "extras/Skins.h"

#include "core/ProgramState.h"
#include "store/ProgramFiles.h"

#include <QDir>
#include <QImageReader>

namespace orv {

std::optional<QImage> loadSkinPicture(const ProgramState& state, const QString& baseName) {
    const QString stem = ProgramFile(state, QStringLiteral("Skins")) + QDir::separator() + state.ActiveSkin +
                         QDir::separator() + baseName;
    for (const char* extension : {".bmp", ".jpg", ".gif"}) {
        QImageReader reader(stem + QLatin1String(extension));
        reader.setDecideFormatFromContent(true);
        QImage picture = reader.read();
        if (!picture.isNull()) return picture;
    }
    return std::nullopt;
}

}  // namespace orv
