#include "window/skin_strips.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

using namespace kelvara;

namespace {

// The strip sizes the window cuts its cells by.
constexpr std::array<QSize, skin_strip_count> table_sizes = {{
    {80, 108}, {153, 19}, {153, 19}, {245, 36}, {40, 10},  {48, 19},  {84, 19},
    {320, 32}, {320, 32}, {228, 20}, {3, 25},   {6, 40},   {152, 33}, {50, 24},
    {100, 24}, {80, 24},  {100, 24}, {100, 24}, {100, 24}, {10, 10},  {90, 38},
}};

QImage strip_image(int skin, int strip) {
    return load_strip(skin, strip).toImage().convertToFormat(QImage::Format_ARGB32);
}

struct Cell {
    int strip;
    int x;
    int width;
};

QImage cell_image(int skin, const Cell& c) {
    const QImage strip = strip_image(skin, c.strip);
    return strip.copy(c.x, 0, c.width, strip.height());
}

int distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
}

// Pixels that stand out from the background at the left end of their row:
// what a symbol or a caption adds to a cell.
int drawn_pixels(const QImage& cell) {
    int count = 0;
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 1; x < cell.width(); ++x)
            if (qAlpha(cell.pixel(x, y)) == 255 &&
                distance(cell.pixel(x, y), cell.pixel(0, y)) > 40)
                ++count;
    return count;
}

// Pixels in which two cells of the same size differ clearly.
int differing_pixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (distance(a.pixel(x, y), b.pixel(x, y)) > 30)
                ++count;
    return count;
}

// Cells of the title-bar, tab and transport strips.
const Cell button_cells[] = {
    {1, 0, 24},   {1, 24, 24},   {1, 48, 24},  {1, 72, 24},  {1, 96, 24},  {1, 120, 33},
    {2, 0, 24},   {2, 24, 24},   {2, 48, 24},  {2, 72, 24},  {2, 96, 24},  {2, 120, 33},
    {5, 0, 24},   {5, 24, 24},   {6, 0, 21},   {6, 21, 21},  {6, 42, 21},  {6, 63, 21},
    {4, 0, 10},   {4, 10, 10},   {4, 20, 10},  {4, 30, 10},  {7, 0, 80},   {7, 80, 80},
    {7, 160, 80}, {7, 240, 80},  {8, 0, 80},   {8, 80, 80},  {8, 160, 80}, {8, 240, 80},
    {9, 0, 57},   {9, 57, 57},   {9, 114, 57}, {9, 171, 57}, {12, 0, 38},  {12, 38, 38},
    {12, 76, 38}, {12, 114, 38}, {13, 0, 25},  {13, 25, 25}, {14, 0, 25},  {14, 25, 25},
    {14, 50, 25}, {14, 75, 25},  {16, 0, 25},  {16, 25, 25}, {16, 50, 25}, {16, 75, 25},
    {17, 0, 25},  {17, 25, 25},  {17, 50, 25}, {17, 75, 25}, {18, 0, 25},  {18, 25, 25},
    {18, 50, 25}, {18, 75, 25},  {20, 0, 45},  {20, 45, 45},
};

