// Twips to pixels, the design font and captions that must not be cut off.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ui/Layout.h"
#include "ui/ResourceText.h"

namespace plyx::ui {
namespace {

TEST(Layout, FifteenTwipsPerPixelAt96DpiScaledByTheScreen) {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    EXPECT_EQ(Twips(1440), static_cast<int>(std::lround(dpi)));
    QWidget parent;
    QLabel* label = NewLabel(&parent, 120, 840, 2295, 495, 14.25, false);
    EXPECT_EQ(label->geometry(), QRect(Twips(120), Twips(840), Twips(2295), Twips(495)));
}

TEST(Layout, MissingDesignFontFallsBackToAnInstalledSansSerif) {
    const QFont font = DesignFont(12, true);
    const QFontInfo info(font);
    EXPECT_FALSE(info.family().isEmpty());
    EXPECT_TRUE(info.bold());
    EXPECT_NEAR(info.pointSizeF(), 12, 0.5);
}

TEST(Layout, LongButtonCaptionTakesTwoLinesOrASmallerFontInsteadOfBeingCutOff) {
    QWidget parent;
    QPushButton* button = NewButton(&parent, 0, 0, 2655, 735, 12, true);
    SetCaption(button, "Short");
    EXPECT_EQ(button->text(), "Short");
    EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 12);

    SetCaption(button, "Αποθήκευση αυτού του κελύφους");
    EXPECT_TRUE(CaptionFits(button));
    EXPECT_EQ(button->text(), "Αποθήκευση αυτού\nτου κελύφους");
    EXPECT_EQ(CaptionOf(button), "Αποθήκευση αυτού του κελύφους");

    SetCaption(button, "Αποθήκευσηαυτούτουκελύφους");  // no blank to break at
    EXPECT_TRUE(CaptionFits(button));
    EXPECT_LT(button->font().pointSizeF(), 12);

    SetCaption(button, "Short");
    EXPECT_EQ(button->text(), "Short");
    EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 12);
}

TEST(Layout, WrappedLabelMayUseItsLines) {
    QWidget parent;
    QLabel* label = NewLabel(&parent, 0, 0, 3855, 735, 13.5, true, true);
    label->setText("Testing COM12");
    FitCaption(label);
    EXPECT_TRUE(CaptionFits(label));
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 13.5);
}

}  // namespace
}  // namespace plyx::ui
