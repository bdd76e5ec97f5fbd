// The floor a build is measured against: walks a folder tree and reads every MP3 file's tags and
// length with TagLib, and does nothing else.
//
// usage: taglib_floor ROOT

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

bool isMp3(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mp3";
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: taglib_floor ROOT\n";
        return 2;
    }
    long files = 0;
    long long milliseconds = 0;
    std::size_t textLength = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
        if (!entry.is_regular_file() || !isMp3(entry.path())) continue;
        TagLib::MPEG::File file(entry.path().c_str(), true, TagLib::AudioProperties::Average);
        if (!file.isValid()) continue;
        ++files;
        if (file.hasID3v2Tag()) textLength += file.ID3v2Tag()->title().size() + file.ID3v2Tag()->artist().size();
        if (file.hasID3v1Tag()) textLength += file.ID3v1Tag()->album().size();
        if (file.audioProperties()) milliseconds += file.audioProperties()->lengthInMilliseconds();
    }
    std::cout << files << " files, " << milliseconds / 1000 << " s of audio, " << textLength << " characters\n";
    return 0;
}
