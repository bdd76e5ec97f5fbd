#include "core/Picture.h"

#include <QFile>

namespace orv {

Picture Picture::readNow(const QString& path) {
    QFile file(path);
    return {file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), QString()};
}

}  // namespace orv
