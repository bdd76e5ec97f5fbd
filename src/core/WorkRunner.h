#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace orv {

class FrontEnd;
struct ProgramState;

// Runs the program's long work (a build, a carry-over, the playlists) on a thread of its own, one
// piece at a time: while a piece is under way no other starts. The piece reaches the user only
// through the front end it is given (state.ui() on its thread); Cancel is the program's
// CloseRequested, which the work tests where it can stop.
class WorkRunner {
public:
    explicit WorkRunner(ProgramState& state);
    // Cancels the work under way and waits for it to end.
    ~WorkRunner();
    WorkRunner(const WorkRunner&) = delete;
    WorkRunner& operator=(const WorkRunner&) = delete;

    // Starts `work` with `face` as its front end, after clearing an earlier Cancel; `ended` is
    // called on the worker thread once the work has returned or thrown. False, and nothing is
    // started, while earlier work has not been joined.
    bool start(FrontEnd& face, std::function<void()> work, std::function<void()> ended);
    // Work was started and has not been joined yet.
    bool busy() const { return thread_.joinable(); }
    // Asks the work under way to stop at its next test.
    void cancel();
    // Waits for the work to end (once `ended` was called it has) and hands on what it threw.
    void join();

private:
    ProgramState& state_;
    std::thread thread_;
    std::exception_ptr failure_;
};

}  // namespace orv
