#include "MenuStyle.h"
#include "IcoMod.h"
#include "ModMenu.h"
#include "StartStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionMenuItem>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
constexpr int kTop = 10;
constexpr QSize kItem(200, 22);

QStyleOptionMenuItem ItemOption(const QString& text)
{
    QStyleOptionMenuItem opt;
    opt.palette = QApplication::palette();
    opt.palette.setColor(QPalette::Base, Qt::white);
    opt.palette.setColor(QPalette::Text, Qt::black);
    opt.palette.setColor(QPalette::Light, Qt::white);
    opt.palette.setColor(QPalette::Mid, QColor(128, 128, 128));
    opt.palette.setColor(QPalette::Highlight, QColor(10, 36, 106));
    opt.palette.setColor(QPalette::Disabled, QPalette::Text, QColor(172, 168, 153));
    opt.font = QApplication::font();
    opt.fontMetrics = QFontMetrics(opt.font);
    opt.rect = QRect(QPoint(0, kTop), kItem);
    opt.state = QStyle::State_Enabled;
    opt.menuItemType = QStyleOptionMenuItem::Normal;
    opt.checkType = QStyleOptionMenuItem::NotCheckable;
    opt.text = text;
    return opt;
}

QImage Draw(const QStyleOptionMenuItem& opt)
{
    QWidget host;
    MenuStyle style(&host);
    QImage image(kItem.width(), kItem.height() + 2 * kTop, QImage::Format_RGB32);
    image.fill(QColor(1, 2, 3));
    QPainter p(&image);
    style.drawControl(QStyle::CE_MenuItem, &opt, &p, nullptr);
    p.end();
    return image;
}

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xffffff;
}

constexpr QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b) & 0xffffff;
}

bool HasColourIn(const QImage& image, const QRect& area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (At(image, x, y) == (colour & 0xffffff))
                return true;
    return false;
}
} // namespace

TEST(MenuMeasure, CaptionAloneAndWithShortcut)
{
    QWidget host;
    MenuStyle style(&host);
    const QFontMetrics fm(QApplication::font());

    QStyleOptionMenuItem plain = ItemOption(QStringLiteral("&Options"));
    const QSize a = style.sizeFromContents(QStyle::CT_MenuItem, &plain, QSize(1, 1), nullptr);
    EXPECT_EQ(a.width(), fm.horizontalAdvance(QStringLiteral("&Options")) + 36);
    EXPECT_EQ(a.height(), fm.height() + 6);

    QStyleOptionMenuItem tabbed = ItemOption(QStringLiteral("Translate\tF5"));
    const QSize b = style.sizeFromContents(QStyle::CT_MenuItem, &tabbed, QSize(1, 1), nullptr);
    EXPECT_EQ(b.width(), fm.horizontalAdvance(QStringLiteral("Translate")) + 36 +
                             fm.horizontalAdvance(QStringLiteral("F5")) + 4);
    EXPECT_EQ(b.height(), fm.height() + 6);

    // The bold default item of the tray menu is measured bold, so that it is not cut off.
    QStyleOptionMenuItem byDefault = ItemOption(QStringLiteral("Open Translate Tool"));
    byDefault.menuItemType = QStyleOptionMenuItem::DefaultItem;
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_MenuItem, &byDefault, QSize(1, 1), nullptr).width(),
              QFontMetrics(bold).horizontalAdvance(QStringLiteral("Open Translate Tool")) + 36);

    // Only the first tab splits; the rest belongs to the shortcut text.
    QStyleOptionMenuItem twoTabs = ItemOption(QStringLiteral("A\tB\tC"));
    const QSize c = style.sizeFromContents(QStyle::CT_MenuItem, &twoTabs, QSize(1, 1), nullptr);
    EXPECT_EQ(c.width(), fm.horizontalAdvance(QStringLiteral("A")) + 36 +
                             fm.horizontalAdvance(QStringLiteral("B\tC")) + 4);
}

TEST(MenuDraw, PlainItemHasTheStripAndTheMenuColour)
{
    const QImage image = Draw(ItemOption(QStringLiteral("Open...")));
    EXPECT_EQ(At(image, 0, kTop), rgb(236, 233, 216));
    EXPECT_EQ(At(image, 23, kTop + 21), rgb(236, 233, 216));
    EXPECT_EQ(At(image, 24, kTop), rgb(255, 255, 255));
    EXPECT_EQ(At(image, 199, kTop + 21), rgb(255, 255, 255));
    // The caption starts at x 30: black pixels there, none between the strip and it.
    EXPECT_TRUE(HasColourIn(image, QRect(30, kTop, 20, 22), rgb(0, 0, 0)));
    EXPECT_FALSE(HasColourIn(image, QRect(24, kTop, 5, 22), rgb(0, 0, 0)));
}

