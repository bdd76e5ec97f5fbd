#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace orv {

// A picture as it was found, not yet decoded: its bytes, and a file to show instead when they are
// not a picture. A front end decodes only the pictures it shows, on its own thread.
struct Picture {
    QByteArray bytes;
    QString file;

    // A picture read from a file at once, for a file that may be gone by the time it is shown.
    static Picture readNow(const QString& path);
    // At `size` when one is given (not empty), whatever the picture's own proportions.
    QImage decode(const QSize& size = QSize()) const;
};

}  // namespace orv
