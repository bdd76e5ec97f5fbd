// Picture::decode, in a file of its own: a program that never decodes a picture (the command line)
// is linked without the image library.

#include "core/Picture.h"

#include <QBuffer>
#include <QImageReader>

namespace orv {
namespace {

// A JPEG read at a given size is decoded at a fraction of its own (libjpeg scales as it decodes);
// other formats are scaled after decoding.
QImage readAt(QImageReader& reader, const QSize& size) {
    if (!size.isEmpty()) reader.setScaledSize(size);
    return reader.read();
}

}  // namespace

QImage Picture::decode(const QSize& size) const {
    QImage fromBytes;
    if (!bytes.isEmpty()) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        fromBytes = readAt(reader, size);
    }
    if (!fromBytes.isNull() || file.isEmpty()) return fromBytes;
    QImageReader reader(file);
    return readAt(reader, size);
}

}  // namespace orv
