#include "app/frmErrorMessage.h"

#include "app/Look.h"
#include "core/ProgramState.h"
#include "core/Vendor.h"
#include "store/ProgramFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace orv {

frmErrorMessage::frmErrorMessage(ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmErrorMessage"));
    setWindowTitle(QStringLiteral("Orvella"));
    setMinimumWidth(520);

    imgBG_ = new QLabel(this);
    imgBG_->setObjectName(QStringLiteral("imgBG"));
    imgBG_->setScaledContents(true);
    imgBG_->setStyleSheet(QStringLiteral("background-color: rgb(40, 0, 80);"));
    imgBG_->lower();

    lblTitle_ = new QLabel(QStringLiteral("An Unexpected Error Has Occurred!!"), this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setStyleSheet(QStringLiteral("color: rgb(255, 212, 0); font: bold 14pt 'Liberation Sans';"));
    lblTitle_->setWordWrap(true);

    lblMessage_ = new QLabel(QStringLiteral("Error Message"), this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setStyleSheet(QStringLiteral("color: white; font: 10pt 'Liberation Sans';"));
    lblMessage_->setWordWrap(true);
    lblMessage_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    imgError_ = new QLabel(this);
    imgError_->setObjectName(QStringLiteral("imgError"));
    imgError_->setFixedSize(48, 48);
    imgError_->setAlignment(Qt::AlignCenter);
    imgError_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));

    txtError_ = new QTextEdit(this);
    txtError_->setObjectName(QStringLiteral("txtError"));
    txtError_->setReadOnly(true);
    txtError_->setMinimumHeight(150);

    lblCutAndPaste_ = new QLabel(
        QStringLiteral("Please report this error to technical support by copying and pasting the text in the box above "
                       "into an email and sending it to ") +
            kSupportEmail + QStringLiteral(".  We apologize for the inconvenience."),
        this);
    lblCutAndPaste_->setObjectName(QStringLiteral("lblCutAndPaste"));
    lblCutAndPaste_->setWordWrap(true);
    lblCutAndPaste_->setStyleSheet(QStringLiteral("color: white; font: 9pt 'Liberation Sans';"));

    const auto makeButton = [this](const char* name, const QString& caption) {
        auto* button = new QPushButton(this);
        button->setObjectName(QLatin1String(name));
        FormatButton(button, caption);
        // The dialog answers Enter itself (keyPressEvent): with the focused button, or else as OK.
        button->setAutoDefault(false);
        return button;
    };
    cmdCopy_ = makeButton("cmdCopy", QStringLiteral("Copy Error Text"));
    cmdOK_ = makeButton("cmdOK", QStringLiteral("OK"));
    cmdYes_ = makeButton("cmdYes", QStringLiteral("Yes"));
    cmdNo_ = makeButton("cmdNo", QStringLiteral("No"));
    cmdYes_->hide();
    cmdNo_->hide();
    connect(cmdOK_, &QPushButton::clicked, this, &frmErrorMessage::cmdOK_Click);
    connect(cmdCopy_, &QPushButton::clicked, this, &frmErrorMessage::cmdCopy_Click);
    connect(cmdYes_, &QPushButton::clicked, this, &frmErrorMessage::cmdYes_Click);
    connect(cmdNo_, &QPushButton::clicked, this, &frmErrorMessage::cmdNo_Click);

    auto* heading = new QHBoxLayout;
    heading->addWidget(imgError_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle_);
    texts->addWidget(lblMessage_);
    heading->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopy_);
    buttons->addStretch(1);
    buttons->addWidget(cmdYes_);
    buttons->addWidget(cmdNo_);
    buttons->addWidget(cmdOK_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(12);
    layout->addLayout(heading);
    layout->addWidget(txtError_, 1);
    layout->addWidget(lblCutAndPaste_);
    layout->addLayout(buttons);

    SkinPicture(state_, imgBG_, QStringLiteral("Background"));
}

void frmErrorMessage::setCaptions(const DialogContent& content) {
    lblTitle_->setText(content.title);
    lblMessage_->setText(content.message);
    setIcon(content.icon);
}

void frmErrorMessage::setIcon(int icon) {
    static const char* const files[] = {nullptr, "Error.ico", "Info.ico", "Question.ico", "Exclamation.ico"};
    if (icon <= DialogContent::BuiltIn || icon > DialogContent::Exclamation) return;
    const QPixmap picture(ProgramFile(state_, QStringLiteral("Images")) + QLatin1Char('/') +
                          QLatin1String(files[icon]));
    if (!picture.isNull()) imgError_->setPixmap(picture.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmErrorMessage::showContent(const DialogContent& content) {
    setCaptions(content);
    txtError_->setVisible(content.isReport);
    lblCutAndPaste_->setVisible(content.isReport);
    cmdCopy_->setVisible(content.isReport);
    if (content.isReport) {
        txtError_->setPlainText(content.reportText);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        for (const DialogContent::Range& range : content.boldRanges) {
            QTextCursor cursor(txtError_->document());
            cursor.setPosition(range.start);
            cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(bold);
        }
    }
    cmdOK_->setFocus();
    fitContent();
}

void frmErrorMessage::showQuestion(const DialogContent& content) {
    setCaptions(content);
    txtError_->hide();
    lblCutAndPaste_->hide();
    cmdCopy_->hide();
    cmdOK_->hide();
    cmdYes_->show();
    cmdNo_->show();
    (content.defaultAnswer == Answer::No ? cmdNo_ : cmdYes_)->setFocus();
    fitContent();
}

void frmErrorMessage::fitContent() {
    adjustSize();
    // The wrapped texts need their height at any width they are given: the dialog does not shrink
    // below the size that shows all of it.
    setMinimumSize(size());
}

void frmErrorMessage::cmdOK_Click() {
    close();
}

void frmErrorMessage::cmdCopy_Click() {
    QGuiApplication::clipboard()->setText(txtError_->toPlainText());
    QMessageBox::information(this, QStringLiteral("Orvella"),
                             QStringLiteral("The error text has been copied to the clipboard.  You may now paste the "
                                            "text into an email message."),
                             QMessageBox::Ok);
}

void frmErrorMessage::cmdYes_Click() {
    hide();
    answer_ = Answer::Yes;
    close();
}

void frmErrorMessage::cmdNo_Click() {
    answer_ = Answer::No;
    hide();
    if (state_.run.StartingUp) emit answeredNoDuringStartUp();
    close();
}

// Enter answers with the button that has the focus; anywhere else it closes the dialog, as OK does.
void frmErrorMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused && focused->isVisible())
            focused->click();
        else
            cmdOK_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmErrorMessage::resizeEvent(QResizeEvent* event) {
    imgBG_->setGeometry(rect());
    QDialog::resizeEvent(event);
}

}  // namespace orv
