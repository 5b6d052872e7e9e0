#include "app/Letterbox.h"

#include <gtest/gtest.h>

using app::Letterbox;

namespace {
const ui::Size kPoints { 1024, 768 };
}

TEST(LetterboxTest, ExactSizeMapsOneToOne)
{
    auto box = Letterbox::fit(kPoints, 1024, 768, 1024, 768);
    EXPECT_DOUBLE_EQ(box.scale, 1);
    EXPECT_EQ(box.pictureWidth, 1024);
    EXPECT_EQ(box.pictureHeight, 768);
    auto p = box.pointForMouse(300, 200);
    EXPECT_DOUBLE_EQ(p.x, 300);
    EXPECT_DOUBLE_EQ(p.y, 200);
}

TEST(LetterboxTest, WideWindowGetsBarsLeftAndRight)
{
    auto box = Letterbox::fit(kPoints, 1600, 600, 1600, 600);
    EXPECT_DOUBLE_EQ(box.scale, 600.0 / 768);
    EXPECT_EQ(box.pictureWidth, 800);
    EXPECT_EQ(box.pictureHeight, 600);
    EXPECT_DOUBLE_EQ(box.offsetX, 400);
    EXPECT_DOUBLE_EQ(box.offsetY, 0);
    auto centre = box.pointForMouse(800, 300);
    EXPECT_DOUBLE_EQ(centre.x, 512);
    EXPECT_DOUBLE_EQ(centre.y, 384);
    // Over the left bar: left of the picture.
    EXPECT_LT(box.pointForMouse(100, 300).x, 0);
}

TEST(LetterboxTest, TallWindowGetsBarsAboveAndBelow)
{
    auto box = Letterbox::fit(kPoints, 512, 1000, 512, 1000);
    EXPECT_DOUBLE_EQ(box.scale, 0.5);
    EXPECT_EQ(box.pictureHeight, 384);
    EXPECT_DOUBLE_EQ(box.offsetY, 308);
    auto p = box.pointForMouse(0, 308);
    EXPECT_DOUBLE_EQ(p.x, 0);
    EXPECT_DOUBLE_EQ(p.y, 0);
    EXPECT_GT(box.pointForMouse(256, 900).y, 768);
}

TEST(LetterboxTest, HighDensityDrawsEveryPixelAndMapsMouseUnits)
{
    // A 2x screen: the window is 1024 x 768 units but 2048 x 1536 pixels.
    auto box = Letterbox::fit(kPoints, 2048, 1536, 1024, 768);
    EXPECT_DOUBLE_EQ(box.scale, 2);
    EXPECT_EQ(box.pictureWidth, 2048);
    auto p = box.pointForMouse(512, 384);
    EXPECT_DOUBLE_EQ(p.x, 512);
    EXPECT_DOUBLE_EQ(p.y, 384);
}

TEST(LetterboxTest, OddSizesKeepThePictureOnWholePixels)
{
    auto box = Letterbox::fit(kPoints, 1025, 900, 1025, 900);
    EXPECT_EQ(box.offsetX, static_cast<int>(box.offsetX));
    EXPECT_EQ(box.offsetY, static_cast<int>(box.offsetY));
    EXPECT_LE(box.offsetY * 2 + box.pictureHeight, 900);
    // A degenerate drawable never divides by zero.
    auto tiny = Letterbox::fit(kPoints, 0, 0, 0, 0);
    EXPECT_GT(tiny.scale, 0);
    EXPECT_GE(tiny.pictureWidth, 1);
}
