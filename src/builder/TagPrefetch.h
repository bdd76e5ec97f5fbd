#pragma once

#include "tags/SongFields.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace orv {

class TagComponent;

// Opens MP3 files in tag components ahead of the per-file pipeline, on a thread of its own: while
// the pipeline works on one file, the next ones are parsed and their song fields read (readMp3Tags).
// With `prepareID3v2`, a file without an ID3v2 tag also gets the one copied from its ID3v1 tag made
// ready (TagComponent::prepareID3v2Write): the pipeline only commits it when it comes to the file,
// and a file it never comes to keeps its content. Only a few files ahead get one; the others are
// written when the pipeline comes to them. The thread never puts a write in place and never
// touches the window.
//
//     prefetch.request(path);            // as soon as the walk meets a file that will be read
//     auto file = prefetch.open(path);   // when the pipeline comes to it
//
// open() hands back the component for a requested file once it is parsed, in the order the files
// were requested, and opens a file that was not requested itself. While it waits for the thread, it
// parses the last requested files itself, as the thread would: both threads parse, from the two ends
// of the queue. Requests that the pipeline passed over are dropped as it goes by. A component the
// pipeline is done with goes back to the thread that parsed it, which frees it before it parses the
// next file: the memory of a parse is given back by the thread that took it, which keeps the threads
// from contending for the allocator's locks.
class TagPrefetch {
public:
    struct GiveBack {
        // Without a prefetch, the component is freed where it is let go.
        GiveBack() : prefetch(nullptr) {}
        explicit GiveBack(TagPrefetch* to) : prefetch(to) {}
        TagPrefetch* prefetch;
        void operator()(TagComponent* tags) const;
    };
    using Opened = std::unique_ptr<TagComponent, GiveBack>;
    struct OpenFile {
        Opened tags;                     // nothing when the file cannot be read as MPEG audio
        std::optional<SongFields> song;  // what readMp3Tags gives for it, when it was read ahead
    };

    explicit TagPrefetch(bool prepareID3v2);
    ~TagPrefetch();
    TagPrefetch(const TagPrefetch&) = delete;
    TagPrefetch& operator=(const TagPrefetch&) = delete;

    void request(const QString& path);
    OpenFile open(const QString& path);
    // Drops every request (what was made ready for them with it).
    void clear();

private:
    struct Item {
        QString path;
        std::unique_ptr<TagComponent> tags;  // the file open, once parsed; nothing when it cannot be
        std::optional<SongFields> song;
        bool done = false;
        bool failed = false;      // the parse threw: the pipeline opens the file itself, and hears why
        bool preparing = false;   // holds one of the places for writes made ready ahead
        bool parsedHere = false;  // parsed on the pipeline's thread, which frees it too
    };
    struct Parsed {
        std::unique_ptr<TagComponent> tags;
        std::optional<SongFields> song;
        bool failed = false;
        bool prepared = false;  // an ID3v2 write was made ready
    };

    void work();
    static Parsed parse(const QString& path, bool mayPrepare);
    // Parses an item taken from the waiting ones, with the lock let go meanwhile.
    void parseTaken(std::unique_lock<std::mutex>& lock, Item& item);
    // These three are called with the lock held.
    void finish(Item& item, Parsed parsed);
    // Takes one of the places for writes made ready ahead, if one is free and writes are made ready.
    bool reservePreparation(Item& item);
    // Gives up the item's place among the writes made ready ahead, if it holds one.
    void endReservation(Item& item);
    Opened opened(std::unique_ptr<TagComponent> tags);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Item>> requested_;           // in the order requested, until opened
    std::deque<std::shared_ptr<Item>> waiting_;             // not yet taken by the thread
    std::vector<std::unique_ptr<TagComponent>> givenBack_;  // for the thread to free
    const bool prepareID3v2_;
    bool stopping_ = false;
    int preparedAhead_ = 0;  // items holding a place for a write made ready ahead
    std::thread thread_;
};

}  // namespace orv
