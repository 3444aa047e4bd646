#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/CxIOFile.h"
#include "image/CxMemFile.h"
#include "image/codecs/CodecIO.h"

TEST(MemFile, ReadsWholeElementsFromACallersBlock) {
    BYTE block[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 255};
    CxMemFile f(block, 10);
    DWORD out[4] = {};
    EXPECT_EQ(f.Read(out, 4, 4), 2u);
    EXPECT_EQ(f.Tell(), 10);
    EXPECT_EQ(f.Read(out, 1, 1), 0u);
    EXPECT_TRUE(f.Eof());
    EXPECT_EQ(f.GetC(), -1);
    f.Seek(-1, 2);
    EXPECT_EQ(f.GetC(), 255) << "a byte of 255 is not the end";
    EXPECT_EQ(f.Read(nullptr, 1, 1), 0u);
}

TEST(MemFile, SeekClampsBelowZeroOnlyAndRejectsUnknownOrigins) {
    BYTE block[10] = {};
    CxMemFile f(block, 10);
    EXPECT_TRUE(f.Seek(-5, 0));
    EXPECT_EQ(f.Tell(), 0);
    EXPECT_TRUE(f.Seek(100, 0));
    EXPECT_TRUE(f.Eof());
    EXPECT_EQ(f.Error(), 1);
    EXPECT_FALSE(f.Seek(3, 3));
    EXPECT_EQ(f.Tell(), 100);
    EXPECT_TRUE(f.Seek(4, 1));
    EXPECT_EQ(f.Tell(), 104);
}

TEST(MemFile, GrowsInWholePages) {
    CxMemFile f;
    ASSERT_TRUE(f.Open());
    EXPECT_FALSE(f.Open());
    EXPECT_EQ(f.Size(), 0);
    EXPECT_EQ(f.Tell(), 0);
    EXPECT_TRUE(f.PutC(7));
    EXPECT_EQ(f.Capacity(), 4096);
    EXPECT_EQ(f.Size(), 1);
    std::string big(8191, 'x');
    EXPECT_EQ(f.Write(big.data(), 1, big.size()), big.size()); // needs exactly 8192
    EXPECT_EQ(f.Capacity(), 12288);
    EXPECT_EQ(f.Size(), 8192);
}

TEST(MemFile, WritePastTheEndZeroesTheGap) {
    CxMemFile f;
    f.Open();
    f.PutC(1);
    f.Seek(10, 0);
    const BYTE two = 2;
    EXPECT_EQ(f.Write(&two, 1, 1), 1u);
    EXPECT_EQ(f.Size(), 11);
    const BYTE* b = f.GetBuffer(false);
    EXPECT_EQ(b[0], 1);
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[10], 2);
}

TEST(MemFile, CallersBlockIsCopiedWhenItMustGrow) {
    BYTE block[4] = {1, 2, 3, 4};
    {
        CxMemFile f(block, 4);
        f.Seek(0, 2);
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

TEST(MemFile, DetachedBufferOutlivesTheStream) {
    BYTE* kept = nullptr;
    {
        CxMemFile f;
        f.Open();
        f.Write("abc", 1, 3);
        kept = f.GetBuffer(true);
    }
    EXPECT_EQ(std::memcmp(kept, "abc", 3), 0);
    std::free(kept);
}

TEST(MemFile, OverflowingSizesFailCleanly) {
    CxMemFile f;
    f.Open();
    const BYTE b = 0;
    EXPECT_EQ(f.Write(&b, SIZE_MAX / 2, 4), 0u);
    EXPECT_TRUE(f.Seek(LONG_MAX, 0));
    EXPECT_TRUE(f.Seek(LONG_MAX, 1)) << "saturates";
    EXPECT_EQ(f.Write(&b, 1, 2), 0u);
    EXPECT_FALSE(f.PutC(1));
    EXPECT_EQ(f.Size(), 0);
}

TEST(MemFile, WithoutABlockEverythingFails) {
    CxMemFile f;
    BYTE b;
    EXPECT_EQ(f.Read(&b, 1, 1), 0u);
    EXPECT_EQ(f.Write(&b, 1, 1), 0u);
    EXPECT_FALSE(f.Seek(0, 0));
    EXPECT_EQ(f.Tell(), -1);
    EXPECT_EQ(f.Size(), -1);
    EXPECT_FALSE(f.Flush());
    EXPECT_TRUE(f.Eof());
    EXPECT_EQ(f.Error(), -1);
    EXPECT_FALSE(f.PutC(1));
    EXPECT_EQ(f.GetC(), -1);
}

TEST(IOFile, CallersStreamStaysOpenAndSizeKeepsThePosition) {
    std::FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    {
        CxIOFile f(fp);
        EXPECT_EQ(f.Write("hello", 1, 5), 5u);
        f.Seek(2, SEEK_SET);
        EXPECT_EQ(f.Size(), 5);
        EXPECT_EQ(f.Tell(), 2);
        EXPECT_EQ(f.GetC(), 'l');
        EXPECT_TRUE(f.Close());
        EXPECT_EQ(f.GetC(), 'l') << "Close leaves a caller's stream attached";
        EXPECT_EQ(f.GetC(), 'o');
        EXPECT_EQ(f.GetC(), -1);
        EXPECT_TRUE(f.Eof());
        EXPECT_FALSE(f.Open("/nonexistent", "rb")) << "already attached";
    }
    EXPECT_EQ(std::fseek(fp, 0, SEEK_SET), 0) << "the destructor left the stream open";
    std::fclose(fp);
}

TEST(IOFile, OwnStreamAndDetachedBehaviour) {
    CxIOFile none;
    BYTE b;
    EXPECT_EQ(none.Read(&b, 1, 1), 0u);
    EXPECT_EQ(none.Size(), -1);
    EXPECT_EQ(none.Error(), -1);
    EXPECT_TRUE(none.Eof());
    EXPECT_FALSE(none.PutC(1));
    EXPECT_FALSE(none.Open("/nonexistent/dir/file", "rb"));

    const std::string path = testing::TempDir() + "torvex_iofile.bin";
    CxIOFile own;
    ASSERT_TRUE(own.Open(path.c_str(), "wb"));
    EXPECT_TRUE(own.PutC(0xAB));
    EXPECT_TRUE(WriteLE32(own, 0x01020304));
    EXPECT_TRUE(own.Close());
    EXPECT_EQ(own.Tell(), 0) << "closed";

    CxIOFile in;
    ASSERT_TRUE(in.Open(path.c_str(), "rb"));
    BYTE first = 0;
    DWORD word = 0;
    WORD half = 0;
    EXPECT_TRUE(ReadByte(in, first));
    EXPECT_TRUE(ReadLE32(in, word));
    EXPECT_EQ(first, 0xAB);
    EXPECT_EQ(word, 0x01020304u);
    EXPECT_FALSE(ReadLE16(in, half)) << "short read";
    std::remove(path.c_str());
}
