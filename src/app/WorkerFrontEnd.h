#pragma once

#include "core/FrontEnd.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace orv {

struct ProgramState;
class WorkerFrontEnd;

// Starts `work` on a runner of its own, reaching the user through a WorkerFrontEnd whose calls the
// thread of `owner` shows, and returns at once. Once the work has ended, what it handed over is shown
// and `ended` is called there: with true when the work's report ended the program (the windows are
// then closing). Anything else the work threw is handed on from there. When `owner` goes first, the
// work is stopped and waited for, and `ended` is not called.
void runInBackground(ProgramState& state, QObject* owner, std::function<void(WorkerFrontEnd& face)> work,
                     std::function<void(bool programEnded)> ended);

// The face a run on the worker thread sees: what it shows is handed to the window's thread as
// queued calls, gathered and shown there at most about 10 times a second (a control changed twice
// in between shows its last state); messages that wait, questions and prompts become a request the
// worker waits on while the window shows it, application-modal, and sends the answer back.
class WorkerFrontEnd : public FrontEnd {
public:
    // `window` shows the run's calls on the thread of `context`, which outlives this face; calls
    // still queued when `context` goes are dropped.
    WorkerFrontEnd(FrontEnd& window, QObject* context);

    void showMessage(const DialogContent& content) override;
    Answer askQuestion(const DialogContent& content) override;
    std::optional<QString> inputText(const QString& prompt, const QString& title) override;
    void endProgram() override;
    void setCaption(Control control, const QString& text) override;
    void setEnabled(Control control, bool enabled) override;
    void setVisible(Control control, bool visible) override;
    void setWindowTitle(const QString& text) override;
    void showPicture(Control control, const Picture& picture) override;
    bool showsPictures() const override { return true; }
    void showLogFile(const QString& path) override;
    void startPlayer() override;
    void showBuildProgress(const BuildProgress& progress) override;

    // Hands `call` to the window's thread, in order with what the run shows.
    void post(std::function<void()> call);
    // Has the window's thread give a text, and waits for it; empty when abandoned.
    QString askText(std::function<QString()> ask);

    // On the window's thread: shows what the run has handed over so far.
    void showHandedOver();
    // On the window's thread once the run has been joined: what it asked to be done after it (the
    // start of the player, which saves the settings), in order.
    void runAfterEnd();
    // On the window's thread, as the window goes: a request waited on now, or made from now on, is
    // answered as if its dialog was closed (No, nothing), so that the run can end.
    void abandon();
    // As a run starts: requests are shown again, and no control was set by it yet.
    void resume();
    // The controls the run locked or unlocked itself, as far as shown.
    const QSet<Control>& enabledByRun() const { return enabledByRun_; }

private:
    using Call = std::function<void(FrontEnd&)>;
    // The last value a control change was given.
    struct Value {
        QString text;
        bool flag = false;
        Picture picture;
        BuildProgress progress;
    };
    using Apply = void (*)(FrontEnd& window, Control control, const Value& value);
    // What waits to be shown, in order: a control change (shown with the last value its key was
    // given, where it was first given) or another call.
    struct Waiting {
        int key = 0;
        Control control = Control::frmStartUp;
        Apply apply = nullptr;
        Value value{};  // taken from the key's slot as it is shown
        Call call;
    };
    // The last value given to a key, and whether a change of it waits to be shown.
    struct Slot {
        Value value;
        bool waiting = false;
    };
    void handOver(Call call);
    // A change of `control` that replaces the one of the same key still waiting.
    template <class Give>
    void handOver(int key, Control control, Apply apply, const Give& give);
    void scheduleShow();
    // Waits until the window has run `ask`; `ifAbandoned` when it will not.
    template <class T>
    T request(std::function<T(FrontEnd&)> ask, T ifAbandoned);

    FrontEnd& window_;
    QObject* context_;
    // The window's thread's own.
    QElapsedTimer sinceShown_;
    QSet<Control> enabledByRun_;

    std::mutex mutex_;
    std::condition_variable answered_;
    std::vector<Waiting> waiting_;
    std::vector<Slot> latest_;  // by key
    std::vector<Call> afterEnd_;
    bool showScheduled_ = false;
    bool abandoned_ = false;
};

}  // namespace orv
