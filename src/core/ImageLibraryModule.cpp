// The module "liborvella-images.so": the image library's side of ImageLibrary.

#include "core/ImageLibrary.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

namespace orv {
namespace {

class QtImageLibrary final : public ImageLibrary {
public:
    bool isPicture(const QByteArray& bytes) const override { return !QImage::fromData(bytes).isNull(); }

    std::optional<QByteArray> asJpeg(const QByteArray& bytes, int quality) const override {
        const QImage image = QImage::fromData(bytes);
        if (image.isNull()) return std::nullopt;
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, image);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        if (!writer.write(opaque)) return std::nullopt;
        return jpeg;
    }
};

}  // namespace
}  // namespace orv

extern "C" __attribute__((visibility("default"))) const orv::ImageLibrary* orvellaImageLibrary() {
    static const orv::QtImageLibrary library;
    return &library;
}
