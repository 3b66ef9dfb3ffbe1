// Pictures: toolbar buttons, the tree's two image lists, the icon, the splash and the cursor.
// With VIGIMOR_RES_SHEET set to a file name, the contact-sheet test also saves every picture
// side by side there, to be looked at.
#include "res/ResourceIds.h"
#include "res/Resources.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <set>

namespace {

// Indices the leaves give their tree items.
const int kUsedImages[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                           22, 23, 24, 25, 26, 27, 29};

struct Coverage {
    int opaque = 0;
    int transparent = 0;
    std::set<QRgb> colours;
};

Coverage Measure(const QPixmap& pixmap)
{
    Coverage c;
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            if (qAlpha(px) >= 200)
                ++c.opaque;
            if (qAlpha(px) == 0)
                ++c.transparent;
            c.colours.insert(px);
        }
    return c;
}

QImage Pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(ToolbarImages, EveryButtonHasItsPictureInBothSizes)
{
    for (UINT toolbar : {IDR_TOOLBAR_SMALL, IDR_TOOLBAR_LARGE}) {
        const QSize size = Res::ToolbarButtonSize(toolbar);
        std::vector<QImage> seen;
        for (UINT command : Res::ToolbarCommands(toolbar)) {
            if (command == 0) {
                EXPECT_TRUE(Res::ToolbarImage(toolbar, command).isNull());
                continue;
            }
            const QPixmap button = Res::ToolbarImage(toolbar, command);
            ASSERT_FALSE(button.isNull()) << toolbar << " " << command;
            EXPECT_EQ(button.size(), size);
            const Coverage c = Measure(button);
            // a picture, drawn on a transparent ground
            EXPECT_GT(c.opaque, size.width() * size.height() / 8) << command;
            EXPECT_GT(c.transparent, 0) << command;
            EXPECT_GT(c.colours.size(), 8u) << command;
            // no two buttons look alike
            const QImage pixels = Pixels(button);
            for (const QImage& other : seen)
                EXPECT_NE(pixels, other) << command;
            seen.push_back(pixels);
        }
        EXPECT_EQ(seen.size(), 10u);
    }
}

TEST(ToolbarImages, StripsAndUnknownButtons)
{
    EXPECT_EQ(Res::Bitmap(IDR_TOOLBAR_SMALL).size(), QSize(16 * 10, 15));
    EXPECT_EQ(Res::Bitmap(IDR_TOOLBAR_LARGE).size(), QSize(24 * 10, 24));
    // the strip's third cell is the third button (the separator leaves no gap)
    const QImage strip = Pixels(Res::Bitmap(IDR_TOOLBAR_LARGE));
    EXPECT_EQ(strip.copy(2 * 24, 0, 24, 24), Pixels(Res::ToolbarImage(IDR_TOOLBAR_LARGE, 3002)));
    EXPECT_TRUE(Res::ToolbarImage(IDR_TOOLBAR_LARGE, 3014).isNull());
    EXPECT_TRUE(Res::ToolbarImage(IDR_MAINFRAME, 3002).isNull());
    EXPECT_TRUE(Res::ToolbarImage(IDR_TOOLBAR_SMALL, 0).isNull());
}

TEST(TreeImages, EveryIndexTheLeavesUseIsInBothLists)
{
    ASSERT_EQ(Res::TreeImageCount(), IMG_COUNT);
    std::vector<QImage> seen;
    for (int index : kUsedImages) {
        ASSERT_LT(index, Res::TreeImageCount());
        const QPixmap normal = Res::TreeImage(0, index);
        const QPixmap selected = Res::TreeImage(1, index);
        ASSERT_FALSE(normal.isNull()) << index;
        ASSERT_FALSE(selected.isNull()) << index;
        EXPECT_EQ(normal.size(), QSize(16, 16));
        EXPECT_EQ(selected.size(), QSize(16, 16));
        const Coverage c = Measure(normal);
        EXPECT_GT(c.opaque, 30) << index;
        EXPECT_GT(c.transparent, 0) << index;
        EXPECT_TRUE(normal.hasAlphaChannel());
        // the selected list outlines the same picture
        EXPECT_NE(Pixels(normal), Pixels(selected)) << index;
        EXPECT_GE(Measure(selected).opaque, c.opaque) << index;
        const QImage pixels = Pixels(normal);
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_NE(pixels, seen[i]) << index << " looks like " << kUsedImages[i];
        seen.push_back(pixels);
    }
}

