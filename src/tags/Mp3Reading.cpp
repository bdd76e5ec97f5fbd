#include "tags/Mp3Reading.h"

#include "tags/ID3Tags.h"
#include "tags/TagComponent.h"
#include "tags/TagsFromFileName.h"

namespace orv {

bool ReadMp3SongFields(ProgramState& state, TagComponent& tags, const QString& fileName, SongFields& song) {
    if (!tags.OpenFile(fileName)) return false;
    if (tags.HasID3v2())
        ReadID3v2Tags(tags, song);
    else
        ReadID3v1Tags(tags, song);
    FillBlankTagsFromFileName(state, fileName, song.Artist, song.Title, song.Album, song.Track);
    return true;
}

}  // namespace orv
