#include "core/WorkRunner.h"
#include "support/TestProgram.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>

namespace orv {
namespace {

using test::ScriptedFrontEnd;
using test::TestProgram;

TEST(WorkRunner, RunsOnePieceAtATimeOnItsOwnThreadThroughTheFaceItIsGiven) {
    TestProgram p;
    ScriptedFrontEnd face;
    WorkRunner runner(p.state);
    std::promise<void> release;
    const FrontEnd* seen = nullptr;
    std::thread::id ranOn;
    bool ended = false;
    ASSERT_TRUE(runner.start(
        face,
        [&, held = release.get_future().share()] {
            seen = &p.state.ui();
            ranOn = std::this_thread::get_id();
            held.wait();
        },
        [&] { ended = true; }));
    EXPECT_TRUE(runner.busy());
    EXPECT_FALSE(runner.start(face, [] { ADD_FAILURE() << "a second piece ran"; }, {}));
    release.set_value();
    runner.join();
    EXPECT_FALSE(runner.busy());
    EXPECT_TRUE(ended);
    EXPECT_EQ(seen, &face);
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_EQ(&p.state.ui(), &p.ui) << "this thread keeps the session's front end";
}

TEST(WorkRunner, JoinHandsOnWhatTheWorkThrewAndTheNextStartClearsCancel) {
    TestProgram p;
    ScriptedFrontEnd face;
    WorkRunner runner(p.state);
    ASSERT_TRUE(runner.start(face, [] { throw std::runtime_error("broken"); }, {}));
    EXPECT_THROW(runner.join(), std::runtime_error);
    runner.cancel();
    bool cancelled = true;
    ASSERT_TRUE(runner.start(face, [&] { cancelled = p.state.run.CloseRequested; }, {}));
    EXPECT_NO_THROW(runner.join());
    EXPECT_FALSE(cancelled);
}

TEST(WorkRunner, DestructionCancelsTheWorkAndWaitsForItsEnd) {
    TestProgram p;
    ScriptedFrontEnd face;
    bool cancelled = false;
    {
        WorkRunner runner(p.state);
        ASSERT_TRUE(runner.start(face,
                                 [&] {
                                     const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                                     while (!p.state.run.CloseRequested && std::chrono::steady_clock::now() < deadline)
                                         std::this_thread::yield();
                                     cancelled = p.state.run.CloseRequested;
                                 },
                                 {}));
    }
    EXPECT_TRUE(cancelled) << "the work ended when it was cancelled, and the runner waited for that";
}

}  // namespace
}  // namespace orv
