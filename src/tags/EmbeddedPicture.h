#pragma once

#include <QByteArray>
#include <QString>

namespace orv {

// A picture embedded in a song file: its bytes as stored and their MIME type.
struct EmbeddedPicture {
    QByteArray data;
    QString mimeType;
};

// The pictures a song file carries, as the cover steps ask for them.
class EmbeddedPictures {
public:
    virtual ~EmbeddedPictures() = default;
    virtual int pictureCount() const = 0;
    // Picture `number`, counted from 1; empty when there is none.
    virtual EmbeddedPicture picture(int number) const = 0;
};

}  // namespace orv
