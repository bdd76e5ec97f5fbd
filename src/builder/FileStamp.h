#pragma once

#include <QString>
#include <QtGlobal>
#include <ctime>

namespace orv {

// Two 32-bit words stored with a song record to tell an unchanged file from a changed one: the low
// and the high word of the file's last-write time (or, for side-file media, of its side file's
// size), each as a signed number. Compared for equality only.
struct FileStamp {
    qint32 low = 0;
    qint32 high = 0;

    // A 64-bit value split into its words; a word of 2^31 or more reads negative.
    static FileStamp fromWords(quint64 value) {
        return {static_cast<qint32>(static_cast<quint32>(value & 0xffffffffu)),
                static_cast<qint32>(static_cast<quint32>(value >> 32))};
    }
    // The 64-bit value the words were split from.
    quint64 words() const { return (quint64{static_cast<quint32>(high)} << 32) | static_cast<quint32>(low); }
    QString lowText() const { return QString::number(low); }
    QString highText() const { return QString::number(high); }
    bool operator==(const FileStamp&) const = default;
};

// A last-write time in 100-nanosecond units since 1 January 1601 UTC.
inline quint64 fileTimeOf(const struct timespec& time) {
    constexpr qint64 kSecondsFrom1601To1970 = 11644473600LL;
    return static_cast<quint64>((static_cast<qint64>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000LL +
                                time.tv_nsec / 100);
}

}  // namespace orv