TEST(MenuDraw, HighlightedItemHasBorderAndFill)
{
    QStyleOptionMenuItem opt = ItemOption(QStringLiteral("Save Results"));
    opt.state |= QStyle::State_Selected;
    const QImage image = Draw(opt);
    EXPECT_EQ(At(image, 0, kTop), rgb(49, 106, 197));
    EXPECT_EQ(At(image, 199, kTop + 21), rgb(49, 106, 197));
    EXPECT_EQ(At(image, 100, kTop), rgb(49, 106, 197));
    EXPECT_EQ(At(image, 1, kTop + 1), rgb(150, 180, 255));
    EXPECT_EQ(At(image, 198, kTop + 20), rgb(150, 180, 255));
    EXPECT_EQ(At(image, 12, kTop + 11), rgb(150, 180, 255));
    // The caption keeps the menu-text colour on the highlight.
    EXPECT_TRUE(HasColourIn(image, QRect(30, kTop, 40, 22), rgb(0, 0, 0)));
}

TEST(MenuDraw, DisabledItemIsEngravedAndNeverHighlighted)
{
    QStyleOptionMenuItem opt = ItemOption(QStringLiteral("Save Results\tCtrl+S"));
    opt.state = QStyle::State_Selected; // under the mouse but disabled
    const QImage image = Draw(opt);
    EXPECT_EQ(At(image, 0, kTop), rgb(236, 233, 216));
    EXPECT_EQ(At(image, 100, kTop), rgb(255, 255, 255));
    EXPECT_FALSE(HasColourIn(image, QRect(0, kTop, 200, 22), rgb(49, 106, 197)));
    EXPECT_TRUE(HasColourIn(image, QRect(29, kTop, 60, 22), rgb(172, 168, 153)));
    EXPECT_FALSE(HasColourIn(image, QRect(24, kTop, 176, 22), rgb(0, 0, 0)));
    // The shortcut is right-aligned, two blanks short of the edge, greyed too.
    EXPECT_TRUE(HasColourIn(image, QRect(120, kTop, 70, 22), rgb(172, 168, 153)));
    EXPECT_FALSE(HasColourIn(image, QRect(195, kTop, 5, 22), rgb(172, 168, 153)));
}

TEST(MenuDraw, CheckedItemWithoutIconGetsACheckMark)
{
    QStyleOptionMenuItem opt = ItemOption(QStringLiteral("English"));
    opt.checkType = QStyleOptionMenuItem::Exclusive;
    opt.checked = true;
    const QImage image = Draw(opt);
    EXPECT_EQ(At(image, 7, kTop + 11), rgb(0, 0, 0));
    EXPECT_EQ(At(image, 11, kTop + 15), rgb(0, 0, 0));
    EXPECT_EQ(At(image, 17, kTop + 9), rgb(0, 0, 0));
    EXPECT_EQ(At(image, 3, kTop + 3), rgb(236, 233, 216));

    opt.checked = false;
    const QImage unchecked = Draw(opt);
    EXPECT_EQ(At(unchecked, 11, kTop + 15), rgb(236, 233, 216));

    opt.checked = true;
    opt.state = {};
    const QImage disabled = Draw(opt);
    EXPECT_EQ(At(disabled, 11, kTop + 15), rgb(172, 168, 153));
}

TEST(MenuDraw, CheckedItemWithIconGetsASunkenFrame)
{
    QStyleOptionMenuItem opt = ItemOption(QStringLiteral("Options"));
    opt.icon = ModMenu::Image7(4);
    ASSERT_FALSE(opt.icon.isNull());
    opt.checkType = QStyleOptionMenuItem::NonExclusive;
    opt.checked = true;
    const QImage image = Draw(opt);
    EXPECT_EQ(At(image, 2, kTop), rgb(128, 128, 128));
    EXPECT_EQ(At(image, 2, kTop + 10), rgb(128, 128, 128));
    EXPECT_EQ(At(image, 12, kTop + 19), rgb(255, 255, 255));
    EXPECT_EQ(At(image, 3, kTop + 1), rgb(255, 255, 255));
    // No drawn check mark when there is an icon; the icon sits at (4, top + 2).
    EXPECT_NE(At(image, 8, kTop + 8), rgb(255, 255, 255));

    opt.state |= QStyle::State_Selected;
    const QImage hot = Draw(opt);
    EXPECT_EQ(At(hot, 3, kTop + 1), rgb(10, 36, 106));
}

TEST(MenuDraw, DisabledIconIsGreyed)
{
    QStyleOptionMenuItem opt = ItemOption(QStringLiteral("Exit"));
    opt.icon = ModMenu::Image7(3); // a red arrow in colour
    const QImage normal = Draw(opt);
    opt.state = {};
    const QImage greyed = Draw(opt);
    const auto saturated = [](const QImage& image) {
        int count = 0;
        for (int y = kTop + 2; y < kTop + 18; ++y)
            for (int x = 4; x < 20; ++x)
                if (QColor(image.pixel(x, y)).hsvSaturation() > 100)
                    ++count;
        return count;
    };
    EXPECT_GT(saturated(normal), 20);
    EXPECT_LT(saturated(greyed), 5);
}

