#include "ButtonTheme.h"
#include "ThemedButtonStyle.h"
#include "mdXpThemeSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QToolButton>
#include <gtest/gtest.h>

using ButtonTheme::PushState;

namespace {
QImage Paint(QToolButton& button, QStyle::State extra, bool enabled = true)
{
    QStyleOptionToolButton opt;
    opt.initFrom(&button);
    opt.rect = QRect(0, 0, 41, 43);
    opt.text = button.text();
    opt.icon = button.icon();
    opt.iconSize = QSize(16, 16);
    opt.toolButtonStyle = Qt::ToolButtonTextUnderIcon;
    opt.subControls = QStyle::SC_ToolButton;
    opt.state = (enabled ? QStyle::State_Enabled : QStyle::State_None) | extra;
    QImage image(41, 43, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    button.style()->drawComplexControl(QStyle::CC_ToolButton, &opt, &p, &button);
    return image;
}

int ColouredPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (QColor(image.pixel(x, y)).hsvSaturation() > 90)
                ++count;
    return count;
}
} // namespace

TEST(ButtonState, FiveLooksByPriority)
{
    using ButtonTheme::ButtonStatus;
    EXPECT_EQ(ButtonTheme::ChooseState({}), PushState::Normal);
    EXPECT_EQ(ButtonTheme::ChooseState({true, true, false, false, false}), PushState::Hot);
    EXPECT_EQ(ButtonTheme::ChooseState({true, true, true, true, false}), PushState::Pressed);
    EXPECT_EQ(ButtonTheme::ChooseState({true, false, false, false, true}), PushState::Pressed);
    EXPECT_EQ(ButtonTheme::ChooseState({true, false, false, true, false}), PushState::Defaulted);
    EXPECT_EQ(ButtonTheme::ChooseState({true, true, false, true, false}), PushState::Hot);
    EXPECT_EQ(ButtonTheme::ChooseState({false, true, true, true, true}), PushState::Disabled);
}

TEST(ButtonState, PictureFallsBackToTheNormalOne)
{
    using ButtonTheme::Picture;
    const ButtonTheme::ButtonStatus disabled{false};
    EXPECT_EQ(ButtonTheme::ChoosePicture(disabled, true, false), Picture::Normal);
    EXPECT_EQ(ButtonTheme::ChoosePicture(disabled, false, true), Picture::Disabled);
    const ButtonTheme::ButtonStatus pushed{true, false, true};
    EXPECT_EQ(ButtonTheme::ChoosePicture(pushed, true, true), Picture::Down);
    EXPECT_EQ(ButtonTheme::ChoosePicture(pushed, false, true), Picture::Normal);
    const ButtonTheme::ButtonStatus hotLatched{true, true, false, false, true};
    EXPECT_EQ(ButtonTheme::ChoosePicture(hotLatched, true, false), Picture::Down);
}

TEST(ThemedButtons, FixThemeSupportDressesToolButtonsOnly)
{
    QWidget form;
    auto* copy = new QToolButton(&form);
    copy->setObjectName(QStringLiteral("Command2"));
    copy->setText(QStringLiteral("Copy"));
    auto* unnamed = new QToolButton(&form);
    auto* check = new QCheckBox(&form);
    const QStyle* before = check->style();

    EXPECT_TRUE(mdXpThemeSupport::FixThemeSupport({copy, unnamed, check, nullptr}, false));
    EXPECT_FALSE(copy->icon().isNull());
    EXPECT_EQ(copy->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_NE(qobject_cast<ThemedButtonStyle*>(copy->style()), nullptr);
    EXPECT_TRUE(copy->testAttribute(Qt::WA_Hover));
    EXPECT_EQ(qobject_cast<ThemedButtonStyle*>(unnamed->style()), nullptr);
    EXPECT_EQ(check->style(), before);

    // Re-theming after a language change keeps one style and the picture.
    copy->setText(QStringLiteral("复制"));
    EXPECT_TRUE(mdXpThemeSupport::FixThemeSupport({copy}, false));
    EXPECT_EQ(form.findChildren<ThemedButtonStyle*>().size(), 1);
    for (const char* name :
         {"Command1", "Command2", "Command3", "Command5", "Command6", "Command7"})
        EXPECT_FALSE(mdXpThemeSupport::ButtonPicture(QString::fromLatin1(name)).isNull()) << name;
    EXPECT_TRUE(mdXpThemeSupport::ButtonPicture(QStringLiteral("Command4")).isNull());
}

TEST(ThemedButtons, EachStateHasItsOwnLook)
{
    QWidget form;
    auto* button = new QToolButton(&form);
    button->setObjectName(QStringLiteral("Command7"));
    button->setText(QStringLiteral("Swap"));
    mdXpThemeSupport::FixThemeSupport({button}, false);

    const struct
    {
        QStyle::State state;
        bool enabled;
        PushState look;
    } cases[] = {{QStyle::State_None, true, PushState::Normal},
                 {QStyle::State_MouseOver, true, PushState::Hot},
                 {QStyle::State_Sunken | QStyle::State_MouseOver, true, PushState::Pressed},
                 {QStyle::State_MouseOver | QStyle::State_HasFocus, false, PushState::Disabled},
                 {QStyle::State_HasFocus, true, PushState::Defaulted}};
    QList<QRgb> borders;
    for (const auto& c : cases) {
        const QImage image = Paint(*button, c.state, c.enabled);
        const QRgb border = image.pixel(20, 0);
        EXPECT_EQ(border, ThemedButtonStyle::BorderColour(c.look)) << int(c.look);
        EXPECT_EQ(image.pixel(0, 21), border);
        EXPECT_FALSE(borders.contains(border));
        borders << border;
    }
}

TEST(ThemedButtons, PictureAboveCaptionAndGreyedWhenDisabled)
{
    QWidget form;
    auto* button = new QToolButton(&form);
    button->setObjectName(QStringLiteral("Command7")); // blue and red arrows
    button->setText(QStringLiteral("Swap"));
    mdXpThemeSupport::FixThemeSupport({button}, false);

    const QImage normal = Paint(*button, QStyle::State_None);
    const QRect upper(3, 3, 35, 20);
    const QRect lower(3, 27, 35, 13);
    EXPECT_GT(ColouredPixels(normal, upper), 20);
    EXPECT_EQ(ColouredPixels(normal, lower), 0);
    // The caption is drawn in the lower part.
    const QColor text = button->palette().color(QPalette::Active, QPalette::ButtonText);
    bool captionFound = false;
    for (int y = lower.top(); y <= lower.bottom() && !captionFound; ++y)
        for (int x = lower.left(); x <= lower.right(); ++x)
            if (QColor(normal.pixel(x, y)) == text)
                captionFound = true;
    EXPECT_TRUE(captionFound);

    const QImage disabled = Paint(*button, QStyle::State_None, false);
    EXPECT_LT(ColouredPixels(disabled, upper), 3);
}
