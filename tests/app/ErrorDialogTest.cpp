#include "app/WindowFrontEnd.h"
#include "app/frmErrorMessage.h"
#include "errors/ErrorReport.h"
#include "support/TestProgram.h"
#include "support/Windows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::OnNextModal;
using test::TestProgram;

// A program whose messages go to the real dialog.
struct WindowedProgram : TestProgram {
    WindowedProgram() : frontEnd(state) { state.session.userInterface = &frontEnd; }
    ~WindowedProgram() { test::CloseAllWindows(); }
    frmErrorMessage* dialog() const { return qobject_cast<frmErrorMessage*>(test::OpenWindow("frmErrorMessage")); }
    WindowFrontEnd frontEnd;
};

template <class T>
T* Child(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

TEST(ErrorDialog, ReportShowsTheTextWithBoldHeadingsAndCopiesIt) {
    WindowedProgram p;
    reportError(p.state, "frmStartUp", "CreateMusicLibrary", RuntimeError(91, "Object variable not set"));
    frmErrorMessage* dialog = p.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), "An Unexpected Error Has Occurred!!");
    EXPECT_EQ(Child<QLabel>(dialog, "lblMessage")->text(), kFatalErrorMessage);
    auto* text = Child<QTextEdit>(dialog, "txtError");
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(Child<QLabel>(dialog, "lblCutAndPaste")->isVisible());
    const QString report = text->toPlainText();
    EXPECT_EQ(report.split('\n').size(), 8);
    EXPECT_TRUE(report.endsWith("Code Line: 0"));

    const auto weightAt = [&](int position) {
        QTextCursor cursor(text->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().fontWeight();
    };
    EXPECT_EQ(weightAt(report.indexOf("Module: ")), QFont::Bold);
    EXPECT_EQ(weightAt(report.indexOf("Module: ") + 7), QFont::Bold) << "the blank after the heading";
    EXPECT_NE(weightAt(report.indexOf("frmStartUp")), QFont::Bold);
    EXPECT_EQ(weightAt(report.indexOf("Version: ")), QFont::Bold);
    EXPECT_NE(weightAt(report.indexOf("Orvella Configurator")), QFont::Bold);

    QString boxTitle, boxText;
    OnNextModal([&](QWidget* box) {
        boxTitle = box->windowTitle();
        boxText = qobject_cast<QMessageBox*>(box)->text();
        box->close();
    });
    Child<QAbstractButton>(dialog, "cmdCopy")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), report);
    EXPECT_EQ(boxTitle, "Orvella");
    EXPECT_EQ(boxText,
              "The error text has been copied to the clipboard.  You may now paste the text into an email message.");
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open after copying";

    Child<QAbstractButton>(dialog, "cmdOK")->click();
    EXPECT_EQ(p.dialog(), nullptr);
}

TEST(ErrorDialog, PlainMessageHidesTheReportAndEnterCloses) {
    WindowedProgram p;
    showPlainMessage(p.state, "Something to say", "Titled", DialogContent::Information);
    frmErrorMessage* dialog = p.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), "Titled");
    EXPECT_TRUE(Child<QTextEdit>(dialog, "txtError")->isHidden());
    EXPECT_TRUE(Child<QLabel>(dialog, "lblCutAndPaste")->isHidden());
    EXPECT_TRUE(Child<QAbstractButton>(dialog, "cmdCopy")->isHidden());
    EXPECT_TRUE(Child<QAbstractButton>(dialog, "cmdYes")->isHidden());
    const QImage shown = Child<QLabel>(dialog, "imgError")->pixmap().toImage();
    const QImage info =
        QPixmap(p.file("Images/Info.ico")).scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32), info.convertToFormat(QImage::Format_ARGB32));

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog, &enter);
    EXPECT_EQ(p.dialog(), nullptr);
}

TEST(ErrorDialog, QuestionsAnswerSixOnlyForYes) {
    WindowedProgram p;
    QStringList shown;
    OnNextModal([&](QWidget* dialog) {
        shown << Child<QLabel>(dialog, "lblMessage")->text();
        EXPECT_TRUE(Child<QAbstractButton>(dialog, "cmdOK")->isHidden());
        EXPECT_TRUE(Child<QAbstractButton>(dialog, "cmdNo")->isVisible());
        Child<QAbstractButton>(dialog, "cmdYes")->click();
    });
    EXPECT_EQ(AskQuestion(p.state, "Really?", "Orvella"), Answer::Yes);
    EXPECT_EQ(shown, QStringList{"Really?"});

    OnNextModal([&](QWidget* dialog) { Child<QAbstractButton>(dialog, "cmdNo")->click(); });
    EXPECT_EQ(AskQuestion(p.state, "Really?", "Orvella"), Answer::No);

    OnNextModal([&](QWidget* dialog) { dialog->close(); });
    EXPECT_EQ(AskQuestion(p.state, "Really?", "Orvella"), Answer::No) << "closing the window is No";

    OnNextModal([&](QWidget* dialog) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(dialog, &enter);
    });
    EXPECT_EQ(AskQuestion(p.state, "Really?", "Orvella"), Answer::No);
}

TEST(ErrorDialog, NoDuringStartUpBringsTheSplashBack) {
    WindowedProgram p;
    QWidget splash;
    p.frontEnd.setSplash(&splash);
    p.state.run.StartingUp = true;
    OnNextModal([&](QWidget* dialog) { Child<QAbstractButton>(dialog, "cmdNo")->click(); });
    EXPECT_EQ(AskQuestion(p.state, "Transfer?", "Previous Version Detected"), Answer::No);
    EXPECT_TRUE(splash.isVisible());
}

}  // namespace
}  // namespace orv
