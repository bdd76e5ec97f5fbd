// What the tag writes of an initial build cost the system at the least: every MP3 file under ROOT
// without an ID3v2 tag (a build gives each one) is replaced as a build replaces it, durably: a new
// file beside it with its content, flushed to the disk, renamed over it, and each folder flushed
// once for its renames. The content stays as it was; the file's mode is kept. Run it on a copy of
// the music folder: the files get new inodes and last-write times.
//
// usage: replace_floor ROOT

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool isMp3(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".mp3";
}

bool fail(const std::string& what) {
    std::cerr << what << ": " << std::strerror(errno) << '\n';
    return false;
}

// The whole content of a file that does not start with an ID3v2 tag; nothing for one that does.
bool readWithoutID3v2(const fs::path& path, std::vector<char>& content, struct stat& info) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &info) != 0) return fail("cannot read " + path.string());
    char mark[3] = {};
    const bool tagged = ::pread(fd, mark, sizeof mark, 0) == sizeof mark && std::memcmp(mark, "ID3", 3) == 0;
    content.resize(tagged ? 0 : static_cast<std::size_t>(info.st_size));
    const ssize_t got = tagged ? 0 : ::pread(fd, content.data(), content.size(), 0);
    ::close(fd);
    return got == static_cast<ssize_t>(content.size()) || fail("cannot read " + path.string());
}

bool replace(const fs::path& path, const std::vector<char>& content, const struct stat& info) {
    const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".floor");
    const int fd = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return fail("cannot create " + temporary.string());
    const bool written = ::fchmod(fd, info.st_mode & 07777) == 0 &&
                         ::pwrite(fd, content.data(), content.size(), 0) == static_cast<ssize_t>(content.size()) &&
                         ::fdatasync(fd) == 0;
    if (::close(fd) != 0 || !written) return fail("cannot write " + temporary.string());
    return ::rename(temporary.c_str(), path.c_str()) == 0 || fail("cannot rename over " + path.string());
}

bool syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    return synced || fail("cannot flush " + folder.string());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: replace_floor ROOT\n";
        return 2;
    }
    std::map<fs::path, std::vector<fs::path>> folders;
    for (const auto& entry : fs::recursive_directory_iterator(argv[1]))
        if (entry.is_regular_file() && isMp3(entry.path())) folders[entry.path().parent_path()].push_back(entry.path());
    long replaced = 0, flushed = 0;
    std::vector<char> content;
    for (const auto& [folder, files] : folders) {
        const long before = replaced;
        for (const fs::path& file : files) {
            struct stat info {};
            if (!readWithoutID3v2(file, content, info)) return 1;
            if (content.empty()) continue;
            if (!replace(file, content, info)) return 1;
            ++replaced;
        }
        if (replaced == before) continue;
        if (!syncFolder(folder)) return 1;
        ++flushed;
    }
    std::cout << replaced << " files replaced, " << flushed << " folders flushed\n";
    return 0;
}
