#include "cli/Commands.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "extras/VersionCheck.h"

#include <QDir>
#include <unistd.h>

namespace orv {
namespace {

// The check on a terminal: the status lines and the questions go to standard error, the folder is
// the one --download-to names, and a terminal sees the download's progress.
class ConsoleVersionCheck : public VersionCheckDisplay {
public:
    explicit ConsoleVersionCheck(QString downloadTo) : downloadTo_(std::move(downloadTo)), err_(stderr) {}

    void showStatus(const QString& text) override {
        err_ << text << '\n';
        err_.flush();
    }
    QString pickFolder(const QString& prompt, const QString&) override {
        err_ << prompt << ' ' << (downloadTo_.isEmpty() ? QStringLiteral("(none: use --download-to DIR)") : downloadTo_)
             << '\n';
        err_.flush();
        return downloadTo_;
    }
    void downloadStarted() override {}
    void showProgress(int value, qint64 received) override {
        // A percentage, or without a size the kilobytes so far; each shown once.
        const qint64 shown = value < 0 ? received / 1024 : value;
        if (!terminal_ || shown == lastShown_) return;
        lastShown_ = shown;
        err_ << '\r' << shown << (value < 0 ? " KB" : "%");
        err_.flush();
    }
    void downloadEnded() override {
        if (!terminal_) return;
        err_ << '\n';
        err_.flush();
    }
    void checkFailed(ProgramState& state, const QString& reason) override {
        showPlainMessage(state, QStringLiteral("The update site could not be asked for a new version.\n\n") + reason,
                         QStringLiteral("Orvella Configurator"), DialogContent::Error);
    }

private:
    QString downloadTo_;
    QTextStream err_;
    bool terminal_ = ::isatty(STDERR_FILENO) != 0;
    qint64 lastShown_ = -1;
};

}  // namespace

int runVersionCheck(Command& c) {
    QString downloadTo;
    if (c.args.size() == 2 && c.args[0] == QLatin1String("--download-to") && !c.args[1].isEmpty())
        downloadTo = QDir::cleanPath(QDir(c.args[1]).absolutePath());
    else if (!c.args.isEmpty())
        throw UsageError();
    ConsoleVersionCheck display(downloadTo);
    const VersionCheckOutcome outcome = CheckForNewVersion(c.state, display);
    return outcome == VersionCheckOutcome::CheckFailed || outcome == VersionCheckOutcome::DownloadFailed ? 1 : 0;
}

}  // namespace orv