TEST(TreeImages, UnusedIndicesAreNeutralAndOutsideIsNull)
{
    const QImage blank = Pixels(Res::TreeImage(0, IMG_UNUSED_7));
    EXPECT_FALSE(blank.isNull());
    EXPECT_EQ(Pixels(Res::TreeImage(0, IMG_UNUSED_11)), blank);
    EXPECT_EQ(Pixels(Res::TreeImage(0, IMG_UNUSED_28)), blank);
    EXPECT_TRUE(Res::TreeImage(0, -1).isNull());
    EXPECT_TRUE(Res::TreeImage(0, IMG_COUNT).isNull());
    EXPECT_TRUE(Res::TreeImage(2, 0).isNull());
    EXPECT_TRUE(Res::TreeImage(-1, 0).isNull());
}

TEST(TreeImages, BitmapsAreTheListsAsStrips)
{
    for (UINT id : {IDB_TREE_IMAGES, IDB_TREE_IMAGES_SELECTED}) {
        const QImage strip = Pixels(Res::Bitmap(id));
        ASSERT_EQ(strip.size(), QSize(16 * IMG_COUNT, 16));
        const int list = id == IDB_TREE_IMAGES ? 0 : 1;
        EXPECT_EQ(strip.copy(16 * IMG_WARNING, 0, 16, 16), Pixels(Res::TreeImage(list, IMG_WARNING)));
    }
}

TEST(Pictures, IconSplashAndCursor)
{
    const QIcon icon = Res::Icon(IDR_MAINFRAME);
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int px : {16, 32, 48, 256})
        EXPECT_TRUE(sizes.contains(QSize(px, px))) << px;
    EXPECT_TRUE(Res::Icon(IDR_MENU_LEAF).isNull());

    const QPixmap splash = Res::Bitmap(IDB_SPLASH);
    ASSERT_EQ(splash.size(), QSize(400, 200));
    const Coverage c = Measure(splash);
    EXPECT_EQ(c.transparent, 0); // a picture to the edges
    EXPECT_GT(c.colours.size(), 200u);

    const QCursor cursor = Res::Cursor(IDC_COLUMN_RESIZE);
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(cursor.hotSpot(), QPoint(16, 16));
    EXPECT_EQ(Res::Cursor(IDR_MAINFRAME).shape(), Qt::SplitHCursor);

    EXPECT_TRUE(Res::Bitmap(0).isNull());
    EXPECT_TRUE(Res::Bitmap(IDR_MENU_LEAF).isNull());
}

TEST(Pictures, ContactSheet)
{
    // Every picture on one sheet: tree lists at 1x and 3x, toolbars, icon sizes, splash.
    const int zoom = 3;
    QImage sheet(1600, 560, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xf0, 0xf0, 0xf0));
    {
        QPainter p(&sheet);
        for (int list = 0; list < 2; ++list) {
            const QColor ground = list == 0 ? QColor(255, 255, 255) : QColor(0x33, 0x66, 0xcc);
            const int y = 10 + list * 90;
            p.fillRect(5, y - 5, 20 * IMG_COUNT + 10, 26, ground);
            p.fillRect(5, y + 25, 52 * IMG_COUNT + 10, 16 * zoom + 6, ground);
            for (int i = 0; i < IMG_COUNT; ++i) {
                const QPixmap image = Res::TreeImage(list, i);
                p.drawPixmap(10 + i * 20, y, image);
                p.drawPixmap(QRect(10 + i * 52, y + 28, 16 * zoom, 16 * zoom), image);
            }
        }
        int x = 10;
        for (UINT command : Res::ToolbarCommands(IDR_TOOLBAR_LARGE)) {
            if (command == 0) {
                x += 12;
                continue;
            }
            p.drawPixmap(x, 190, Res::ToolbarImage(IDR_TOOLBAR_SMALL, command));
            p.drawPixmap(x, 215, Res::ToolbarImage(IDR_TOOLBAR_LARGE, command));
            p.drawPixmap(QRect(x, 245, 24 * 2, 24 * 2), Res::ToolbarImage(IDR_TOOLBAR_LARGE, command));
            x += 56;
        }
        x = 10;
        for (int px : {16, 24, 32, 48, 64, 128}) {
            p.drawPixmap(x, 310, Res::Icon(IDR_MAINFRAME).pixmap(px, px));
            x += px + 10;
        }
        // the small buttons as pixels
        const QImage small = Res::Bitmap(IDR_TOOLBAR_SMALL).toImage();
        p.drawImage(QPoint(60, 440), small.scaled(small.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        p.drawPixmap(10, 440, Res::Cursor(IDC_COLUMN_RESIZE).pixmap());
        p.drawPixmap(480, 310, Res::Bitmap(IDB_SPLASH));
    }
    EXPECT_GT(Measure(QPixmap::fromImage(sheet)).colours.size(), 500u);
    const QString path = qEnvironmentVariable("VIGIMOR_RES_SHEET");
    if (!path.isEmpty()) {
        EXPECT_TRUE(sheet.save(path));
    }
}

} // namespace
