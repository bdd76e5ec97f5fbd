#pragma once

#include "support/Files.h"

#include <QColor>
#include <QString>

namespace orv::test {

// A one-pixel GIF of the given colour (the picture library reads GIF but cannot write it).
inline QByteArray GifBytes(const QColor& colour) {
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
    gif += static_cast<char>(colour.red());
    gif += static_cast<char>(colour.green());
    gif += static_cast<char>(colour.blue());
    return gif + QByteArray(
                     "\x00\x00\x00"                              // second palette entry: black
                     "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00"  // the image: 1 by 1 at 0,0
                     "\x02\x02\x44\x01\x00\x3b",                 // pixel 0, end
                     19);
}

inline bool WriteGif(const QString& path, const QColor& colour) {
    return WriteFile(path, GifBytes(colour));
}

}  // namespace orv::test
