#include "app/WindowFrontEnd.h"
#include "app/frmErrorMessage.h"
#include "errors/ErrorReport.h"
#include "support/TestProgram.h"
#include "support/Windows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextEdit>
#include <QWindow>
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
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal) << "shown without waiting, yet holding the program";
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), "An Unexpected Error Has Occurred!!");
    EXPECT_EQ(Child<QLabel>(dialog, "lblMessage")->text(), kFatalErrorMessage);
    auto* text = Child<QTextEdit>(dialog, "txtError");
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(Child<QLabel>(dialog, "lblCutAndPaste")->isVisible());
    const QString report = text->toPlainText();
    EXPECT_TRUE(report.endsWith("Error Description: Object variable not set\nCode Line: 0"));

    // Which ranges are bold is the report's rule; the dialog shows those ranges bold and no more.
    const auto weightAt = [&](int position) {
        QTextCursor cursor(text->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().fontWeight();
    };
    EXPECT_EQ(weightAt(report.indexOf("Module: ") + 7), QFont::Bold);
    EXPECT_NE(weightAt(report.indexOf("frmStartUp")), QFont::Bold);

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
    showPlainMessage(p.state, "Something to say", "Titled", DialogContent::Exclamation);
    frmErrorMessage* dialog = p.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), "Titled");
    EXPECT_TRUE(Child<QTextEdit>(dialog, "txtError")->isHidden());
    EXPECT_TRUE(Child<QLabel>(dialog, "lblCutAndPaste")->isHidden());
    EXPECT_TRUE(Child<QAbstractButton>(dialog, "cmdCopy")->isHidden());
    EXPECT_TRUE(Child<QAbstractButton>(dialog, "cmdYes")->isHidden());
    const QImage shown = Child<QLabel>(dialog, "imgError")->pixmap().toImage();
    const QImage icon = QPixmap(p.file("Images/Exclamation.ico"))
                            .scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                            .toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32), icon.convertToFormat(QImage::Format_ARGB32));

    test::PressEnter(dialog);
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
}

// Enter answers with the button that has the focus, as a user sees it; the question says which
// button has it first.
TEST(ErrorDialog, EnterAnswersWithTheFocusedButton) {
    WindowedProgram p;
    QString focused;
    OnNextModal([&](QWidget* dialog) {
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        test::PressEnter(dialog);
    });
    EXPECT_EQ(AskQuestion(p.state, "Carry over?", "Orvella"), Answer::Yes);
    EXPECT_EQ(focused, "cmdYes");

    OnNextModal([&](QWidget* dialog) {
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        test::PressEnter(dialog);
    });
    EXPECT_EQ(AskQuestion(p.state, "Delete it?", "Orvella", Answer::No), Answer::No);
    EXPECT_EQ(focused, "cmdNo");

    OnNextModal([&](QWidget* dialog) {
        Child<QWidget>(dialog, "cmdNo")->setFocus();
        test::PressEnter(dialog);
    });
    EXPECT_EQ(AskQuestion(p.state, "Carry over?", "Orvella"), Answer::No) << "the focus moved to No";
}

TEST(ErrorDialog, DialogDoesNotShrinkBelowItsContent) {
    WindowedProgram p;
    reportError(p.state, "frmStartUp", "CreateMusicLibrary", RuntimeError(91, "Object variable not set"),
                "A message long enough to wrap over several lines when the dialog is narrow, which it must not "
                "be made so narrow or so low that its lines run into the report below it.");
    frmErrorMessage* dialog = p.dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->resize(60, 60);
    dialog->layout()->activate();
    QList<QWidget*> shown;
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() && child->objectName() != "imgBG") shown << child;
    for (QWidget* child : shown) {
        if (child->hasHeightForWidth())
            EXPECT_GE(child->height(), child->heightForWidth(child->width())) << child->objectName().toStdString();
        EXPECT_GE(child->width(), child->minimumSizeHint().width()) << child->objectName().toStdString();
        for (QWidget* other : shown)
            if (other != child)
                EXPECT_FALSE(child->geometry().intersects(other->geometry()))
                    << child->objectName().toStdString() << " runs into " << other->objectName().toStdString();
    }
}

TEST(ErrorDialog, ReportsStayAboveTheWindowTheyBelongTo) {
    WindowedProgram p;
    showPlainMessage(p.state, "Before the main window", "Early");
    QWidget* early = p.dialog();
    ASSERT_NE(early, nullptr);

    // The main window is still loading: not shown yet.
    QWidget main;
    main.winId();
    p.frontEnd.setMainWindow(&main);
    EXPECT_EQ(early->windowHandle()->transientParent(), main.windowHandle()) << "an earlier report is adopted";
    showPlainMessage(p.state, "During the load", "Later");
    QWidget* later = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->findChild<QLabel*>("lblTitle") &&
            window->findChild<QLabel*>("lblTitle")->text() == "Later")
            later = window;
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(later->windowHandle()->transientParent(), early->windowHandle())
        << "above the one that holds the program";
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), later) << "raised and active";
}

TEST(ErrorDialog, AnIdenticalReportOnScreenIsNotShownAgain) {
    WindowedProgram p;
    const auto openDialogs = [] { return test::OpenMessageDialogs().size(); };
    const RuntimeError failure(-2147467259, "file is not a database");
    for (int i = 0; i < 5; ++i) reportError(p.state, "modGlobalConfig", "GetRecordset", failure);
    EXPECT_EQ(openDialogs(), 1);
    reportError(p.state, "modGlobalConfig", "ExecuteSQLCommand", failure);
    EXPECT_EQ(openDialogs(), 2) << "a different report is shown";

    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == "frmErrorMessage") window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    reportError(p.state, "modGlobalConfig", "GetRecordset", failure);
    EXPECT_EQ(openDialogs(), 1) << "once closed, it is shown again";
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
