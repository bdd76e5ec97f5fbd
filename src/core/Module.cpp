#include "core/Module.h"

#include "core/RuntimeError.h"

#include <QString>
#include <dlfcn.h>

namespace orv {

void* moduleEntry(const char* module, const char* entry, const char* holds) {
    void* loaded = ::dlopen(module, RTLD_NOW | RTLD_LOCAL);
    void* function = loaded ? ::dlsym(loaded, entry) : nullptr;
    if (!function)
        throw RuntimeError(ErrorNumber::FileNotFound,
                           QStringLiteral("The %1 %2 cannot be loaded: %3")
                               .arg(QLatin1String(holds), QLatin1String(module), QString::fromLocal8Bit(::dlerror())));
    return function;
}

}  // namespace orv
