#pragma once

#include "store/DataAccess.h"

namespace orv {

struct ProgramState;

// Groups a long run's writes to the libraries database into transactions, committed every few
// hundred records: the same rows as one write each, without a disk flush each. Whatever is open
// when the batch ends is committed.
class WriteBatch {
public:
    explicit WriteBatch(ProgramState& state) : state_(state) { begin(); }
    ~WriteBatch() { commit(); }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Counts one record written; commits when enough have gathered.
    void wrote() {
        if (++written_ % kRecordsPerCommit != 0) return;
        commit();
        begin();
    }

private:
    static constexpr int kRecordsPerCommit = 500;
    void begin() { open_ = ExecuteSQLCommand(state_, QStringLiteral("BEGIN"), Db::Libraries); }
    void commit() {
        if (open_) ExecuteSQLCommand(state_, QStringLiteral("COMMIT"), Db::Libraries);
        open_ = false;
    }

    ProgramState& state_;
    bool open_ = false;
    int written_ = 0;
};

}  // namespace orv
