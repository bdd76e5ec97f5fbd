#include "core/Picture.h"

#include <QFile>

namespace orv {

Picture Picture::readNow(const QString& path) {
    QFile file(path);
    return {file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), QString()};
}

QImage Picture::decode() const {
    const QImage fromBytes = bytes.isEmpty() ? QImage() : QImage::fromData(bytes);
    return fromBytes.isNull() && !file.isEmpty() ? QImage(file) : fromBytes;
}

}  // namespace orv
