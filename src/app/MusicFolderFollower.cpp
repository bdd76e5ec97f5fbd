#include "app/MusicFolderFollower.h"

#include <QDateTime>

namespace orv {

MusicFolderFollower::MusicFolderFollower(const ProgramState& window, FrontEnd& windowUi) : windowUi_(windowUi) {
    state_.paths = window.paths;
    state_.version = window.version;
    state_.InternetConnected = window.InternetConnected;
    state_.session.DataAccessVersionSource = window.session.DataAccessVersionSource;
    state_.session.internetProbe = window.session.internetProbe;
    state_.session.userInterface = &face_;
    follower_.onBatch = [this](const FolderUpdateResult& batch) { showBatch(batch); };
    thread_.reset(QThread::create([this] { run(); }));
    thread_->start();
}

MusicFolderFollower::~MusicFolderFollower() {
    stopping_ = true;
    // The wake is kept until the follower waits again: a step about to begin ends at once too.
    follower_.wake();
    {
        const std::lock_guard<std::mutex> lock(stepping_);
        resumed_.notify_all();
    }
    thread_->wait();
}

void MusicFolderFollower::run() {
    std::unique_lock<std::mutex> lock(stepping_);
    while (!stopping_) {
        resumed_.wait(lock, [this] { return stopping_ || pauses_ == 0; });
        if (!stopping_) follower_.step(-1);
    }
}

MusicFolderFollower::Pause::Pause(MusicFolderFollower* follower) : follower_(follower) {
    if (!follower_) return;
    ++follower_->pauses_;
    follower_->follower_.wake();
    // Taken once the step under way has returned.
    const std::lock_guard<std::mutex> lock(follower_->stepping_);
}

MusicFolderFollower::Pause::~Pause() {
    if (!follower_) return;
    const std::lock_guard<std::mutex> lock(follower_->stepping_);
    --follower_->pauses_;
    follower_->resumed_.notify_all();
}

void MusicFolderFollower::showBatch(const FolderUpdateResult& batch) {
    const BuildSummary& s = batch.summary;
    if (s.added + s.updated + s.orphaned == 0) return;
    emit changed(QStringLiteral("Music Library Updated At %1: %2 Added, %3 Updated, %4 Removed")
                     .arg(QDateTime::currentDateTime().toString(QStringLiteral("h:mm:ss AP")))
                     .arg(s.added)
                     .arg(s.updated)
                     .arg(s.orphaned));
}

void MusicFolderFollower::Face::showMessage(const DialogContent& content) {
    FrontEnd* ui = &owner_.windowUi_;
    QMetaObject::invokeMethod(
        &owner_, [ui, content] { ui->showMessage(content); }, Qt::QueuedConnection);
}

Answer MusicFolderFollower::Face::askQuestion(const DialogContent& content) {
    // Nobody is there to answer: what the question would allow is not done.
    emit owner_.changed(content.message.section(QLatin1Char('\n'), 0, 0));
    return Answer::No;
}

void MusicFolderFollower::Face::yield() {
    owner_.state_.run.CloseRequested = owner_.stopping_ || owner_.pauses_ > 0;
}

void MusicFolderFollower::Face::noteFile(const QString& path, const QString& note) {
    emit owner_.changed(path + QStringLiteral(": ") + note);
}

}  // namespace orv
