// SPDX-License-Identifier: MIT
// The windows built from the design data, in this process on the private
// Xvfb (96 dpi): the progress windows, which the program does not show yet,
// rendered off screen, and the fonts every window resolves to.

#include "app/Design.h"
#include "platform/linux/DesignWindow.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QImage>

#include <gtest/gtest.h>

namespace tarnquill::test {
namespace {

class ProgressWindowTest : public ::testing::TestWithParam<app::WindowId> {};

TEST_P(ProgressWindowTest, ShowsItsBarsWithTheLoadingBarCutOffAtTheRightEdge)
{
    const app::WindowDesign& design = app::window(GetParam());
    DesignWindow window(design);
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(218, 79));

    // Title and message bars: their colours inside a one-pixel frame.
    EXPECT_EQ(image.pixel(2, 2), qRgb(220, 230, 235)) << "window back";
    EXPECT_EQ(image.pixel(10, 22), qRgb(220, 230, 235)) << "Label25";
    EXPECT_EQ(qGray(image.pixel(8, 12)), qGray(qRgb(0, 0, 0))) << "Label25's frame";
    EXPECT_EQ(image.pixel(10, 46), qRgb(128, 128, 255)) << "Label1(1)";

    // Label1(0) runs from the left edge to past the right one, 13 pixels
    // high from y 56, without a frame; its caption begins with two blanks.
    for (int x : {0, 1, 2, 3, 216, 217})
        EXPECT_EQ(image.pixel(x, 62), qRgb(0, 0, 64)) << "bar at x " << x;
    EXPECT_EQ(image.pixel(100, 70), qRgb(220, 230, 235)) << "below the bar";
    int firstWhite = -1;
    for (int x = 0; x < image.width() && firstWhite < 0; ++x)
        for (int y = 56; y < 69 && firstWhite < 0; ++y)
            if (qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) > 200 && qBlue(image.pixel(x, y)) > 200)
                firstWhite = x;
    EXPECT_GE(firstWhite, 5) << "the caption's leading blanks are gone";
    EXPECT_LE(firstWhite, 12) << "no caption in the bar";
}

INSTANTIATE_TEST_SUITE_P(Windows, ProgressWindowTest, ::testing::Values(app::WindowId::Form2, app::WindowId::form3),
                         [](const auto& info) { return std::string(app::window(info.param).name); });

TEST(DesignWindowFontTest, DesignFacesResolveToVerdanaOrAMetricCompatibleFaceAtFractionalSizes)
{
    for (const app::WindowDesign& design : app::windows()) {
        DesignWindow window(design);
        for (const app::ControlDesign& control : design.controls) {
            QWidget* widget = window.control(control.name, control.index);
            if (!widget || control.font.isDefault)
                continue;
            const std::string where = std::string(design.name) + "." + app::qualifiedName(control);
            const QFont font = widget->font();
            const QString family = QFontInfo(font).family();
            EXPECT_TRUE(family == QLatin1String("Verdana") || family == QLatin1String("DejaVu Sans"))
                << where << ": " << family.toStdString();
            EXPECT_DOUBLE_EQ(font.pointSizeF(), control.font.points) << where;
            EXPECT_EQ(QFontInfo(font).bold(), control.font.weight == app::Font::kBold) << where;
        }
    }
}

TEST(DesignWindowFontTest, CheckBoxCaptionsFitTheirBoxesInOneSize)
{
    DesignWindow window(app::window(app::WindowId::Form1));
    auto* check1 = window.control<QCheckBox>("Check1");
    auto* check2 = window.control<QCheckBox>("Check2");
    ASSERT_TRUE(check1 && check2);
    for (QCheckBox* check : {check1, check2})
        EXPECT_LE(check->sizeHint().width(), check->width()) << check->objectName().toStdString();
    EXPECT_EQ(check1->font(), check2->font());
    EXPECT_TRUE(check1->isChecked() && check2->isChecked());
}

} // namespace
} // namespace tarnquill::test
