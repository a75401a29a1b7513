#include "platform/DialogUnits.h"

#include <QStringList>
#include <gtest/gtest.h>

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(mulDiv(178, 9, 4), 401); // 400.5
    EXPECT_EQ(mulDiv(1, 9, 4), 2);     // 2.25
    EXPECT_EQ(mulDiv(3, 9, 4), 7);     // 6.75
    EXPECT_EQ(mulDiv(-178, 9, 4), -401);
    EXPECT_EQ(mulDiv(11, 96, 72), 15); // 11 points at 96 DPI
}

TEST(DialogUnits, CornersAreConvertedNotSizes)
{
    const DialogBaseUnits units{9, 16};
    EXPECT_EQ(mapDialogRect(units, 7, 37, 165, 17), QRect(16, 74, 371, 34));
    // x 1..2: corners 2 and 5 give width 3, while the size alone would give 2.
    EXPECT_EQ(mapDialogRect(units, 1, 0, 1, 8).width(), 3);
    EXPECT_EQ(mapDialogRect(units, 0, 0, 178, 109).size(), QSize(401, 218));
}

TEST(DialogUnits, DialogFontIsSetInPixelsWithJapaneseFallbacks)
{
    const QFont font = dialogFont("ＭＳ Ｐゴシック", 11);
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(font.pointSize(), -1);
    EXPECT_TRUE(font.families().contains(QStringLiteral("IPAPGothic")));
    const DialogBaseUnits units = dialogBaseUnits(font);
    // Measured with IPAPGothic, the font the installer provides.
    EXPECT_EQ(units.cx, 9);
    EXPECT_EQ(units.cy, 16);
}
