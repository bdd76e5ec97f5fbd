#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace orv {

struct ProgramState;

// The albums whose whole search found nothing, remembered for kMissDays days in the table
// "CoverArtMisses" of the main database (made when it is missing), by service, artist, album and
// band. A later build does not search them again.

// When the album was last searched in vain on the service, if that was within the last kMissDays days.
std::optional<QDateTime> rememberedMiss(ProgramState& state, const QString& service, const QString& artist,
                                        const QString& album, const QString& band, const QDateTime& now);
// Remembers a search that found nothing, and lets go of the ones older than kMissDays days.
void rememberMiss(ProgramState& state, const QString& service, const QString& artist, const QString& album,
                  const QString& band, const QDateTime& now);
// Forgets every remembered search. False when the table could not be emptied (reported).
bool forgetMisses(ProgramState& state);

inline constexpr int kMissDays = 30;
inline const QString kMissesTable = QStringLiteral("CoverArtMisses");

}  // namespace orv
