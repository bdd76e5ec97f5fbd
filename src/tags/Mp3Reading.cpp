#include "tags/Mp3Reading.h"

#include "tags/ID3Tags.h"
#include "tags/TagComponent.h"
#include "tags/TagsFromFileName.h"

namespace orv {

bool readMp3SongFields(ProgramState& state, TagComponent& tags, const QString& fileName, SongFields& song) {
    if (!tags.openFile(fileName)) return false;
    if (tags.hasID3v2())
        ReadID3v2Tags(tags, song);
    else
        ReadID3v1Tags(tags, song);
    FillBlankTagsFromFileName(state, fileName, song.Artist, song.Title, song.Album, song.Track);
    return true;
}

}  // namespace orv
