#pragma once

#include <QString>
#include <optional>

namespace orv {

struct ProgramState;

// The text with each of / \ : * ? < > | replaced by "_", in that order.
QString SafeName(const QString& text);

// The artist as a playlist is named after it: SafeName, blanks at both ends removed, every control
// character (NUL included) made "_", and a leading dot (or nothing at all) made "_", so that the
// file is never hidden.
QString playlistName(const QString& artist);

// The playlist's file name: playlistName, cut between characters where needed so that with "."
// and the extension it fits in 255 bytes.
QString playlistFileName(const QString& artist, const QString& extension);

// The text with "&", "<" and ">" written as "&amp;", "&lt;" and "&gt;", in that order; quotes stay.
QString XmlText(const QString& text);

// What the Playlists panel chose.
struct PlaylistOptions {
    // The format name ("m3u" or "b4s", blanks at both ends ignored); also the files' extension. Any
    // other name makes empty files.
    QString format;
    // Existing playlists are replaced; otherwise they are left as they are and not counted.
    bool overwrite = false;
};

// One playlist per artist of the current Music Library, in the "Playlists" folder of the program
// folder: the click of "cmdArtistPlaylists".
//
// Artists that differ only in letter case (and in blanks at either end) share one playlist, named
// after the spelling of the library's first record among them; its songs are in title order, letter
// case ignored. Each file is written whole under a temporary name and then put in place, so a
// failure never leaves half a playlist nor destroys the one before it; without overwriting, a file
// that exists is never replaced. "lblCreatingPlaylist" shows each file and at the end the number of
// new playlists, which is returned. A failure is reported (frmStartUp, cmdArtistPlaylists_Click,
// "Current File: " and the song being written) and gives nothing; without overwriting, a playlist
// that cannot be created is passed over and, once all are done, named in one message ("Playlists
// Not Written"), and one that fails while it is written is reported too. An artist whose file name
// is that of a playlist this click made already is named in that message as well, either way. The front end may process
// its events after each file.
std::optional<int> createArtistPlaylists(ProgramState& state, const PlaylistOptions& options);

}  // namespace orv
