#include "app/frmHelp.h"

#include "app/Look.h"
#include "extras/WebLinks.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace orv {

frmHelp::frmHelp(const ProgramState& state, QWidget* parent) : QDialog(parent), helpPage_(helpPagePath(state)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Orvella Configurator Help"));
    setStyleSheet(QStringLiteral("QDialog#frmHelp { background-color: rgb(42, 0, 85); }"));

    WebBrowser1_ = new QTextBrowser(this);
    WebBrowser1_->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1_->setOpenExternalLinks(true);
    WebBrowser1_->setStyleSheet(QStringLiteral("QTextBrowser { background: white; color: black; }"));

    const auto windowButton = [this](const char* name, const QString& caption, void (frmHelp::*click)()) {
        auto* button = new QPushButton(this);
        button->setObjectName(QLatin1String(name));
        button->setMinimumWidth(100);
        button->setAutoDefault(false);
        FormatButton(button, caption);
        connect(button, &QPushButton::clicked, this, click);
        return button;
    };
    cmdHome_ = windowButton("cmdHome", QStringLiteral("Home"), &frmHelp::cmdHome_Click);
    cmdBack_ = windowButton("cmdBack", QStringLiteral("Back"), &frmHelp::cmdBack_Click);
    cmdClose_ = windowButton("cmdClose", QStringLiteral("Close"), &frmHelp::cmdClose_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHome_);
    buttons->addWidget(cmdBack_);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(WebBrowser1_, 1);
    layout->addLayout(buttons);
    resize(780, 640);

    cmdHome_Click();
}

void frmHelp::cmdHome_Click() {
    if (!QFileInfo(helpPage_).isFile()) {
        WebBrowser1_->setHtml(
            QStringLiteral("<h2>Help is not available</h2><p>The help page was not found at:</p><p>") +
            helpPage_.toHtmlEscaped() + QStringLiteral("</p>"));
        return;
    }
    WebBrowser1_->setSource(QUrl::fromLocalFile(helpPage_));
}

void frmHelp::cmdBack_Click() {
    WebBrowser1_->backward();
}

void frmHelp::cmdClose_Click() {
    close();
}

}  // namespace orv
