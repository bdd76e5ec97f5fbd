#include "core/ProgramState.h"

#include "core/FrontEnd.h"

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

}  // namespace

FrontEnd& ProgramState::ui() const {
    static SilentFrontEnd silent;
    return session.userInterface ? *session.userInterface : silent;
}

}  // namespace orv
