#include "app/frmStartUp.h"

#include "app/Look.h"
#include "app/frmWelcome.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/Compaction.h"
#include "store/GlobalConfig.h"
#include "store/ProgramFolder.h"
#include "store/Settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

frmStartUp::frmStartUp(ProgramState& state) : QWidget(nullptr), state_(state) {
    setObjectName(QStringLiteral("frmStartUp"));
    setAttribute(Qt::WA_DeleteOnClose);

    lblDownloadStatus_ = new QLabel(QStringLiteral("Ready..."), this);
    lblDownloadStatus_->setObjectName(QStringLiteral("lblDownloadStatus"));

    cmdDatabase_ = new QPushButton(this);
    cmdDatabase_->setObjectName(QStringLiteral("cmdDatabase"));
    connect(cmdDatabase_, &QPushButton::clicked, this, &frmStartUp::cmdDatabase_Click);

    cmdCancel_ = new QPushButton(this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel_, &QPushButton::clicked, this, &frmStartUp::cmdCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDatabase_);
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(lblDownloadStatus_);
    layout->addLayout(buttons);
    resize(760, 560);
}

QString frmStartUp::WindowCaption(const ProgramState& state) {
    return QStringLiteral("Orvella Configurator - ") + QStringLiteral("Version ") + FullVersionText(state.Version);
}

void frmStartUp::Form_Load() {
    state_.InternetConnected = IsInternetConnected(state_);
    if (state_.CloseRequested) return;
    state_.StartingUp = true;
    state_.BuildRunning = false;

    // From here on a failing step is passed over.
    SetDatabasePaths(state_);
    ContinueOnError([&] { ReadStartUpPaths(state_); });

    setWindowTitle(WindowCaption(state_));
    FormatButton(cmdDatabase_, QStringLiteral("Build Music Library"));
    FormatButton(cmdCancel_, QStringLiteral("Close"));
    ContinueOnError([&] { state_.CurrentMusicLibrary = GetSetting(state_, QStringLiteral("CurrentMusicLibrary")); });

    CompactDatabases(state_);

    bool firstUse = false;
    ContinueOnError([&] {
        firstUse = BooleanValue(GetSetting(state_, QStringLiteral("InitialUse"))).value_or(false);
    });
    if (firstUse) {
        frmWelcome welcome(state_, this);
        welcome.exec();
    }

    RenamePreviousLibraries(state_);
    state_.StartingUp = false;
}

void frmStartUp::cmdDatabase_Click() {
    emit buildRequested();
}

void frmStartUp::cmdCancel_Click() {
    state_.CloseRequested = true;
    close();
}

}  // namespace orv
