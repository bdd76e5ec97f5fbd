#include "errors/ErrorReport.h"
#include "errors/WindowsVersion.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::TestProgram;

TEST(ErrorReport, EightLinesWithoutATrailingLineFeed) {
    TestProgram p;
    p.state.session.DataAccessVersionSource = [] { return QString("2.8"); };
    ShowErrorMessage(p.state, {.message = kFatalErrorMessage,
                               .module = "frmStartUp",
                               .procedure = "CreateMusicLibrary",
                               .number = -2147217900,
                               .description = "Syntax error"});
    ASSERT_EQ(p.ui.messages.size(), 1);
    const DialogContent& m = p.ui.messages[0];
    EXPECT_TRUE(m.isReport);
    EXPECT_EQ(m.title, "An Unexpected Error Has Occurred!!");
    EXPECT_EQ(m.message, kFatalErrorMessage);
    EXPECT_EQ(
        m.reportText.split('\n'),
        QStringList({"Application: Orvella Configurator Version: 8.1.9", "Operating System: " + GetWindowsVersion(),
                     "MDAC Version: 2.8", "Module: frmStartUp", "Procedure: CreateMusicLibrary",
                     "Error Number: -2147217900", "Error Description: Syntax error", "Code Line: 0"}));
}

TEST(ErrorReport, HeadingsAreBoldWithTheBlankAfterThem) {
    const QString text =
        "Application: Orvella Configurator Version: 8.1.9\nOperating System: X\nMDAC Version: 3\n"
        "Module: m\nProcedure: p\nError Number: 5\nError Description: Module: again\nCode Line: 7";
    QStringList bold;
    for (const DialogContent::Range& r : reportBoldRanges(text)) bold << text.mid(r.start, r.length);
    EXPECT_EQ(bold, QStringList({"Application: ", "Version: ", "Operating System: ", "MDAC Version: ", "Module: ",
                                 "Procedure: ", "Error Number: ", "Error Description: ", "Code Line: "}));
    // The first occurrence in the whole text counts: "Version:" inside the first line.
    EXPECT_EQ(reportBoldRanges(text)[1].start, QString("Application: Orvella Configurator ").size());
    EXPECT_EQ(reportBoldRanges(text)[4].start, text.indexOf("Module: m"));
    EXPECT_TRUE(reportBoldRanges("nothing here").isEmpty());
}

TEST(ErrorReport, PlainMessagesCarryNoReport) {
    TestProgram p;
    showPlainMessage(p.state, "Hello", "Title Here", DialogContent::Information);
    ShowErrorMessage(p.state, {.icon = 9});
    ASSERT_EQ(p.ui.messages.size(), 2);
    EXPECT_FALSE(p.ui.messages[0].isReport);
    EXPECT_TRUE(p.ui.messages[0].reportText.isEmpty());
    EXPECT_EQ(p.ui.messages[0].icon, DialogContent::Information);
    EXPECT_EQ(p.ui.messages[1].message, "Error Message");
    EXPECT_EQ(p.ui.messages[1].icon, DialogContent::BuiltIn);
    EXPECT_EQ(p.ui.endProgramCalls, 0);
}

TEST(ErrorReport, ErrorTrapRemembersWhereItFailedAndEndProgramEnds) {
    TestProgram p;
    {
        const ErrorTrap run(p.state, "frmStartUp", "cmdDatabase_Click");
        reportError(p.state, "frmStartUp", "cmdClear_Click", RuntimeError(76, "Path not found"), kFatalErrorMessage, 4);
        EXPECT_EQ(p.state.ErrorProcName, "cmdDatabase_Click") << "the trap around it names the location again";
    }
    EXPECT_TRUE(p.state.ErrorModuleName.isEmpty());
    ASSERT_EQ(p.ui.messages.size(), 1);
    EXPECT_TRUE(
        p.ui.messages[0].reportText.endsWith("Module: frmStartUp\nProcedure: cmdClear_Click\nError Number: "
                                             "76\nError Description: Path not found\nCode Line: 4"));
    EXPECT_EQ(p.ui.endProgramCalls, 0);

    EXPECT_THROW(ShowErrorMessage(p.state, {.message = "Bye", .endProgram = true}), ProgramEnd) << "it unwinds to main";
    EXPECT_EQ(p.ui.endProgramCalls, 1);
    EXPECT_TRUE(p.state.run.CloseRequested) << "a long run stops at its next test";
}

TEST(ErrorReport, QuestionsAnswerYesOnlyOnYes) {
    TestProgram p;
    p.ui.answers = {Answer::Yes, Answer::No};
    EXPECT_EQ(AskQuestion(p.state, "Sure?", "Orvella"), Answer::Yes);
    EXPECT_EQ(AskQuestion(p.state, "Sure?", "Orvella"), Answer::No);
    EXPECT_EQ(AskQuestion(p.state, "Sure?", ""), Answer::No) << "a dialog closed without an answer is No";
    ASSERT_EQ(p.ui.questions.size(), 3);
    EXPECT_EQ(p.ui.questions[0].icon, DialogContent::Question);
    EXPECT_EQ(p.ui.questions[0].title, "Orvella");
    EXPECT_EQ(p.ui.questions[2].title, "An Unexpected Error Has Occurred!!");
}

}  // namespace
}  // namespace orv
