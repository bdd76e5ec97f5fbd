#include "app/WorkerFrontEnd.h"

#include "core/ProgramState.h"
#include "core/RuntimeError.h"
#include "core/WorkRunner.h"

#include <QTimer>
#include <memory>
#include <utility>

namespace orv {
namespace {

// What a handed-over call changes, for the key of calls that replace one another.
enum class Change { Caption, Enabled, Visible, Picture, WindowTitle, Progress };
constexpr int kKeyCount = (static_cast<int>(Change::Progress) + 1) * kControlCount;

int keyOf(Change change, Control control = Control::frmStartUp) {
    return static_cast<int>(change) * kControlCount + static_cast<int>(control);
}

}  // namespace

namespace {

// One background run and what it shows through: it goes with its owner, or once it has ended.
class BackgroundRun : public QObject {
public:
    BackgroundRun(ProgramState& state, QObject* owner, std::function<void(bool programEnded)> ended)
        : QObject(owner), face_(state.ui(), this), runner_(state), ended_(std::move(ended)) {}
    // A question the work waits on is not answered now; the runner stops the work and waits for it.
    ~BackgroundRun() override { face_.abandon(); }

    void start(std::function<void(WorkerFrontEnd& face)> work) {
        runner_.start(
            face_, [this, work = std::move(work)] { work(face_); },
            [this] { QMetaObject::invokeMethod(this, &BackgroundRun::finish, Qt::QueuedConnection); });
    }

private:
    void finish() {
        deleteLater();
        bool programEnded = false;
        try {
            runner_.join();
        } catch (const ProgramEnd&) {
            programEnded = true;
        }
        face_.showHandedOver();
        face_.runAfterEnd();
        ended_(programEnded);
    }

    // The runner goes first: its thread uses the face.
    WorkerFrontEnd face_;
    WorkRunner runner_;
    std::function<void(bool programEnded)> ended_;
};

}  // namespace

void runInBackground(ProgramState& state, QObject* owner, std::function<void(WorkerFrontEnd& face)> work,
                     std::function<void(bool programEnded)> ended) {
    (new BackgroundRun(state, owner, std::move(ended)))->start(std::move(work));
}

WorkerFrontEnd::WorkerFrontEnd(FrontEnd& window, QObject* context)
    : window_(window), context_(context), latest_(kKeyCount) {}

void WorkerFrontEnd::handOver(Call call) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back({.call = std::move(call)});
        if (std::exchange(showScheduled_, true)) return;
    }
    scheduleShow();
}

template <class Give>
void WorkerFrontEnd::handOver(int key, Control control, Apply apply, const Give& give) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        Slot& slot = latest_[static_cast<std::size_t>(key)];
        give(slot.value);
        if (std::exchange(slot.waiting, true)) return;
        waiting_.push_back({.key = key, .control = control, .apply = apply, .call = {}});
        if (std::exchange(showScheduled_, true)) return;
    }
    scheduleShow();
}

void WorkerFrontEnd::scheduleShow() {
    // The window is brought up to date about 10 times a second, however often the run shows something:
    // enough to follow a run by, and each repaint takes a core from a run that keeps them busy.
    QMetaObject::invokeMethod(
        context_,
        [this] {
            constexpr qint64 kInterval = 100;
            const qint64 wait = sinceShown_.isValid() ? kInterval - sinceShown_.elapsed() : 0;
            if (wait <= 0)
                showHandedOver();
            else
                QTimer::singleShot(static_cast<int>(wait), context_, [this] { showHandedOver(); });
        },
        Qt::QueuedConnection);
}

void WorkerFrontEnd::showHandedOver() {
    std::vector<Waiting> calls;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        calls.swap(waiting_);
        for (Waiting& waiting : calls) {
            if (!waiting.apply) continue;
            Slot& slot = latest_[static_cast<std::size_t>(waiting.key)];
            waiting.value = slot.value;
            slot.waiting = false;
        }
        showScheduled_ = false;
    }
    sinceShown_.start();
    for (const Waiting& waiting : calls) {
        if (!waiting.apply) {
            waiting.call(window_);
            continue;
        }
        if (waiting.key == keyOf(Change::Enabled, waiting.control)) enabledByRun_.insert(waiting.control);
        waiting.apply(window_, waiting.control, waiting.value);
    }
}

