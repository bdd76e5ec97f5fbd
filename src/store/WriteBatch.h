#pragma once

#include "store/DataAccess.h"

#include <QElapsedTimer>

namespace orv {

struct ProgramState;

// Groups writes to the libraries database into one transaction at a time, on the connection that
// the writes use. Nothing is kept unless it is committed:
// - commit() commits what the batch holds and begins the next transaction; a run calls it at every
//   end where what it wrote is to stay (finished, cancelled, failed);
// - wrote() counts one write and commits once a few hundred have gathered or a second has passed
//   since the last commit;
// - a batch destroyed uncommitted (left by an exception, or a copy that stopped half way) rolls
//   back everything written since its last commit.
class WriteBatch {
public:
    explicit WriteBatch(ProgramState& state) : state_(state) { begin(); }
    ~WriteBatch() {
        if (open_) ExecuteSQLCommand(state_, QStringLiteral("ROLLBACK"), Db::Libraries, true);
    }
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // False when the commit failed (reported); what the batch held is then rolled back.
    bool commit() {
        const bool committed = !open_ || ExecuteSQLCommand(state_, QStringLiteral("COMMIT"), Db::Libraries);
        if (!committed) ExecuteSQLCommand(state_, QStringLiteral("ROLLBACK"), Db::Libraries, true);
        begin();
        return committed;
    }

    void wrote() {
        if (++written_ % kWritesPerCommit == 0 || sinceCommit_.hasExpired(kMillisecondsPerCommit)) commit();
    }

private:
    static constexpr int kWritesPerCommit = 500;
    static constexpr qint64 kMillisecondsPerCommit = 1000;

    void begin() {
        open_ = ExecuteSQLCommand(state_, QStringLiteral("BEGIN"), Db::Libraries);
        sinceCommit_.start();
    }

    ProgramState& state_;
    bool open_ = false;
    int written_ = 0;
    QElapsedTimer sinceCommit_;
};

}  // namespace orv
