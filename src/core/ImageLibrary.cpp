#include "core/ImageLibrary.h"

#include "core/RuntimeError.h"

#include <QString>
#include <dlfcn.h>

namespace orv {
namespace {

constexpr char kModule[] = "liborvella-images.so";

struct Loaded {
    const ImageLibrary* library = nullptr;
    QString problem;
};

// Found where the programs' run path says: beside them.
Loaded load() {
    void* module = ::dlopen(kModule, RTLD_NOW | RTLD_LOCAL);
    if (!module) return {nullptr, QString::fromLocal8Bit(::dlerror())};
    auto* entry = reinterpret_cast<decltype(&orvellaImageLibrary)>(::dlsym(module, "orvellaImageLibrary"));
    if (!entry) return {nullptr, QString::fromLocal8Bit(::dlerror())};
    return {entry(), QString()};
}

}  // namespace

const ImageLibrary& imageLibrary() {
    static const Loaded loaded = load();
    if (!loaded.library)
        throw RuntimeError(
            ErrorNumber::FileNotFound,
            QStringLiteral("The image library %1 cannot be loaded: %2").arg(QLatin1String(kModule), loaded.problem));
    return *loaded.library;
}

}  // namespace orv
