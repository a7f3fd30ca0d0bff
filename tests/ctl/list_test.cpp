// Lists: a radio group sized by its items with one selection, a fixed-height
// list scrolled by the keyboard with its scroll bar following, selection by
// name, and a file list filled from a pattern.
#include <gtest/gtest.h>

#include <algorithm>

#include "ctl_fixture.h"

namespace {

const char kScreen[] =
    "World\nname\tScr\nbKeysMoveFocus\t1\nobjs\t1 2 3\n\n"
    "CtlList\nname\tradios\nx\t10\ny\t10\nobjs\t1 2 3 4\n\n"
    "CtlRadioButton\nname\tr0\ntext\tOne\n\nCtlRadioButton\nname\tr1\ntext\tTwo\n\n"
    "CtlRadioButton\nname\tr2\ntext\tThree\n\nCtlRadioButton\nname\thidden\ntext\tGone\nalpha\t0\n\n"
    "CtlScrollbar1\nname\tvbar\nx\t225\ny\t10\nheight\t100\ntotal\t4\n\n"
    "CtlList\nname\tlong\nx\t120\ny\t10\nwidth\t100\nheight\t40\nvScroll\tScr:vbar\nobjs\t1 2 3 4 5\n\n"
    "CtlListItem\nname\ti0\ntext\tItem0\n\nCtlListItem\nname\ti1\ntext\tItem1\n\n"
    "CtlListItem\nname\ti2\ntext\tItem2\n\nCtlListItem\nname\ti3\ntext\tItem3\n\n"
    "CtlListItem\nname\ti4\ntext\tItem4\n\n";

class CtlListTest : public CtlTest {
protected:
    void SetUp() override
    {
        CtlTest::SetUp();
        loadScreen(kScreen);
    }
    CtlListItem* item(const char* list, int i)
    {
        return memberObj<CtlListItem>(find<CtlList>(list), i);
    }
};

}

TEST_F(CtlListTest, RadioGroupSizesItselfAndKeepsOneSelection)
{
    CtlList* radios = find<CtlList>("radios");
    // Widest item: "Three" and its square; three items and two gaps (the
    // transparent one does not count).
    EXPECT_EQ(radios->bbox.w, 5 * 7 + 14 + 2);
    EXPECT_EQ(radios->bbox.h, 3 * 14 + 2 * 2);
    EXPECT_EQ(item("radios", 1)->bbox.y, 2 + 16) << "items lie in the list's own coordinates";

    // One selection: the gallery's runs select by pen and keys, and check the codes.
    penTap(15, 14);
    run();
    penTap(15, 30);
    run();
    EXPECT_EQ(item("radios", 0)->state, 0);
    EXPECT_EQ(item("radios", 1)->state, 1);
    EXPECT_EQ(CtlList_GetSel(radios, nullptr), 1);
    radios->multiple = 1;
    item("radios", 0)->state = 1;
    EXPECT_EQ(CtlList_GetSel(radios, nullptr), 0) << "the first selected";
}

TEST_F(CtlListTest, FixedListScrollsToTheFocusAndTheBarFollows)
{
    CtlList* list = find<CtlList>("long");
    CtlScrollbar* bar = find<CtlScrollbar>("vbar");
    EXPECT_EQ(list->renderFirst, 0);
    EXPECT_EQ(list->renderLast, 3) << "the fourth item starts below the box";

    penTap(125, 14);  // focus on the first item
    run();
    for (int i = 0; i < 3; i++)
        keyTap(VK_DOWN);
    run();
    EXPECT_EQ(list->focus, 3);
    EXPECT_EQ(list->renderFirst, 1) << "scrolled by just enough";
    EXPECT_EQ(bar->current, 1);
    EXPECT_EQ(list->renderLast, 4);
    EXPECT_EQ(item("long", 0)->bbox.h, 0) << "scrolled out: cannot be hit";

    // The bar drives the list back.
    bar->current = 0;
    frame();
    EXPECT_EQ(list->renderFirst, 0);
    EXPECT_EQ(list->renderLast, 3);
}

TEST_F(CtlListTest, FileListHoldsOneItemPerMatchingFile)
{
    for (const char* name : {"Packs/alpha.pak", "Packs/beta.pak", "Packs/notes.txt"}) {
        std::filesystem::create_directories(path("Packs"));
        writeFile(name, "x");
    }
    CtlFileList* files = create<CtlFileList>(&g_ctlFileListClass);
    add(scr, files);
    EXPECT_EQ(CtlFileList_SetDir(files, nullptr), 0);
    for (int round = 0; round < 2; round++)
        EXPECT_EQ(CtlFileList_SetDir(files, const_cast<char16_t*>(u"Packs/*.pak")), 2);
    ASSERT_EQ(files->objs.count, 2) << "the second fill replaces the first";
    std::vector<std::string> names;
    for (int i = 0; i < 2; i++) {
        CtlFileListItem* it = memberObj<CtlFileListItem>(files, i);
        names.push_back(text(it->text));
        const std::string full = text(it->fullname);
        EXPECT_EQ(full.substr(full.size() - (names.back().size() + 4)), names.back() + ".pak");
        EXPECT_EQ(full.find(dir), 0u) << full;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "beta"}));
    files->showExt = 1;
    CtlFileList_SetDir(files, const_cast<char16_t*>(u"Packs/*.txt"));
    EXPECT_EQ(text(memberObj<CtlFileListItem>(files, 0)->text), "notes.txt");
    // Every name of a folder, sub-folders included, but not the folder itself or its parent.
    std::filesystem::create_directories(path("Packs/sub"));
    ASSERT_EQ(CtlFileList_SetDir(files, const_cast<char16_t*>(u"Packs/*")), 4);
    names.clear();
    for (int i = 0; i < 4; i++)
        names.push_back(text(memberObj<CtlFileListItem>(files, i)->text));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.pak", "beta.pak", "notes.txt", "sub"}));
}
