#include "platform/MessageBox.h"
#include "platform/ScriptedMessageBox.h"

#include <gtest/gtest.h>

TEST(MessageBox, DefaultAnswersAreTheDefaultButtons) {
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OK | MB_ICONHAND), IDOK);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNO), IDYES);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
}

TEST(MessageBox, ScriptedHandlerAnswersInOrderAndRecordsEveryBox) {
    {
        CScriptedMessageBox boxes;
        boxes.Answer(IDNO);
        boxes.Answer(IDRETRY);
        EXPECT_EQ(MessageBox("Fix the TOC?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
        EXPECT_EQ(AfxMessageBox("Again?", MB_RETRYCANCEL), IDRETRY);
        // Script exhausted: the default button answers.
        EXPECT_EQ(AfxMessageBox("Proceed?", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
        ASSERT_EQ(boxes.Boxes().size(), 3u);
        EXPECT_EQ(boxes.Boxes()[0].text, "Fix the TOC?");
        EXPECT_EQ(boxes.Boxes()[0].caption, "Question");
        EXPECT_EQ(boxes.Boxes()[0].type, MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(boxes.Boxes()[1].caption, "Tessarine");
        EXPECT_EQ(boxes.Boxes()[2].answer, IDCANCEL);
    }
    // Handlers nest: an inner scripted handler restores the outer one.
    CScriptedMessageBox outer;
    {
        CScriptedMessageBox inner;
        AfxMessageBox("inner");
        EXPECT_EQ(inner.Boxes().size(), 1u);
    }
    AfxMessageBox("outer");
    ASSERT_EQ(outer.Boxes().size(), 1u);
    EXPECT_EQ(outer.Boxes()[0].text, "outer");
}
