#include "builder/TagPrefetch.h"

#include "tags/ID3Tags.h"
#include "tags/Mp3Reading.h"
#include "tags/TagComponent.h"

#include <algorithm>

namespace orv {
namespace {

// At most this many files that the pipeline has not come to yet have an ID3v2 write made ready,
// each in a temporary file beside it: what a crash can leave behind stays small.
constexpr int kMostPreparedAhead = 32;

std::unique_ptr<TagComponent> openHere(const QString& path) {
    auto tags = std::make_unique<TagComponent>();
    if (!tags->openFile(path)) tags.reset();
    return tags;
}

}  // namespace

TagPrefetch::TagPrefetch(bool prepareID3v2) : prepareID3v2_(prepareID3v2), thread_([this] { work(); }) {}

TagPrefetch::~TagPrefetch() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
    clear();
    givenBack_.clear();
}

void TagPrefetch::GiveBack::operator()(TagComponent* tags) const {
    std::unique_ptr<TagComponent> owned(tags);
    if (!prefetch || !owned) return;
    // Not worth a wake of its own: the thread frees it before the next file it parses, or as the
    // prefetch ends.
    const std::lock_guard lock(prefetch->mutex_);
    prefetch->givenBack_.push_back(std::move(owned));
}

TagPrefetch::Opened TagPrefetch::opened(std::unique_ptr<TagComponent> tags) {
    return Opened(tags.release(), GiveBack(this));
}

void TagPrefetch::clear() {
    std::deque<std::shared_ptr<Item>> dropped;
    const std::lock_guard lock(mutex_);
    dropped.swap(requested_);
    waiting_.clear();
    for (const std::shared_ptr<Item>& item : dropped) endReservation(*item);
}

void TagPrefetch::endReservation(Item& item) {
    if (!item.preparing) return;
    item.preparing = false;
    --preparedAhead_;
}

void TagPrefetch::request(const QString& path) {
    auto item = std::make_shared<Item>();
    item->path = path;
    {
        const std::lock_guard lock(mutex_);
        requested_.push_back(item);
        waiting_.push_back(item);
    }
    changed_.notify_all();
}

TagPrefetch::OpenFile TagPrefetch::open(const QString& path) {
    std::unique_lock lock(mutex_);
    const auto found = std::find_if(requested_.begin(), requested_.end(),
                                    [&path](const std::shared_ptr<Item>& item) { return item->path == path; });
    if (found == requested_.end()) {
        lock.unlock();
        return {Opened(openHere(path).release()), std::nullopt};
    }
    // What was requested before this file and passed over is not needed any more.
    for (auto passed = requested_.begin(); passed != found; ++passed) {
        waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), *passed), waiting_.end());
        endReservation(**passed);
    }
    const std::shared_ptr<Item> item = *found;
    requested_.erase(requested_.begin(), found + 1);
    while (!item->done) {
        if (waiting_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const std::shared_ptr<Item> last = waiting_.back();
        waiting_.pop_back();
        last->parsedHere = true;
        parseTaken(lock, *last);
    }
    endReservation(*item);
    lock.unlock();
    if (item->failed) return {Opened(openHere(path).release()), std::nullopt};
    if (item->parsedHere) return {Opened(item->tags.release()), std::move(item->song)};
    return {opened(std::move(item->tags)), std::move(item->song)};
}

TagPrefetch::Parsed TagPrefetch::parse(const QString& path, bool mayPrepare) {
    Parsed parsed;
    try {
        parsed.tags = openHere(path);
        if (mayPrepare && parsed.tags && !parsed.tags->hasID3v2()) {
            setID3v2FromID3v1(*parsed.tags);
            parsed.tags->prepareID3v2Write();
            parsed.prepared = true;
        }
        if (parsed.tags) parsed.song = readMp3Tags(*parsed.tags);
    } catch (...) {
        parsed = Parsed{};
        parsed.failed = true;
    }
    return parsed;
}

void TagPrefetch::parseTaken(std::unique_lock<std::mutex>& lock, Item& item) {
    const bool mayPrepare = reservePreparation(item);
    lock.unlock();
    Parsed parsed = parse(item.path, mayPrepare);
    lock.lock();
    finish(item, std::move(parsed));
}

void TagPrefetch::finish(Item& item, Parsed parsed) {
    if (!parsed.prepared) endReservation(item);
    item.tags = std::move(parsed.tags);
    item.song = std::move(parsed.song);
    item.failed = parsed.failed;
    item.done = true;
    changed_.notify_all();
}

bool TagPrefetch::reservePreparation(Item& item) {
    if (!prepareID3v2_ || preparedAhead_ >= kMostPreparedAhead) return false;
    item.preparing = true;
    ++preparedAhead_;
    return true;
}

void TagPrefetch::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) return;
        if (!givenBack_.empty()) {
            std::vector<std::unique_ptr<TagComponent>> done;
            done.swap(givenBack_);
            lock.unlock();
            done.clear();
            lock.lock();
            continue;
        }
        const std::shared_ptr<Item> item = waiting_.front();
        waiting_.pop_front();
        parseTaken(lock, *item);
    }
}

}  // namespace orv
