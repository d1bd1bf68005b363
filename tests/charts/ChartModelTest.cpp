#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "charts/ChartSvg.h"
#include "charts/ItemCharts.h"
#include "charts/PairMap.h"
#include "charts/ScoreChart.h"
#include "tests/charts/SceneTexts.h"

namespace {

// The colour of the scene's fill at a point, the last painted there.
std::uint32_t colourAt(const ChartScene& scene, double x, double y)
{
    std::uint32_t colour = 0xFFFFFFFF;
    for (const ChartScene::Fill& fill : scene.fills)
        if (x >= fill.box.left && x < fill.box.right && y >= fill.box.top && y < fill.box.bottom)
            colour = fill.colour;
    return colour;
}

// Three items; items 1 and 2 depend (V 0.3), items 2 and 3 the other way
// and more (V -0.6), flagged.
PairMap threeItems()
{
    PairMap map;
    map.items = 3;
    map.signedV = {0, 0.3, 0, 0.3, 0, -0.6, 0, -0.6, 0};
    map.flagged = {0, 0, 0, 0, 0, 1, 0, 1, 0};
    return map;
}

}  // namespace

// The colours run to the largest |V|, which may belong to a negative V;
// the key says the scale both ways.
TEST(PairMapModelTest, ColoursScaleToTheLargestDependenceEitherWay)
{
    const PairMap map = threeItems();
    EXPECT_EQ(map.scale(), 0.6);
    const ChartScene scene = PairMapScene(map, 400, 300, 12);
    const PairMapLayout layout = LayoutPairMap(3, 400, 300, 12);
    const auto centre = [&](int row, int column) {
        const ChartScene::Box cell = layout.cellBox(row, column);
        return colourAt(scene, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    };
    EXPECT_EQ(centre(1, 2), 0x1E46C8u);  // the deepest blue
    EXPECT_EQ(centre(2, 1), 0x1E46C8u);
    EXPECT_EQ(centre(0, 1), DependenceColour(0.3, 0.6));  // red, half deep
    EXPECT_EQ(DependenceColour(0.3, 0.6), 0xE48F8Fu);
    EXPECT_EQ(centre(0, 0), kDiagonalColour);
    EXPECT_EQ(centre(0, 2), 0xFFFFFFu);
    ASSERT_NE(textSaying(scene, "0.600"), nullptr);
    ASSERT_NE(textSaying(scene, "-0.600"), nullptr);
    EXPECT_LT(textSaying(scene, "0.600")->box.top, textSaying(scene, "-0.600")->box.top);
    EXPECT_EQ(colourAt(scene, layout.key.left + 1, layout.key.top), 0xC81E1Eu);  // the deepest red on top
    EXPECT_EQ(colourAt(scene, layout.key.left + 1, layout.key.bottom - 1), 0x1E46C8u);
    // The flagged pair outlined, both ways round.
    int outlines = 0;
    for (const ChartScene::Line& line : scene.lines)
        for (const auto& [row, column] : {std::pair{1, 2}, std::pair{2, 1}})
            outlines += line.points.size() == 5 && line.points[0].x == layout.cellBox(row, column).left &&
                        line.points[0].y == layout.cellBox(row, column).top;
    EXPECT_EQ(outlines, 2);

    PairMap weak = threeItems();
    weak.signedV = {0, 0.01, 0, 0.01, 0, -0.02, 0, -0.02, 0};
    EXPECT_EQ(weak.scale(), 0.05);  // never below
}

// A point on a cell names the cell's pair whichever way round; the
// diagonal and the margins name none.
TEST(PairMapModelTest, PointsFindTheirPair)
{
    for (const int items : {2, 20, 150}) {
        const PairMapLayout layout = LayoutPairMap(items, 700, 500, 13, 40);
        EXPECT_GE(layout.left, 3 * 13);
        EXPECT_GE(layout.top, 40 + 13);
        EXPECT_LE(layout.left + items * layout.cell, layout.key.left);
        EXPECT_LE(layout.top + items * layout.cell, 500);
        for (const auto& [row, column] : {std::pair{0, items - 1}, std::pair{items - 1, 0}, std::pair{1, 0}}) {
            const ChartScene::Box cell = layout.cellBox(row, column);
            int first = 0, second = 0;
            ASSERT_TRUE(layout.pairAt(cell.left + layout.cell / 2, cell.top + layout.cell / 2, first, second));
            EXPECT_EQ(first, std::min(row, column) + 1);
            EXPECT_EQ(second, std::max(row, column) + 1);
            ASSERT_TRUE(layout.pairAt(cell.right - 0.01, cell.bottom - 0.01, first, second));
            EXPECT_EQ(second, std::max(row, column) + 1);
        }
        int first = 0, second = 0;
        const ChartScene::Box diagonal = layout.cellBox(1, 1);
        EXPECT_FALSE(layout.pairAt(diagonal.left + 1, diagonal.top + 1, first, second));
        EXPECT_FALSE(layout.pairAt(layout.left - 1, layout.top + 1, first, second));
        EXPECT_FALSE(layout.pairAt(layout.left + items * layout.cell + 1, layout.top + 1, first, second));
    }
}

// Item numbers along both edges: every one while they fit, else every
// k-th, k a round number, never closer than a text and a half.
TEST(PairMapModelTest, ItemNumbersEveryKthWhenCrowded)
{
    const struct {
        int items;
        int step;
    } cases[] = {{10, 1}, {40, 2}, {100, 5}, {300, 20}, {1000, 50}};
    for (const auto& c : cases) {
        PairMap map;
        map.items = c.items;
        map.signedV.assign(static_cast<std::size_t>(c.items) * c.items, 0.0);
        map.flagged.assign(map.signedV.size(), 0);
        const PairMapLayout layout = LayoutPairMap(c.items, 700, 520, 12);
        EXPECT_EQ(layout.labelStep, c.step) << c.items << " items, cells of " << layout.cell;
        EXPECT_GE(layout.labelStep * layout.cell, 1.5 * 12);
        const ChartScene scene = PairMapScene(map, 700, 520, 12);
        const std::string last = std::to_string(c.items / c.step * c.step);
        int shown = 0;
        for (const ChartScene::Text& text : scene.texts)
            shown += text.text == last;
        EXPECT_EQ(shown, 2) << c.items;  // on both edges
        EXPECT_EQ(textSaying(scene, std::to_string(c.step + 1)) != nullptr, c.step == 1);
    }
}

// Every item's chart on the same axes: whole totals around the groups'
// middles, item scores up to K − 1; a flagged item's frame and name in red.
TEST(ItemChartModelTest, SharedAxesAndFlaggedItems)
{
    ItemCurve first{1, false, {2.5, 7, 11.5}, {0.1, 0.5, 0.9}, {0.2, 0.5, 0.8}, ""};
    ItemCurve second{2, true, {1.5, 12.5}, {1.0, 2.5}, {0.5, 2.0}, ""};
    const ItemChartAxes axes = ItemChartAxesOf({first, second}, 3);
    EXPECT_EQ(axes.low, 1.0);
    EXPECT_EQ(axes.high, 13.0);
    EXPECT_EQ(axes.highest, 3.0);
    EXPECT_EQ(ItemChartAxesOf({}, 0).highest, 1.0);

    ChartScene scene;
    AddItemChart(scene, second, axes, {0, 0, 240, 180}, 10);
    const ChartScene::Text* title = textSaying(scene, "Item 2 *");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->colour, kFlaggedColour);
    EXPECT_TRUE(title->bold);
    // Round ticks along both axes, and what each axis holds.
    for (const char* label : {"0", "1", "2", "3", "5", "10", "Total score", "Mean item score"})
        EXPECT_NE(textSaying(scene, label), nullptr) << label;
    for (const char* label : {"1.5", "13"})
        EXPECT_EQ(textSaying(scene, label), nullptr) << label;
    EXPECT_TRUE(textSaying(scene, "Mean item score")->upright);
    EXPECT_EQ(ItemChartAxesOf({first}, 1).measure, "Proportion correct");
    // The curves: expected, then observed, a point per group, the axis's
    // ends at the plot's edges.
    const ChartScene::Line& observed = scene.lines.back();
    const ChartScene::Line& expected = scene.lines[scene.lines.size() - 2];
    EXPECT_EQ(observed.colour, kObservedColour);
    EXPECT_EQ(expected.colour, kExpectedColour);
    ASSERT_EQ(observed.points.size(), 2u);
    const ChartScene::Line& frame = scene.lines[scene.lines.size() - 3];
    EXPECT_EQ(frame.colour, kFlaggedColour);
    const double left = frame.points[0].x, right = frame.points[1].x, top = frame.points[0].y,
                 bottom = frame.points[2].y;
    EXPECT_NEAR(observed.points[0].x, left + (1.5 - 1) / 12 * (right - left), 1e-9);
    EXPECT_NEAR(observed.points[1].y, bottom - 2.5 / 3 * (bottom - top), 1e-9);
    EXPECT_NEAR(expected.points[0].y, bottom - 0.5 / 3 * (bottom - top), 1e-9);

    // An item named by its table is titled by its name.
    ItemCurve named = second;
    named.name = "reading <b>";
    ChartScene withName;
    AddItemChart(withName, named, axes, {0, 0, 240, 180}, 10);
    EXPECT_NE(textSaying(withName, "reading <b> *"), nullptr);

    ItemCharts grid;
    grid.items.assign(10, first);
    grid.title = "Items";
    const ChartScene all = ItemChartsScene(grid);
    EXPECT_EQ(ItemChartColumns(10), 4);
    EXPECT_EQ(all.width, 4 * 240);
    EXPECT_EQ(all.height, 3 * 180 + 50);
}

