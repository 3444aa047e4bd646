#include <gtest/gtest.h>

#include <cstring>

#include "image/CxImage.h"

TEST(Lifetime, GhostSharesPixelsAndFreesNothing) {
    CxImage body(5, 5, 24);
    body.AlphaCreate();
    {
        CxImage ghost;
        ghost.Ghost(&body);
        ghost.SetPixelColor(2, 2, RGB(1, 2, 3));
        EXPECT_EQ(ghost.Create(3, 3, 8), nullptr);
        CxImage other(2, 2, 24);
        EXPECT_FALSE(ghost.Transfer(other));
        ghost.AlphaDelete(); // the body's plane is not the ghost's to free
        CxImage copy(ghost); // an independent image, not a ghost
        EXPECT_NE(copy.GetDIB(), body.GetDIB());
        EXPECT_NE(copy.Create(2, 2, 8), nullptr);
    }
    EXPECT_TRUE(body.AlphaIsValid());
    EXPECT_EQ(body.GetPixelColor(2, 2, false), (RGBQUAD{3, 2, 1, 0}));
}

TEST(Lifetime, CopyDuplicatesBlockAndPlanes) {
    CxImage src(6, 4, 4);
    src.SetPaletteColor(3, RGB(10, 20, 30));
    src.SetPixelIndex(5, 3, 3);
    src.AlphaCreate();
    src.AlphaSet(5, 3, 77);
    src.SetTransIndex(2);
    CxImage copy;
    copy = src;
    copy = copy;
    ASSERT_NE(copy.GetDIB(), src.GetDIB());
    EXPECT_EQ(0, std::memcmp(copy.GetDIB(), src.GetDIB(), src.GetSize()));
    EXPECT_EQ(copy.AlphaGet(5, 3), 77);
    EXPECT_EQ(copy.GetTransIndex(), 2);
    CxImage empty;
    EXPECT_EQ(CxImage(empty).GetBits(), nullptr);
    empty.CopyInfo(src); // only an empty image takes the info
    EXPECT_EQ(empty.GetTransIndex(), 2);
    copy.CopyInfo(CxImage());
    EXPECT_EQ(copy.GetTransIndex(), 2);
}