template <class T>
T WorkerFrontEnd::request(std::function<T(FrontEnd&)> ask, T ifAbandoned) {
    // Shared with the window's thread, which may answer after the run stopped waiting.
    const auto answer = std::make_shared<std::optional<T>>();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (abandoned_) return ifAbandoned;
    }
    QMetaObject::invokeMethod(
        context_,
        [this, answer, ask = std::move(ask)] {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (abandoned_) return;
            }
            // What the run showed before it asked is on screen first.
            showHandedOver();
            T given = ask(window_);
            const std::lock_guard<std::mutex> lock(mutex_);
            *answer = std::move(given);
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(mutex_);
    answered_.wait(lock, [&] { return answer->has_value() || abandoned_; });
    return answer->has_value() ? **answer : ifAbandoned;
}

void WorkerFrontEnd::abandon() {
    const std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    answered_.notify_all();
}

void WorkerFrontEnd::resume() {
    const std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = false;
    enabledByRun_.clear();
    afterEnd_.clear();
}

void WorkerFrontEnd::post(std::function<void()> call) {
    handOver([call = std::move(call)](FrontEnd&) { call(); });
}

QString WorkerFrontEnd::askText(std::function<QString()> ask) {
    return request<QString>([ask = std::move(ask)](FrontEnd&) { return ask(); }, QString());
}

void WorkerFrontEnd::showMessage(const DialogContent& content) {
    if (!content.modal) {
        handOver([content](FrontEnd& window) { window.showMessage(content); });
        return;
    }
    request<bool>(
        [content](FrontEnd& window) {
            window.showMessage(content);
            return true;
        },
        true);
}

Answer WorkerFrontEnd::askQuestion(const DialogContent& content) {
    return request<Answer>([content](FrontEnd& window) { return window.askQuestion(content); }, Answer::No);
}

std::optional<QString> WorkerFrontEnd::inputText(const QString& prompt, const QString& title) {
    return request<std::optional<QString>>(
        [prompt, title](FrontEnd& window) { return window.inputText(prompt, title); }, std::nullopt);
}

void WorkerFrontEnd::endProgram() {
    handOver([](FrontEnd& window) { window.endProgram(); });
}

void WorkerFrontEnd::setCaption(Control control, const QString& text) {
    handOver(
        keyOf(Change::Caption, control), control,
        [](FrontEnd& window, Control c, const Value& v) { window.setCaption(c, v.text); },
        [&text](Value& v) { v.text = text; });
}

void WorkerFrontEnd::setEnabled(Control control, bool enabled) {
    handOver(
        keyOf(Change::Enabled, control), control,
        [](FrontEnd& window, Control c, const Value& v) { window.setEnabled(c, v.flag); },
        [enabled](Value& v) { v.flag = enabled; });
}

void WorkerFrontEnd::setVisible(Control control, bool visible) {
    handOver(
        keyOf(Change::Visible, control), control,
        [](FrontEnd& window, Control c, const Value& v) { window.setVisible(c, v.flag); },
        [visible](Value& v) { v.flag = visible; });
}

void WorkerFrontEnd::setWindowTitle(const QString& text) {
    handOver(
        keyOf(Change::WindowTitle), Control::frmStartUp,
        [](FrontEnd& window, Control, const Value& v) { window.setWindowTitle(v.text); },
        [&text](Value& v) { v.text = text; });
}

void WorkerFrontEnd::showPicture(Control control, const Picture& picture) {
    handOver(
        keyOf(Change::Picture, control), control,
        [](FrontEnd& window, Control c, const Value& v) { window.showPicture(c, v.picture); },
        [&picture](Value& v) { v.picture = picture; });
}

void WorkerFrontEnd::showLogFile(const QString& path) {
    handOver([path](FrontEnd& window) { window.showLogFile(path); });
}

void WorkerFrontEnd::startPlayer() {
    // The player's start saves the settings: not while the run still uses the databases.
    const std::lock_guard<std::mutex> lock(mutex_);
    afterEnd_.push_back([](FrontEnd& window) { window.startPlayer(); });
}

void WorkerFrontEnd::runAfterEnd() {
    std::vector<Call> calls;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        calls.swap(afterEnd_);
    }
    for (const Call& call : calls) call(window_);
}

void WorkerFrontEnd::showBuildProgress(const BuildProgress& progress) {
    handOver(
        keyOf(Change::Progress), Control::frmStartUp,
        [](FrontEnd& window, Control, const Value& v) { window.showBuildProgress(v.progress); },
        [&progress](Value& v) { v.progress = progress; });
}

}  // namespace orv