TEST(MenuBuild, DropDownsAndTrayMenuAreDrawnTitlesAreNot)
{
    QWidget form;
    auto* bar = new QMenuBar(&form);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    QAction* translate = file->addAction(QStringLiteral("Translate\tF5"));
    ModMenu::SetMenuTag(translate, 9);
    file->addSeparator();
    QAction* plain = file->addAction(QStringLiteral("Plain"));
    QMenu* setting = bar->addMenu(QStringLiteral("&Setting"));
    QMenu* language = setting->addMenu(QStringLiteral("Language"));
    language->addAction(QStringLiteral("English"));
    auto* tray = new QMenu(&form);
    tray->addAction(QStringLiteral("Open Translate Tool"));
    const QStyle* barStyle = bar->style();

    ModMenu::BuildOwnerDrawMenus(&form, bar, {tray});
    ASSERT_NE(qobject_cast<MenuStyle*>(file->style()), nullptr);
    EXPECT_EQ(setting->style(), file->style());
    EXPECT_EQ(language->style(), file->style());
    EXPECT_EQ(tray->style(), file->style());
    EXPECT_EQ(bar->style(), barStyle);
    EXPECT_FALSE(translate->icon().isNull());
    EXPECT_TRUE(plain->icon().isNull());

    // A rebuild after the captions changed reuses the one renderer.
    ModMenu::BuildOwnerDrawMenus(&form, bar, {tray});
    EXPECT_EQ(form.findChildren<MenuStyle*>().size(), 1);

    ModMenu::RemoveMenuHook(&form);
    EXPECT_EQ(qobject_cast<MenuStyle*>(file->style()), nullptr);
    EXPECT_EQ(qobject_cast<MenuStyle*>(tray->style()), nullptr);
    EXPECT_TRUE(form.findChildren<MenuStyle*>().isEmpty());
}

TEST(MenuBuild, OnlyTagsOneToTenHaveIcons)
{
    EXPECT_TRUE(ModMenu::Image7(0).isNull());
    EXPECT_TRUE(ModMenu::Image7(11).isNull());
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(ModMenu::Image7(n).pixmap(16, 16).size(), QSize(16, 16)) << n;
}

// The menu bar, the buttons' and the menus' pictures load no image plugin: each would be loaded
// at start, with its libraries, to say whether it reads a file that is a PNG.
TEST(StartStyle, BuildingTheWindowsPicturesLoadsNoImagePlugin)
{
    QApplication::setStyle(new StartStyle);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Open"));
    const QIcon button = IcoMod::PictureIcon(QStringLiteral(":/desktop/Command1.pic"));
    EXPECT_FALSE(button.pixmap(16, 16).isNull());
    EXPECT_FALSE(IcoMod::LoadIconResource(QStringLiteral("IDR_MAINFRAME")).isNull());
    // The tray balloon's pictures.
    for (const auto which : {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxWarning,
                             QStyle::SP_MessageBoxCritical})
        EXPECT_FALSE(StartStyle::BalloonIcon(which).pixmap(18, 18).isNull());
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("/imageformats/"));
}

TEST(IcoMod, OurPicturesShowWhatTheirPngsShow)
{
    int read = 0;
    for (QDirIterator it(QStringLiteral(":/"), {QStringLiteral("*.pic")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        // :/icons/NAME.pic and :/desktop/NAME.pic come from icons/ and icons/desktop/.
        const QString png =
            QStringLiteral(VERBALTO_SOURCE_DIR "/src/resources/icons/") +
            (path.startsWith(u":/desktop/") ? QStringLiteral("desktop/") : QString()) +
            QFileInfo(path).completeBaseName() + QStringLiteral(".png");
        QImageReader qt(png, "png");
        qt.setAutoDetectImageFormat(false);
        const QImage expected = qt.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_FALSE(expected.isNull()) << qPrintable(png);
        EXPECT_EQ(IcoMod::Picture(path).toImage(), expected) << qPrintable(path);
        ++read;
    }
    EXPECT_EQ(read, 20);
    EXPECT_TRUE(IcoMod::Picture(QStringLiteral(":/nothing.pic")).isNull());
    // A file that is no such picture, or whose size does not match its header, gives nothing.
    EXPECT_TRUE(IcoMod::Picture(QStringLiteral(":/strings.tsv")).isNull());
}

TEST(StartStyle, ACheckedBoxShowsItsMarkAndAnEmptyOneNone)
{
    auto* style = new StartStyle; // over Fusion here, whose mark it draws itself
    QApplication::setStyle(style);
    ASSERT_EQ(style->baseStyle()->name().toLower(), u"fusion");
    const auto darkInBox = [](bool checked) {
        QCheckBox box(QStringLiteral("Show dictionary"));
        box.setChecked(checked);
        box.resize(box.sizeHint());
        const QImage image = box.grab().toImage();
        QStyleOptionButton option;
        option.initFrom(&box);
        const QRect square =
            box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
        int dark = 0;
        for (int y = square.top() + 2; y < square.bottom() - 1; ++y)
            for (int x = square.left() + 2; x < square.right() - 1; ++x)
                dark += qGray(image.pixel(x, y)) < 100;
        return dark;
    };
    EXPECT_EQ(darkInBox(false), 0);
    EXPECT_GT(darkInBox(true), 8);
}
