#include "core/ProgramState.h"

#include "core/FrontEnd.h"

#include <utility>

namespace orv {
namespace {

// Stands in for a missing front end: shows nothing, answers No, gives no text.
class SilentFrontEnd : public FrontEnd {
public:
    void showMessage(const DialogContent&) override {}
    Answer askQuestion(const DialogContent&) override { return Answer::No; }
    std::optional<QString> inputText(const QString&, const QString&) override { return std::nullopt; }
    void endProgram() override {}
};

thread_local FrontEnd* tThreadFrontEnd = nullptr;

}  // namespace

FrontEnd& ProgramState::ui() const {
    static SilentFrontEnd silent;
    if (tThreadFrontEnd) return *tThreadFrontEnd;
    return session.userInterface ? *session.userInterface : silent;
}

ThreadFrontEnd::ThreadFrontEnd(FrontEnd& face) : previous_(std::exchange(tThreadFrontEnd, &face)) {}

ThreadFrontEnd::~ThreadFrontEnd() {
    tThreadFrontEnd = previous_;
}

}  // namespace orv
