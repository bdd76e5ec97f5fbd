#include "core/WorkRunner.h"

#include "core/ProgramState.h"

namespace orv {

WorkRunner::WorkRunner(ProgramState& state) : state_(state) {}

WorkRunner::~WorkRunner() {
    if (!busy()) return;
    cancel();
    thread_.join();
}

bool WorkRunner::start(FrontEnd& face, std::function<void()> work, std::function<void()> ended) {
    if (busy()) return false;
    state_.run.CloseRequested = false;
    failure_ = nullptr;
    thread_ = std::thread([this, &face, work = std::move(work), ended = std::move(ended)]() noexcept {
        {
            const ThreadFrontEnd shown(face);
            try {
                work();
            } catch (...) {
                failure_ = std::current_exception();
            }
        }
        if (ended) ended();
    });
    return true;
}

void WorkRunner::cancel() {
    state_.run.CloseRequested = true;
}

void WorkRunner::join() {
    if (!busy()) return;
    thread_.join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace orv
