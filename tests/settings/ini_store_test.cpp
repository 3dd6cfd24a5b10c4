#include <gtest/gtest.h>
#include <unistd.h>

#include "settings/ini_store.h"
#include "tests/support/temp_dir.h"

namespace mora {
namespace {

TEST(IniStore, WriteOnAMissingFileCreatesSectionAndKey) {
    test::TempDir dir;
    const std::string path = dir.File("size.txt");
    IniWriteInt("Size", "Landscape", 0, path);
    EXPECT_EQ(test::ReadFileText(path), "\r\n[Size]\r\nLandscape=0\r\n");
    EXPECT_EQ(IniReadInt("Size", "Landscape", 7, path), 0);
    EXPECT_EQ(IniReadInt("Size", "Big", 1, path), 1);
    EXPECT_EQ(IniReadInt("Other", "Landscape", 5, dir.File("missing.txt")), 5);
}

TEST(IniStore, KeysMatchByPrefixAndStopAtTheNextSection) {
    test::TempDir dir;
    const std::string path = dir.File("size.txt");
    test::WriteFileText(path, "[Size] Bigger=0\n[Pos]\nBig=5 NoValue\n");
    EXPECT_EQ(IniReadInt("Size", "Big", 1, path), 0);
    EXPECT_EQ(IniReadInt("Size", "Landscape", 3, path), 3);  // not taken from [Pos]
    EXPECT_EQ(IniReadInt("Pos", "Big", 1, path), 5);
    EXPECT_EQ(IniReadInt("Pos", "NoValue", 9, path), 9);
    EXPECT_EQ(IniReadInt("Missing", "Big", 4, path), 4);
}

TEST(IniStore, RewriteNormalisesAndInsertsBeforeTheNextSection) {
    test::TempDir dir;
    const std::string path = dir.File("pos.txt");
    // The rewrite once went through a fixed "temp.ini" that anyone could plant as a link.
    ASSERT_EQ(::symlink(dir.File("elsewhere").c_str(), dir.File("temp.ini").c_str()), 0);
    test::WriteFileText(path, "[A]   X=1\n\n\n[B]\tY=2\n");
    IniWriteInt("A", "Z", 3, path);
    EXPECT_EQ(test::ReadFileText(path), "\r\n[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
    IniWriteInt("B", "Y", -4, path);  // replaces the old token in place
    EXPECT_EQ(test::ReadFileText(path), "\r\n[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=-4\r\n");
    IniWriteInt("B", "W", 8, path);  // absent key in the last section: appended
    EXPECT_EQ(IniReadInt("B", "W", 0, path), 8);
    IniWriteInt("C", "V", 1, path);  // a new section is added at the end
    EXPECT_EQ(test::ReadFileText(path),
              "\r\n[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=-4\r\nW=8\r\n\r\n[C]\r\nV=1\r\n");
    EXPECT_FALSE(test::FileExists(dir.File("elsewhere")));
}

}  // namespace
}  // namespace mora
