#include "app/frmWelcome.h"

#include "app/Look.h"
#include "core/ProgramState.h"
#include "errors/ErrorReport.h"
#include "store/Settings.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv {

frmWelcome::frmWelcome(ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmWelcome"));
    setWindowTitle(QStringLiteral("Orvella"));
    setStyleSheet(
        QStringLiteral("QDialog#frmWelcome { background-color: rgb(42, 0, 85); }"
                       "QLabel { color: white; font: 10pt 'Liberation Sans'; }"));

    lblTitle_ = new QLabel(QStringLiteral("Welcome To Orvella ") + fullVersionText(state.version) + "!", this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setStyleSheet(QStringLiteral("color: rgb(255, 212, 0); font: bold 18pt 'Liberation Sans';"));
    lblTitle_->setAlignment(Qt::AlignCenter);

    auto* lblWelcome =
        new QLabel(QStringLiteral("This Configurator prepares everything Orvella plays from.\n\n"
                                  "1.  On the Music Libraries panel, choose the folder that holds your music.\n"
                                  "2.  Click 'Build Music Library' to read your songs into the library.\n"
                                  "3.  Look through the other panels to set up Orvella the way you like it.\n"
                                  "4.  Click 'Save & Start Orvella' and enjoy your music."),
                   this);
    lblWelcome->setObjectName(QStringLiteral("lblWelcome"));
    lblWelcome->setWordWrap(true);

    cmdOK_ = new QPushButton(this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    FormatButton(cmdOK_, QStringLiteral("OK"));
    cmdOK_->setMinimumWidth(120);
    connect(cmdOK_, &QPushButton::clicked, this, &frmWelcome::cmdOK_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(18);
    layout->addWidget(lblTitle_);
    layout->addWidget(lblWelcome);
    layout->addWidget(cmdOK_, 0, Qt::AlignCenter);
    setMinimumWidth(520);
}

void frmWelcome::cmdOK_Click() {
    try {
        SaveSetting(state_, QStringLiteral("InitialUse"), QStringLiteral("False"));
    } catch (const RuntimeError& error) {
        reportError(state_, QStringLiteral("frmWelcome"), QStringLiteral("cmdOK_Click"), error);
    }
    accept();
}

}  // namespace orv
