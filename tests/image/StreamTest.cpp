#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/CxCreateOnWriteFile.h"
#include "image/CxIOFile.h"
#include "image/CxMemFile.h"
#include "tests/support/TestSupport.h"

TEST(MemFile, ReadsWholeElementsAndSeeksFromEachOrigin) {
    BYTE block[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 255};
    CxMemFile f(block, 10);
    DWORD out[4] = {};
    EXPECT_EQ(f.Read(out, 4, 4), 2u);
    f.Seek(-1, SEEK_END);
    EXPECT_EQ(f.GetC(), 255) << "a byte of 255 is not the end";
    EXPECT_EQ(f.GetC(), -1);
    EXPECT_TRUE(f.Seek(-5, SEEK_SET)); // clamps below zero only
    EXPECT_EQ(f.Tell(), 0);
    EXPECT_TRUE(f.Seek(100, SEEK_SET));
    EXPECT_FALSE(f.Seek(3, 3));
}

TEST(MemFile, GrowsInWholePagesAndZeroesAGapWrittenPast) {
    CxMemFile f;
    ASSERT_TRUE(f.Open());
    EXPECT_FALSE(f.Open());
    f.PutC(1);
    f.Seek(5, SEEK_SET);
    EXPECT_TRUE(f.PutC(2));
    EXPECT_EQ(f.Capacity(), 4096);
    const BYTE* b = f.GetBuffer(false);
    EXPECT_EQ(std::vector<BYTE>(b, b + 6), (std::vector<BYTE>{1, 0, 0, 0, 0, 2}));
    const std::string big(8186, 'x');
    EXPECT_EQ(f.Write(big.data(), 1, big.size()), big.size()); // needs exactly 8192
    EXPECT_EQ(f.Capacity(), 12288);
    EXPECT_EQ(f.Size(), 8192);
}

TEST(MemFile, CallersBlockIsCopiedWhenItMustGrow) {
    BYTE block[4] = {1, 2, 3, 4};
    {
        CxMemFile f(block, 4);
        f.Seek(0, SEEK_END);
        EXPECT_TRUE(f.PutC(5));
        EXPECT_NE(f.GetBuffer(false), block);
        EXPECT_EQ(std::memcmp(f.GetBuffer(false), "\1\2\3\4\5", 5), 0);
    } // the stream frees its own copy; the caller's block is untouched
    EXPECT_EQ(block[3], 4);

    CxMemFile inPlace(block, 4);
    inPlace.PutC(9);
    EXPECT_EQ(block[0], 9);
    EXPECT_TRUE(inPlace.Close());
    EXPECT_EQ(inPlace.Size(), 4) << "a caller's block stays attached";
}

TEST(MemFile, FailedGrowthKeepsTheBlockAndDetachedBuffersOutliveTheStream) {
    BYTE* kept = nullptr;
    {
        CxMemFile f;
        f.Open();
        f.Write("abc", 1, 3);
        EXPECT_EQ(f.Write("abc", SIZE_MAX / 2, 4), 0u);
        EXPECT_TRUE(f.Seek(LONG_MAX, SEEK_SET));
        EXPECT_TRUE(f.Seek(LONG_MAX, SEEK_CUR)) << "saturates";
        EXPECT_EQ(f.Write("abc", 1, 2), 0u);
        EXPECT_FALSE(f.PutC(1));
        EXPECT_EQ(f.Size(), 3);
        kept = f.GetBuffer(true);
    }
    EXPECT_EQ(std::memcmp(kept, "abc", 3), 0);
    std::free(kept);
}

TEST(IOFile, CallersStreamStaysOpenAndSizeKeepsThePosition) {
    std::FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    {
        CxIOFile f(fp);
        EXPECT_EQ(f.Write("hello", 1, 5), 5u);
        f.Seek(3, SEEK_SET);
        EXPECT_EQ(f.Size(), 5);
        EXPECT_EQ(f.Tell(), 3);
        EXPECT_TRUE(f.Close());
        EXPECT_EQ(f.GetC(), 'l') << "Close leaves a caller's stream attached";
        EXPECT_FALSE(f.Open("/nonexistent", "rb")) << "already attached";
    }
    EXPECT_EQ(std::fseek(fp, 0, SEEK_SET), 0) << "the destructor left the stream open";
    std::fclose(fp);
}

// The file appears (replacing an old one) only with the first write; a close
// without writes still leaves an empty file, as a successful empty encode
// must.
TEST(CreateOnWriteFile, CreatesTheFileOnlyWhenWrittenOrClosed) {
    const std::string path = testing::TempDir() + "torvex_create_on_write";
    {
        std::FILE* old = std::fopen(path.c_str(), "wb");
        std::fputs("old", old);
        std::fclose(old);
    }
    {
        CxCreateOnWriteFile unused(path.c_str());
        EXPECT_EQ(unused.Tell(), 0);
        EXPECT_EQ(unused.Error(), 0);
    }
    EXPECT_EQ(testsupport::ReadFile(path), "old") << "never written: the old file stays";

    CxCreateOnWriteFile f(path.c_str());
    EXPECT_EQ(f.Write("new", 1, 3), 3u);
    EXPECT_TRUE(f.PutC('!'));
    EXPECT_EQ(f.Tell(), 4);
    EXPECT_TRUE(f.Close());
    EXPECT_EQ(testsupport::ReadFile(path), "new!");

    CxCreateOnWriteFile empty(path.c_str());
    EXPECT_TRUE(empty.Close());
    EXPECT_EQ(testsupport::ReadFile(path), "");
    std::remove(path.c_str());
}

TEST(CreateOnWriteFile, AFileThatCannotBeCreatedFailsEveryWrite) {
    CxCreateOnWriteFile f((testing::TempDir() + "torvex_no_such_folder/x").c_str());
    EXPECT_FALSE(f.CreateFailed());
    EXPECT_EQ(f.Write("x", 1, 1), 0u);
    EXPECT_TRUE(f.CreateFailed());
    EXPECT_NE(f.Error(), 0);
    EXPECT_FALSE(f.Close());
}
