#include "picture/dib.h"

#include <gtest/gtest.h>

TEST(TDIB, NewBufferIsOnePixelOfEightBits) {
    TDIB dib;
    EXPECT_EQ(dib.Width(), 1);
    EXPECT_EQ(dib.Height(), 1);
    EXPECT_EQ(dib.PixelFormat(), PixelFormat8Bit);
    EXPECT_EQ(dib.GetPixels(0, 0), 0);
}
