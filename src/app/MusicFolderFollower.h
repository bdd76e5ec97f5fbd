#pragma once

#include "builder/Follower.h"
#include "core/FrontEnd.h"
#include "core/ProgramState.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace orv {

// Keeps the current Music Library up to date while the window is open: the follower runs on a
// thread of its own, over a program state of its own (its own database connections), and tells
// the window what it changed. It pauses while the window builds or changes a library itself.
class MusicFolderFollower : public QObject {
    Q_OBJECT
public:
    // `window` gives the program folder; `windowUi` shows the follower's messages.
    MusicFolderFollower(const ProgramState& window, FrontEnd& windowUi);
    // Stops after the current file, with what was written committed.
    ~MusicFolderFollower() override;

    // While one lives, the follower writes nothing: a batch under way stops after its current file
    // first.
    class Pause {
    public:
        explicit Pause(MusicFolderFollower* follower);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        MusicFolderFollower* follower_;
    };

signals:
    // The last change, for the status line.
    void changed(const QString& status);

private:
    // The follower's face: messages go to the window, questions are answered No, and the wait for
    // the window's own work is its Cancel.
    class Face : public FrontEnd {
    public:
        explicit Face(MusicFolderFollower& owner) : owner_(owner) {}
        void showMessage(const DialogContent& content) override;
        Answer askQuestion(const DialogContent& content) override;
        std::optional<QString> inputText(const QString&, const QString&) override { return std::nullopt; }
        void endProgram() override {}
        void yield() override;
        void noteFile(const QString& path, const QString& note) override;

    private:
        MusicFolderFollower& owner_;
    };

    void run();
    void showBatch(const FolderUpdateResult& batch);

    FrontEnd& windowUi_;
    Face face_{*this};
    ProgramState state_;
    Follower follower_{state_};
    std::atomic<bool> stopping_{false};
    std::atomic<int> pauses_{0};
    std::mutex stepping_;  // held while the follower steps
    std::condition_variable resumed_;
    std::unique_ptr<QThread> thread_;
};

}  // namespace orv
