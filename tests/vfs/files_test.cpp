// Folders, paths, directory search and plain files.
#include "helpers.h"

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

using namespace vfstest;

namespace {

class Files : public VfsFixture {
protected:
    void mkdirs(const std::string& name)
    {
        ASSERT_EQ(system(("mkdir -p '" + path(name) + "'").c_str()), 0);
    }

    std::vector<std::string> search(const char16_t* pattern)
    {
        std::vector<std::string> names;
        FindEntry e;
        for (bool more = findFirst(pattern, &e); more; more = findNext(&e))
            names.push_back(narrow(e.name) + (e.isDir ? "/" : ""));
        std::sort(names.begin(), names.end());
        return names;
    }
};

}

// The program folder's default, the executable's folder, is where the game's
// end-to-end runs find its archive and write its log (game/e2e_test.cpp).
TEST_F(Files, FoldersEndInSlashAndPathsThatWouldNotFitAreNotBuilt)
{
    folderSetPath(FOLDER_PROGRAM, u"\\Program Files\\Game");
    EXPECT_EQ(narrow(folderPath(FOLDER_PROGRAM)), "/Program Files/Game/");
    EXPECT_EQ(folderPath(4), nullptr);
    EXPECT_EQ(folderPath(-1), nullptr);

    char16_t out[32];
    EXPECT_TRUE(pathInFolder(u"game.exe", FOLDER_PROGRAM, out, 29));  // 20 + 8 characters and the terminator
    EXPECT_EQ(narrow(out), "/Program Files/Game/game.exe");
    EXPECT_FALSE(pathInFolder(u"game.exe", FOLDER_PROGRAM, out, 28));
    EXPECT_TRUE(pathInFolder(u"abc", FOLDER_PROGRAM, out, 24));
    EXPECT_FALSE(pathInFolder(u"abcd", FOLDER_PROGRAM, out, 24));  // would need the 25th for the terminator
    EXPECT_TRUE(pathInFolder(u"rel", FOLDER_NONE, out, 24));
    EXPECT_EQ(narrow(out), "rel");
    EXPECT_FALSE(pathInFolder(u"x", 9, out, 24));
    EXPECT_FALSE(pathInFolder(nullptr, FOLDER_PROGRAM, out, 24));

    char16_t s[] = u"a\\b/c\\";
    slashify(s);
    EXPECT_EQ(narrow(s), "a/b/c/");
    slashify(nullptr);
}

TEST_F(Files, DataFolderIsTheFirstWritableOfProgramDocumentsNone)
{
    // The probe that finds a writable folder leaves no file behind.
    EXPECT_EQ(narrow(folderPath(FOLDER_DATA)), dir);
    EXPECT_FALSE(isFile(u"tobextst"));

    std::string docs = makeTempDir();
    folderSetPath(FOLDER_PROGRAM, u"/nonexistent-tobex-folder/");
    folderSetPath(FOLDER_DOCUMENTS, wide(docs).c_str());
    EXPECT_EQ(narrow(folderPath(FOLDER_DATA)), docs);
    EXPECT_EQ(readFile(docs + "tobextst"), "");
    EXPECT_NE(access((docs + "tobextst").c_str(), F_OK), 0);
    // Names are then searched in the data folder, absolute ones too.
    writeFile(docs + "prefs.w", "from data");
    EXPECT_EQ(vfsSlurp(u"prefs.w"), "from data");
    EXPECT_EQ(vfsSlurp(u"/prefs.w"), "from data");

    folderSetPath(FOLDER_DOCUMENTS, u"/nonexistent-tobex-docs/");
    EXPECT_EQ(narrow(folderPath(FOLDER_DATA)), "");

    // Without a path set, documents are the per-user data folder, created on first use.
    const char* saved = getenv("XDG_DATA_HOME");
    std::string savedValue = saved ? saved : "";
    setenv("XDG_DATA_HOME", docs.c_str(), 1);
    folderSetPath(FOLDER_DOCUMENTS, nullptr);
    std::string userDir = narrow(folderPath(FOLDER_DOCUMENTS));
    EXPECT_EQ(userDir.rfind(docs, 0), 0u) << userDir;
    EXPECT_EQ(userDir.back(), '/');
    struct stat st;
    EXPECT_TRUE(stat(userDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    if (saved)
        setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    folderSetPath(FOLDER_DOCUMENTS, nullptr);
    EXPECT_EQ(system(("rm -rf '" + docs + "'").c_str()), 0);
}

TEST_F(Files, SearchMatchesWildcardsWithoutCaseUnderTheProgramFolder)
{
    mkdirs("Packs/sub.pak");
    put("Packs/a.pak", "a");
    put("Packs/B.PAK", "bb");
    put("Packs/c.zip", "c");
    put("Packs/cc.zip", "c");
    EXPECT_EQ(search(u"Packs/*.pak"), (std::vector<std::string>{"B.PAK", "a.pak", "sub.pak/"}));
    EXPECT_EQ(search(u"Packs\\?.zip"), std::vector<std::string>{"c.zip"});
    EXPECT_EQ(search(u"Packs/*.none"), std::vector<std::string>{});
    EXPECT_EQ(search(u"Missing/*"), std::vector<std::string>{});

    FindEntry e;
    ASSERT_TRUE(findFirst(u"Packs/B*", &e));
    EXPECT_EQ(narrow(e.fullPath), dir + "Packs/B.PAK");
    EXPECT_FALSE(findNext(&e));  // the end releases the slot
    EXPECT_EQ(e.slot, -1);
    EXPECT_FALSE(findClose(&e));

    // Ten searches at once; the eleventh fails until one is closed.
    FindEntry many[FIND_MAX_SEARCHES + 1];
    for (int i = 0; i < FIND_MAX_SEARCHES; ++i)
        ASSERT_TRUE(findFirst(u"Packs/*", &many[i])) << i;
    EXPECT_FALSE(findFirst(u"Packs/*", &many[FIND_MAX_SEARCHES]));
    EXPECT_TRUE(findClose(&many[3]));
    EXPECT_FALSE(findClose(&many[3]));
    EXPECT_TRUE(findFirst(u"Packs/*", &many[FIND_MAX_SEARCHES]));
    for (FindEntry& f : many)
        findClose(&f);
    // A search with no match leaves its slot free.
    for (int i = 0; i < 2 * FIND_MAX_SEARCHES; ++i)
        EXPECT_FALSE(findFirst(u"Packs/*.none", &e));
    EXPECT_TRUE(findFirst(u"Packs/*", &e));
    findClose(&e);
}