// Pictures that must look different: a button's normal and hover cells, and
// the two looks of a button's states.
const std::pair<Cell, Cell> distinct_cells[] = {
    // Title bar, normal against hover.
    {{1, 0, 24}, {2, 0, 24}},
    {{1, 24, 24}, {2, 24, 24}},
    {{1, 48, 24}, {2, 48, 24}},
    {{1, 72, 24}, {2, 72, 24}},
    {{1, 96, 24}, {2, 96, 24}},
    {{1, 120, 33}, {2, 120, 33}},
    {{5, 0, 24}, {5, 24, 24}},
    {{6, 0, 21}, {6, 21, 21}},
    {{6, 42, 21}, {6, 63, 21}},
    {{4, 20, 10}, {4, 0, 10}},
    {{4, 30, 10}, {4, 10, 10}},
    {{20, 0, 45}, {20, 45, 45}},
    // Transport bar, normal against hover.
    {{12, 0, 38}, {12, 38, 38}},
    {{12, 76, 38}, {12, 114, 38}},
    {{13, 0, 25}, {13, 25, 25}},
    {{14, 0, 25}, {14, 25, 25}},
    {{14, 50, 25}, {14, 75, 25}},
    {{16, 25, 25}, {17, 25, 25}},
    {{16, 50, 25}, {17, 50, 25}},
    {{16, 75, 25}, {17, 75, 25}},
    {{18, 0, 25}, {18, 25, 25}},
    {{18, 50, 25}, {18, 75, 25}},
    // States: restore against maximise, pinned, play / pause, muted, armed
    // shutdown, box open, previous / next, selected tabs and sub-tabs.
    {{1, 96, 24}, {5, 0, 24}},
    {{6, 0, 21}, {6, 42, 21}},
    {{4, 20, 10}, {4, 30, 10}},
    {{12, 0, 38}, {12, 76, 38}},
    {{14, 0, 25}, {14, 50, 25}},
    {{16, 0, 25}, {17, 0, 25}},
    {{18, 0, 25}, {18, 50, 25}},
    {{11, 0, 3}, {11, 3, 3}},
    {{7, 0, 80}, {8, 0, 80}},
    {{7, 80, 80}, {8, 80, 80}},
    {{7, 160, 80}, {8, 160, 80}},
    {{7, 240, 80}, {8, 240, 80}},
    {{9, 0, 57}, {9, 171, 57}},
    {{9, 114, 57}, {9, 57, 57}},
    // The four tab captions and the two sub-tab captions.
    {{8, 0, 80}, {8, 80, 80}},
    {{8, 80, 80}, {8, 160, 80}},
    {{8, 160, 80}, {8, 240, 80}},
    {{8, 0, 80}, {8, 240, 80}},
    {{9, 57, 57}, {9, 171, 57}},
};

// Every rectangle the frame painters stretch must look the same in each row
// (stretched sideways) or column (stretched downwards), or it smears.
struct StretchedPiece {
    QRect source;
    bool sideways;
};

const StretchedPiece stretched_pieces[] = {
    {{0, 55, 35, 8}, false}, {{45, 55, 35, 8}, false}, {{35, 63, 10, 45}, true},
    {{40, 0, 10, 55}, true}, {{0, 78, 7, 10}, false},  {{73, 78, 7, 10}, false},
    {{35, 23, 10, 7}, true}, {{35, 0, 10, 20}, true},
};

} // namespace

TEST(SkinStrips, SkinsWithArtLoadEveryStripAtItsSizeFullyOpaque) {
    for (int skin : {0, 1})
        for (int strip = 0; strip < skin_strip_count; ++strip) {
            SCOPED_TRACE(testing::Message() << "skin " << skin << " strip " << strip);
            const QImage image = strip_image(skin, strip);
            ASSERT_FALSE(image.isNull());
            EXPECT_EQ(image.size(), table_sizes[strip]);
            // The window copies cells as they are; a transparent pixel would
            // come out in whatever the button held before.
            bool opaque = true;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    opaque = opaque && qAlpha(image.pixel(x, y)) == 255;
            EXPECT_TRUE(opaque);
        }
}

TEST(SkinStrips, SkinsWithoutArtAndStripsOutsideTheTableAreNull) {
    for (int skin : {2, 3, -1, 10})
        for (int strip = 0; strip < skin_strip_count; ++strip)
            EXPECT_TRUE(load_strip(skin, strip).isNull()) << skin << " " << strip;
    EXPECT_TRUE(load_strip(0, -1).isNull());
    EXPECT_TRUE(load_strip(0, skin_strip_count).isNull());
    EXPECT_TRUE(load_strip(1, skin_strip_count).isNull());
}

TEST(SkinStrips, EveryButtonCellHasSomethingDrawnOnIt) {
    for (int skin : {0, 1})
        for (const Cell& c : button_cells)
            EXPECT_GE(drawn_pixels(cell_image(skin, c)), 10)
                << "skin " << skin << " strip " << c.strip << " x " << c.x;
}

