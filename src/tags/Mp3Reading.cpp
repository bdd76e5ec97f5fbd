#include "tags/Mp3Reading.h"

#include "tags/ID3Tags.h"
#include "tags/TagComponent.h"
#include "tags/TagsFromFileName.h"

namespace orv {

SongFields readMp3Tags(const TagComponent& tags) {
    SongFields song;
    if (tags.hasID3v2())
        ReadID3v2Tags(tags, song);
    else
        ReadID3v1Tags(tags, song);
    return song;
}

void readMp3SongFields(ProgramState& state, TagComponent& tags, SongFields& song, std::optional<SongFields> tagsRead) {
    song = tagsRead ? std::move(*tagsRead) : readMp3Tags(tags);
    FillBlankTagsFromFileName(state, tags, song);
}

}  // namespace orv