// The score chart's frequency axis rises in round steps to a round top
// above the largest frequency; the scores run from the first row.
TEST(ScoreChartModelTest, RoundTicksOnBothAxes)
{
    ScoreChart chart{5, {3, 40, 87, 12}, {5, 35, 80, 20}, "Scores"};
    const ChartScene scene = ScoreChartScene(chart);
    EXPECT_EQ(scene.width, kScoreChartWidth);
    for (const char* label : {"0", "20", "40", "60", "80", "100", "5", "6", "7", "8", "Total score", "Frequency"})
        EXPECT_NE(textSaying(scene, label), nullptr) << label;
    EXPECT_EQ(textSaying(scene, "120"), nullptr);
    EXPECT_EQ(textSaying(scene, "4"), nullptr);
    EXPECT_TRUE(textSaying(scene, "Frequency")->upright);
    EXPECT_EQ(NiceStep(87, 6), 20);
    EXPECT_EQ(NiceStep(3, 10), 0.5);
    EXPECT_EQ(AxisNumber(-0.0), "0");
    EXPECT_EQ(AxisNumber(2.5), "2.5");
}

// Ticks at round values inside the range, counted in whole steps so that
// none drifts (0.1 + 0.2 is not 0.3).
TEST(ChartModelTest, TicksAtRoundValues)
{
    const struct {
        double low, high;
        int target;
        double least;
        std::vector<double> ticks;
    } cases[] = {
        {0, 1, 3, 0, {0, 0.5, 1}},
        {0, 0.3, 3, 0, {0, 0.1, 0.2, 0.3}},
        {1, 13, 4, 1, {5, 10}},
        {0, 4, 10, 1, {0, 1, 2, 3, 4}},  // never between whole scores
        {-7, 7, 4, 0, {-5, 0, 5}},
        {2.5, 2.5, 4, 0, {2.5}},
        {0, 120, 6, 20, {0, 20, 40, 60, 80, 100, 120}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AxisTicks(c.low, c.high, c.target, c.least), c.ticks) << c.low << " to " << c.high;
    EXPECT_EQ(AxisNumber(AxisTicks(0, 0.3, 3)[3]), "0.3");
}

// Items named by a table are labelled by name along both edges, the top's
// read upwards, long names cut short within a whole character; the colour
// key says what it shows.
TEST(PairMapModelTest, NamesAlongBothEdgesAndATitledKey)
{
    PairMap map = threeItems();
    map.names = {"read", "write", "a very long name \u00e9\u00e9\u00e9"};
    EXPECT_EQ(map.label(2), "write");
    EXPECT_EQ(map.label(3), "a very long n\u2026");
    map.names[1].clear();
    EXPECT_EQ(map.label(2), "2");
    map.names[1] = "write";
    map.names[2] = "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9";  // 16 bytes
    EXPECT_EQ(map.label(3), "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u2026");

    const ChartScene scene = PairMapScene(map, 500, 400, 12);
    const PairMapLayout layout = LayoutPairMap(map, 500, 400, 12);
    EXPECT_TRUE(layout.named);
    EXPECT_GE(layout.left, 0.62 * 14 * 12);
    int left = 0, up = 0;
    for (const ChartScene::Text& text : scene.texts)
        if (text.text == "write")
            (text.upright ? up : left) += 1;
    EXPECT_EQ(left, 1);
    EXPECT_EQ(up, 1);
    ASSERT_NE(textSaying(scene, "Signed V"), nullptr);
    EXPECT_LT(textSaying(scene, "Signed V")->box.bottom, layout.key.top + 1);
    EXPECT_FALSE(LayoutPairMap(threeItems(), 500, 400, 12).named);
}

// A label holds at most 14 bytes: a name that long stays whole, a longer
// one keeps its first 13 bytes less any part of a character, then "…".
TEST(PairMapModelTest, NamesCutAtFourteenBytesWithinWholeCharacters)
{
    const struct {
        std::string name, label;
    } cases[] = {
        {"abcdefghijklm", "abcdefghijklm"},
        {"abcdefghijklmn", "abcdefghijklmn"},   // 14 bytes
        {"abcdefghijklmno", "abcdefghijklm\u2026"},  // 15
        {"abcdefghijkl\u00e9", "abcdefghijkl\u00e9"},  // 14, its last character two bytes
        {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"},  // 14
        {"abcdefghijkl\u00e9x", "abcdefghijkl\u2026"},          // é across the 13th byte
        {"abcdefghijk\u20acx", "abcdefghijk\u2026"},            // € across it
        {"abcdefghij\U0001F600x", "abcdefghij\u2026"},          // four bytes across it
        {"abcdefghijklm\u00e9", "abcdefghijklm\u2026"},         // é just after it
    };
    for (const auto& c : cases) {
        PairMap map = threeItems();
        map.names = {"x", c.name, "y"};
        EXPECT_EQ(map.label(2), c.label) << c.name << " (" << c.name.size() << " bytes)";
    }
}

// Upright text reads bottom to top, as the painter draws it for PNG
// (rotate(-90)): in the SVG it turns a quarter anticlockwise about where it
// is anchored, which is the box's bottom, middle or top as it is aligned
// left, centred or right.
TEST(ChartSvgTest, UprightTextReadsBottomToTop)
{
    using Align = ChartScene::Align;
    const struct {
        Align align;
        const char* anchor;
        double y;
    } cases[] = {{Align::Left, "start", 170}, {Align::Centre, "middle", 110}, {Align::Right, "end", 50}};
    for (const auto& c : cases) {
        ChartScene scene;
        scene.width = 300;
        scene.height = 200;
        ChartScene::Text text;
        text.text = "Mean item score";
        text.box = {10, 50, 30, 170};  // 20 wide, 120 high
        text.align = c.align;
        text.upright = true;
        scene.texts.push_back(text);
        std::ostringstream svg;
        WriteSvg(svg, scene);
        const std::string out = svg.str();
        // x and y of the anchor, and the rotation's angle and centre.
        double x = 0, y = 0, angle = 0, cx = 0, cy = 0;
        const std::size_t at = out.find("<text ");
        ASSERT_NE(at, std::string::npos) << out;
        ASSERT_EQ(std::sscanf(out.c_str() + at, "<text x=\"%lf\" y=\"%lf\"", &x, &y), 2) << out;
        const std::size_t rotation = out.find("transform=\"rotate(", at);
        ASSERT_NE(rotation, std::string::npos) << out;
        ASSERT_EQ(std::sscanf(out.c_str() + rotation, "transform=\"rotate(%lf %lf %lf)\"", &angle, &cx, &cy), 3)
            << out;
        EXPECT_NE(out.find(std::string("text-anchor=\"") + c.anchor + "\"", at), std::string::npos) << out;
        EXPECT_EQ(x, 20);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(cx, x);
        EXPECT_EQ(cy, y);
        // The direction of reading, (1, 0) turned by the angle in the
        // picture's coordinates, y down: straight up the page.
        const double radians = angle * 3.141592653589793 / 180;
        EXPECT_NEAR(std::cos(radians), 0.0, 1e-12) << angle;
        EXPECT_NEAR(std::sin(radians), -1.0, 1e-12) << angle;

        // Level text is not turned.
        scene.texts[0].upright = false;
        std::ostringstream level;
        WriteSvg(level, scene);
        EXPECT_EQ(level.str().find("rotate("), std::string::npos);
    }
}

// Cells smaller than a pixel: each pixel shows the strongest V of the
// cells within it, whatever its sign, so that one dependent pair among
// weak ones still shows; a pixel of the diagonal and nothing else keeps
// the diagonal's colour. Worked out by hand from where each cell falls.
TEST(PairMapModelTest, PixelsHoldTheirStrongestCell)
{
    constexpr int m = 600;
    PairMap map;
    map.items = m;
    map.signedV.assign(static_cast<std::size_t>(m) * m, 0.0);
    map.flagged.assign(map.signedV.size(), 0);
    const PairMapLayout layout = LayoutPairMap(map, 400, 300, 12);
    ASSERT_LT(layout.cell, 0.5);
    const auto pixel = [&](int k) { return static_cast<int>(std::floor(k * layout.cell)); };
    // The first of three items in a row that share a pixel, at or after from.
    const auto threeIn = [&](int from) {
        while (pixel(from) != pixel(from + 2))
            ++from;
        return from;
    };
    const int i = threeIn(300), j = threeIn(450);
    const auto set = [&](int first, int second, double v) {
        map.signedV[static_cast<std::size_t>(first) * m + second] =
            map.signedV[static_cast<std::size_t>(second) * m + first] = v;
    };
    set(i, j, 0.05);
    set(i + 1, j + 1, -0.4);  // the strongest
    set(i + 2, j + 2, 0.2);
    const ChartScene scene = PairMapScene(map, 400, 300, 12);
    const auto at = [&](int row, int column) {
        return colourAt(scene, layout.left + pixel(column) + 0.5, layout.top + pixel(row) + 0.5);
    };
    EXPECT_EQ(at(i, j), DependenceColour(-0.4, 0.4));
    EXPECT_EQ(at(j, i), DependenceColour(-0.4, 0.4));
    EXPECT_EQ(at(100, 200), 0xFFFFFFu);
    EXPECT_EQ(at(50, 50), kDiagonalColour);
    EXPECT_LT(scene.fills.size(), static_cast<std::size_t>(m) * m / 4);
}