TEST(SkinStrips, HoverAndStateCellsDifferFromTheirCounterparts) {
    for (int skin : {0, 1})
        for (const auto& [a, b] : distinct_cells)
            EXPECT_GE(differing_pixels(cell_image(skin, a), cell_image(skin, b)), 8)
                << "skin " << skin << ": strip " << a.strip << " x " << a.x << " against strip "
                << b.strip << " x " << b.x;
}

TEST(SkinStrips, StretchedFramePiecesAndSubTabBarAreUniformAlongTheStretch) {
    for (int skin : {0, 1}) {
        const QImage frame = strip_image(skin, 0);
        for (const StretchedPiece& piece : stretched_pieces) {
            const QRect r = piece.source;
            int seams = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const QRgb first =
                        piece.sideways ? frame.pixel(r.left(), y) : frame.pixel(x, r.top());
                    seams += frame.pixel(x, y) != first;
                }
            EXPECT_EQ(seams, 0) << "skin " << skin << " piece at " << r.x() << "," << r.y();
        }
        const QImage bar = strip_image(skin, 10);
        for (int y = 0; y < bar.height(); ++y)
            EXPECT_TRUE(bar.pixel(0, y) == bar.pixel(1, y) && bar.pixel(1, y) == bar.pixel(2, y))
                << "skin " << skin << " sub-tab bar row " << y;
    }
}

// Buttons are copied onto the frame without blending, so their background
// must be the frame's own colour at the place they sit.
TEST(SkinStrips, ButtonBackgroundsMatchWhatTheySitOn) {
    for (int skin : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "skin " << skin);
        const QImage frame = strip_image(skin, 0);
        // Title-bar buttons at the window's top, tabs at row 18, against the
        // header's stretched column.
        const std::pair<int, int> title_cells[] = {{1, 0},   {1, 24}, {1, 48}, {1, 72}, {1, 96},
                                                   {1, 120}, {5, 0},  {6, 0},  {6, 42}};
        for (const auto& [strip, x] : title_cells) {
            const QImage image = strip_image(skin, strip);
            for (int y = 0; y < image.height(); ++y)
                EXPECT_EQ(image.pixel(x, y), frame.pixel(45, y)) << strip << " " << x << " " << y;
        }
        const QImage tabs = strip_image(skin, 8);
        for (int y = 0; y < tabs.height(); ++y)
            EXPECT_EQ(tabs.pixel(0, y), frame.pixel(45, 18 + y)) << "tab row " << y;
        // Sub-tabs at row 5 of the sub-tab bar, the toggle at row 9.
        const QImage bar = strip_image(skin, 10), sub_tabs = strip_image(skin, 9),
                     toggle = strip_image(skin, 4);
        for (int y = 0; y < sub_tabs.height(); ++y) {
            EXPECT_EQ(sub_tabs.pixel(57, y), bar.pixel(0, 5 + y)) << "sub-tab row " << y;
            EXPECT_EQ(sub_tabs.pixel(171, y), bar.pixel(0, 5 + y)) << "sub-tab row " << y;
        }
        for (int y = 0; y < toggle.height(); ++y)
            EXPECT_EQ(toggle.pixel(20, y), bar.pixel(0, 9 + y)) << "toggle row " << y;
        // Everything on the transport bar, the banner included.
        const QRgb transport = frame.pixel(40, 90);
        for (int strip : {3, 12, 13, 14, 15, 16, 17, 18, 19, 20}) {
            const QImage image = strip_image(skin, strip);
            EXPECT_EQ(image.pixel(0, 0), transport) << "strip " << strip;
            EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), transport)
                << "strip " << strip;
        }
        // Behind the content panel lies the window background the skin sets.
        const QColor background = skin == 0 ? QColor(0, 38, 81) : QColor(51, 51, 51);
        EXPECT_EQ(frame.pixel(10, 60), background.rgb());
        EXPECT_EQ(strip_image(skin, 10).pixel(0, 24), background.rgb());
    }
}

TEST(SkinStrips, TheTwoSkinsDifferInEveryStrip) {
    for (int strip = 0; strip < skin_strip_count; ++strip) {
        const QImage blue = strip_image(0, strip), grey = strip_image(1, strip);
        EXPECT_GT(differing_pixels(blue, grey), blue.width() * blue.height() / 4)
            << "strip " << strip;
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
