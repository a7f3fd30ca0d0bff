// The control classes and the font object: descriptors inside their records,
// fonts that are missing, of the wrong class or unusable drawing nothing, and
// controls whose references name nothing usable.
#include <gtest/gtest.h>

#include "ctl/draw.h"
#include "ctl_fixture.h"

namespace {

ClassDesc* const kAll[] = {&g_ctlFontClass,         &g_ctlBaseClass,         &g_ctlStaticClass,
                           &g_ctlTimerClass,        &g_ctlButtonClass,       &g_ctlEditBoxClass,
                           &g_ctlButton2StateClass, &g_ctlCheckboxClass,     &g_ctlScrollbarClass,
                           &g_ctlScrollbar1Class,   &g_ctlScrollbar2Class,   &g_ctlListItemClass,
                           &g_ctlRadioButtonClass,  &g_ctlFileListItemClass, &g_ctlListClass,
                           &g_ctlFileListClass,     &g_ctlWindowClass};

}

// The slot tables themselves are the registration's; inheritance is tested
// with the engine's classes, and the gallery calls every control's slots.
TEST_F(CtlTest, EveryDescriptorLiesInsideItsRecord)
{
    for (ClassDesc* cls : kAll)
        for (uint32_t i = 0; i < cls->nProps; i++)
            EXPECT_LE(cls->descs[i].offset + cls->descs[i].size, cls->objectSize)
                << cls->name << "." << cls->descs[i].name;
}

TEST_F(CtlTest, FontsThatCannotDrawDrawNothing)
{
    SURFACE* s = sfCreate(64, 32, PF_565, false, SF_NO_KEY, nullptr);
    ASSERT_NE(s, nullptr);
    ViewRect view = {s, 0, 0, {0, 0, 64, 32}};
    CtlStatic* label = create<CtlStatic>(&g_ctlStaticClass);
    PropFromStr("AB", PT_TSTRING, &label->text);
    auto drawn = [&]() {
        gfxSetColor(0);
        sfFillRect(s, nullptr);
        calcObjBBox(label, &view);
        label->bbox.x = label->bbox.y = 0;
        CtlStatic_Render(label, &view);
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 64; x++)
                if (sfGetPixel(s, x, y))
                    return true;
        return false;
    };
    EXPECT_TRUE(drawn()) << "no font object: the system font";
    EXPECT_EQ(label->bbox.w, 14);

    // A font object of another class is not read as a font.
    label->font = objId(create<Str>(&g_strClass));
    EXPECT_TRUE(drawn());

    // A font without a sheet, one whose grid does not fit its sheet, one with
    // an empty cell, and one whose first character is no character all draw nothing.
    writeFontSheet("small.tga", 2, 2);
    Sprite* sheet = create<Sprite>(&g_spriteClass);
    PropFromStr("small.tga", PT_TSTRING, &sheet->file);
    CtlFont* font = create<CtlFont>(&g_ctlFontClass);
    label->font = objId(font);
    EXPECT_FALSE(drawn());
    font->sprite = objId(sheet);
    font->nCharWidth = 7;
    font->nCharHeight = 14;
    font->nXSrcOffs = font->nYSrcOffs = font->nXSrcSpacing = font->nYSrcSpacing = 1;
    font->nXSrcChars = 14;
    font->nYSrcChars = 7;
    font->nFirstChar = 'A';
    EXPECT_EQ(CtlFont_Create(font, nullptr), 1);
    EXPECT_FALSE(drawn());
    font->nXSrcChars = font->nYSrcChars = 2;
    font->nCharWidth = 0;
    EXPECT_EQ(CtlFont_Create(font, nullptr), 1);
    EXPECT_FALSE(drawn());
    font->nCharWidth = 7;
    font->nFirstChar = -5;
    EXPECT_EQ(CtlFont_Create(font, nullptr), 1);
    EXPECT_EQ(font->font.sf, nullptr);
    font->nFirstChar = 'A';
    EXPECT_EQ(CtlFont_Create(font, nullptr), 0);
    EXPECT_EQ(font->font.nLastChar, 'D');
    EXPECT_TRUE(drawn());

    // The sheet is the sprite's: once the sprite is gone the font draws nothing.
    objDestroy(sheet);
    EXPECT_FALSE(drawn());
    EXPECT_EQ(CtlFont_Create(font, nullptr), 0);
    EXPECT_FALSE(drawn());
    sfDestroy(s);
}

// References that name nothing or an object of another class: each control
// draws and behaves without what is missing (no image, no scroll bar). The
// timer watching a Str is the static test's.
TEST_F(CtlTest, ControlsDoWithoutMissingOrWrongReferences)
{
    loadScreen("World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3 4\n\n"
               "Str\nname\tnote\n\n"
               "CtlStatic\nname\tlabel\nx\t5\ny\t5\ntext\tabc\nsprite\t1\n\n"
               "CtlButton\nname\tbutton\nx\t5\ny\t30\ntext\tOk\nsprite\t99\nidCtl\t4\n\n"
               "CtlList\nname\tlist\nx\t5\ny\t60\nwidth\t60\nheight\t20\nvScroll\t1\nobjs\t1 2 3\n\n"
               "CtlListItem\ntext\tone\nheight\t16\n\nCtlListItem\ntext\ttwo\nheight\t16\n\n"
               "CtlListItem\ntext\tthree\nheight\t16\n\n");
    EXPECT_EQ(find<CtlStatic>("label")->bbox.w, 21) << "sized by its text, not by a Str read as a sprite";
    CtlButton* button = find<CtlButton>("button");
    penTap(button->bbox.x + 2, button->bbox.y + 2);
    EXPECT_EQ(run(), (std::vector<int>{1, 4}));

    // The list scrolls to its focus with no bar to follow it.
    CtlList* list = find<CtlList>("list");
    for (int i = 0; i < 4; i++)
        keyTap(VK_DOWN);
    run();
    EXPECT_EQ(list->renderFirst, list->focus);
    EXPECT_GT(list->renderFirst, 0);
}
