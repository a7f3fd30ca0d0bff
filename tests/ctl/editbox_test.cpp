// The edit box fed from the input queue as a desktop keyboard feeds it: typed
// characters (Latin-1 included, and the letters that double as buttons), the
// cursor keys, backspace, a full field, leaving by key, and the by-name access.
#include <gtest/gtest.h>

#include "ctl_fixture.h"

namespace {

// A font of all 224 characters 32..255, and the system font of 32..129.
const char kScreen[] =
    "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3 4 5\n\n"
    "Sprite\nname\tsheet\nfile\tlatin.tga\n\n"
    "CtlFont\nname\tlatin\nsprite\tScr:sheet\nnCharWidth\t7\nnCharHeight\t14\nbVariableSpacing\t0\nbBlend\t0\n"
    "nXSrcSpacing\t1\nnYSrcSpacing\t1\nnXSrcOffs\t1\nnYSrcOffs\t1\nnXSrcChars\t16\nnYSrcChars\t14\nnFirstChar\t32\n\n"
    "CtlEditBox\nname\tedit\nfont\tScr:latin\ntext\tab        \nx\t10\ny\t10\ntextAlign\t1\ncolBkg\t64 64 64\n\n"
    "CtlButton\nname\tok\ntext\tOK\nx\t10\ny\t60\nidCtl\t3\n\n"
    "CtlEditBox\nname\tshort\ntext\t     \nx\t10\ny\t100\ntextAlign\t1\n\n";

class CtlEditTest : public CtlTest {
protected:
    CtlEditBox* edit = nullptr;

    void SetUp() override
    {
        CtlTest::SetUp();
        writeFontSheet("latin.tga", 16, 14);
        loadScreen(kScreen);
        edit = find<CtlEditBox>("edit");
        ASSERT_NE(edit, nullptr);
    }

    static InputEvent repeat(char16_t ch)
    {
        return InputEvent{EV_REPEAT, KEY_RAW, ch, 0, 0, nullptr};
    }
};

}

TEST_F(CtlEditTest, KeyboardTypesEveryCharacterOfTheFont)
{
    EXPECT_EQ(edit->bbox.w, 10 * 7 + 8) << "ten W and the margins";
    keyTap(VK_DOWN);
    run();
    ASSERT_NE(edit->infocus, 0);

    // "z" is also the A button: its key press and release are swallowed and its
    // character is typed.
    inputKeyMessage('Z', true);
    inputCharMessage(u'z');
    inputKeyMessage('Z', false);
    type(u"1,\u00e9~");
    run();
    EXPECT_EQ(text(edit->text), "abz1,\u00e9~   ");
    EXPECT_NE(edit->infocus, 0) << "typing a button's letter does not move the focus";

    inputCharMessage(8);
    inputKeyMessage(VK_LEFT, true);
    inputKeyMessage(VK_LEFT, true);  // held: only the press moves
    inputKeyMessage(VK_LEFT, false);
    keyTap(VK_LEFT);
    type(u"Q");
    run();
    EXPECT_EQ(text(edit->text), "abz1Q,\u00e9   ");
    EXPECT_EQ(edit->cursorPos, 5);
    EXPECT_EQ(edit->textLen, 7);

    // A character the font cannot draw is left to the World.
    InputEvent beyond = repeat(0x100);
    EXPECT_EQ(CtlEditBox_KeyPress(edit, &beyond), 0);
    InputEvent control = repeat(27);
    EXPECT_EQ(CtlEditBox_KeyPress(edit, &control), 0);

    // Up and down leave the field.
    keyTap(VK_DOWN);
    run();
    EXPECT_EQ(edit->infocus, 0);
    EXPECT_NE(find<CtlButton>("ok")->infocus, 0);
}

TEST_F(CtlEditTest, FullFieldsAndTheFirstPositionChangeNothing)
{
    CtlEditBox* shortBox = find<CtlEditBox>("short");
    EXPECT_EQ(shortBox->textLen, 0);
    EXPECT_EQ(shortBox->bbox.w, 5 * 7);
    penTap(12, 105);
    type(u"abcdefg\u00e9");  // the system font stops at 129: no e acute
    run();
    EXPECT_EQ(text(shortBox->text), "abcde");
    for (int i = 0; i < 6; i++)
        keyTap(VK_LEFT);
    inputCharMessage(8);
    run();
    EXPECT_EQ(text(shortBox->text), "abcde");
    EXPECT_EQ(shortBox->cursorPos, 0);

    // A tap places the cursor before the character under the pen.
    penTap(10 + 4 + 9, 15);
    run();
    EXPECT_EQ(edit->cursorPos, 1);

    // Values a World file should not hold are clamped, never used as indexes.
    edit->textLen = 1000;
    edit->cursorPos = 2000;
    inputCharMessage(8);
    type(u"X");
    run();
    EXPECT_EQ(text(edit->text), "ab       X");
}

TEST_F(CtlEditTest, ProgramsReadAndWriteTheContentByName)
{
    auto setText = reinterpret_cast<int (*)(void*, void*)>(methodFind("CtlEditBox_SetText"));
    auto getText = reinterpret_cast<int (*)(void*, void*)>(methodFind("CtlEditBox_GetText"));
    ASSERT_TRUE(setText && getText);
    char16_t eleven[] = u"abcdefghijk";
    EXPECT_EQ(setText(edit, eleven), 0);
    EXPECT_EQ(text(edit->text), "ab        ");
    char16_t piped[] = u"ab|cd";
    EXPECT_EQ(setText(edit, piped), 1);
    EXPECT_EQ(text(edit->text), "ab|cd     ");
    char16_t small[] = u"123456789";
    EXPECT_EQ(getText(edit, small), 0) << "shorter than the field";
    char16_t out[] = u"0123456789";
    EXPECT_EQ(getText(edit, out), 1);
    EXPECT_EQ(text(out), "ab");
    EXPECT_EQ(CtlEditBox_Sync(edit, nullptr), 0);
    EXPECT_EQ(edit->textLen, 5);
}
