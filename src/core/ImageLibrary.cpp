#include "core/ImageLibrary.h"

#include "core/Module.h"

namespace orv {

const ImageLibrary& imageLibrary() {
    using Entry = decltype(&orvellaImageLibrary);
    static const Entry entry =
        reinterpret_cast<Entry>(moduleEntry("liborvella-images.so", "orvellaImageLibrary", "image library"));
    return *entry();
}

}  // namespace orv
