#pragma once

#include <QByteArray>
#include <optional>

namespace orv {

// The work on pictures that needs the image library, which the module "liborvella-images.so" links
// (core/Module.h): that library and the thirty libraries it brings are loaded only when a picture
// is first looked into.
class ImageLibrary {
public:
    virtual ~ImageLibrary() = default;
    // Whether the bytes are a picture the library reads.
    virtual bool isPicture(const QByteArray& bytes) const = 0;
    // The picture as JPEG bytes at this quality (0 to 100), transparent parts on white; nothing
    // when the bytes are not a picture it reads.
    virtual std::optional<QByteArray> asJpeg(const QByteArray& bytes, int quality) const = 0;
};

// The image library, loaded the first time it is asked for. Throws RuntimeError, naming the
// module and why, when it cannot be loaded.
const ImageLibrary& imageLibrary();

}  // namespace orv

// What the module gives: its one instance.
extern "C" const orv::ImageLibrary* orvellaImageLibrary();
