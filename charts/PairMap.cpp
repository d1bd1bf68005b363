#include "charts/PairMap.h"

#include <algorithm>
#include <cmath>

#include "stats/TextFormat.h"

namespace {

constexpr double kTitleHeight = 40, kFileTextSize = 11;

// Names longer than this are cut short along the edges; a character is
// taken as about 0.62 text heights wide.
constexpr std::size_t kLongestLabel = 14;
constexpr double kCharacterWidth = 0.62;

std::size_t longestLabel(const PairMap& map)
{
    std::size_t longest = 0;
    for (int item = 1; item <= map.items && !map.names.empty(); ++item)
        longest = std::max(longest, map.label(item).size());
    return longest;
}

// The key's bar and its labels, in text heights.
constexpr double kKeyBar = 1.4, kKeyGap = 1.0, kKeyLabels = 5.0;

// Cells smaller than a pixel, a pixel each holding the strongest V of
// the cells within it, so that no dependence is averaged away; a pixel
// of the diagonal alone in its colour.
void addPooledCells(ChartScene& scene, const PairMap& map, const PairMapLayout& layout)
{
    const int m = map.items;
    const int side = static_cast<int>(std::ceil(m * layout.cell));
    std::vector<double> strongest(static_cast<std::size_t>(side) * side, 0.0);
    std::vector<char> diagonal(strongest.size(), 0);
    for (int i = 0; i < m; ++i) {
        const std::size_t row = static_cast<std::size_t>(std::min(side - 1, static_cast<int>(i * layout.cell)));
        for (int j = 0; j < m; ++j) {
            const std::size_t at = row * side + std::min(side - 1, static_cast<int>(j * layout.cell));
            const double v = map.signedV[static_cast<std::size_t>(i) * m + j];
            if (i == j)
                diagonal[at] = 1;
            else if (std::abs(v) > std::abs(strongest[at]))
                strongest[at] = v;
        }
    }
    const double scale = map.scale();
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * side + x;
            scene.fill({layout.left + x, layout.top + y, layout.left + x + 1, layout.top + y + 1},
                       diagonal[at] && strongest[at] == 0 ? kDiagonalColour : DependenceColour(strongest[at], scale));
        }
}

}  // namespace

double PairMap::scale() const
{
    double largest = 0.05;
    for (const double v : signedV)
        largest = std::max(largest, std::abs(v));
    return largest;
}

std::string PairMap::label(int item) const
{
    const std::size_t k = static_cast<std::size_t>(item - 1);
    if (k >= names.size() || names[k].empty())
        return std::to_string(item);
    return CutLabel(names[k], kLongestLabel);
}

std::uint32_t DependenceColour(double signedV, double scale)
{
    const double depth = std::clamp(scale > 0 ? std::abs(signedV) / scale : 0.0, 0.0, 1.0);
    // From white to a deep red (200, 30, 30) or a deep blue (30, 70, 200).
    const auto mix = [depth](int to) { return static_cast<std::uint32_t>(std::lround(255 + (to - 255) * depth)); };
    const bool warm = signedV >= 0;
    return mix(warm ? 200 : 30) << 16 | mix(warm ? 30 : 70) << 8 | mix(warm ? 30 : 200);
}

bool PairMapLayout::pairAt(double x, double y, int& first, int& second) const
{
    if (x < left || y < top)
        return false;
    const int row = static_cast<int>((y - top) / cell), column = static_cast<int>((x - left) / cell);
    if (row >= items || column >= items || row == column)
        return false;
    first = std::min(row, column) + 1;
    second = std::max(row, column) + 1;
    return true;
}

PairMapLayout LayoutPairMap(int items, double width, double height, double textSize, double titleHeight,
                            std::size_t labelLength)
{
    PairMapLayout layout;
    layout.items = std::max(items, 1);
    layout.textSize = textSize;
    layout.named = labelLength > 0;
    const double labels = kCharacterWidth * static_cast<double>(std::min(labelLength, kLongestLabel)) + 0.8;
    layout.left = std::ceil(std::max(3.5, labels) * textSize);
    layout.top = std::ceil(titleHeight + (layout.named ? std::max(1.6, labels) : 1.6) * textSize);
    const double keyWidth = (kKeyGap + kKeyBar + kKeyLabels) * textSize;
    const double side = std::min(width - layout.left - keyWidth, height - layout.top - textSize);
    // Whole pixels while a cell has one, so that cells stay sharp.
    const double cell = std::max(side, 1.0) / layout.items;
    layout.cell = cell >= 1 ? std::floor(cell) : cell;
    // Item numbers at least one and a half text heights apart.
    layout.labelStep = 1;
    for (const int step : {1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 5000}) {
        layout.labelStep = step;
        if (step * layout.cell >= 1.5 * textSize)
            break;
    }
    const double right = layout.left + layout.items * layout.cell;
    layout.key = {right + kKeyGap * textSize, layout.top, right + (kKeyGap + kKeyBar) * textSize,
                  layout.top + std::min(layout.items * layout.cell, 20 * textSize)};
    return layout;
}

PairMapLayout LayoutPairMap(const PairMap& map, double width, double height, double textSize)
{
    return LayoutPairMap(map.items, width, height, textSize, map.title.empty() ? 0 : kTitleHeight, longestLabel(map));
}

ChartScene PairMapScene(const PairMap& map, double width, double height, double textSize)
{
    using Align = ChartScene::Align;
    ChartScene scene;
    scene.width = width;
    scene.height = height;
    scene.title = map.title;
    scene.smooth = false;  // whole-pixel cells stay sharp
    const PairMapLayout layout = LayoutPairMap(map, width, height, textSize);
    const int m = map.items;
    const double scale = map.scale(), t = textSize;
    scene.fill({0, 0, width, height}, kChartWhite);
    if (!map.title.empty())
        scene.text({0, 8, width, 32}, map.title, Align::Centre, 16);
    if (layout.cell < 1) {
        addPooledCells(scene, map, layout);
    } else {
        for (int i = 0; i < m; ++i)
            for (int j = 0; j < m; ++j) {
                const std::size_t k = static_cast<std::size_t>(i) * m + j;
                scene.fill(layout.cellBox(i, j), i == j ? kDiagonalColour : DependenceColour(map.signedV[k], scale));
            }
    }
    // Outlines need a cell of a few pixels to be seen around.
    for (int i = 0; i < m && layout.cell >= 3; ++i)
        for (int j = 0; j < m; ++j)
            if (i != j && map.flagged[static_cast<std::size_t>(i) * m + j]) {
                const ChartScene::Box cell = layout.cellBox(i, j);
                scene.frame({cell.left, cell.top, cell.right - 1, cell.bottom - 1}, kChartBlack,
                            std::max(1.0, std::floor(layout.cell / 8)));
            }
    const double right = layout.left + m * layout.cell, bottom = layout.top + m * layout.cell;
    scene.frame({layout.left, layout.top, right, bottom}, 0x808080);
    for (int item = 1; item <= m; ++item) {
        if (item % layout.labelStep != 0)
            continue;
        const ChartScene::Box cell = layout.cellBox(item - 1, item - 1);
        const double across = (cell.left + cell.right) / 2, down = (cell.top + cell.bottom) / 2;
        const std::string label = map.label(item);
        scene.text({0, down - 0.7 * t, layout.left - 0.4 * t, down + 0.7 * t}, label, Align::Right, t);
        if (layout.named)
            scene.texts.push_back({{across - 0.7 * t, 0, across + 0.7 * t, layout.top - 0.4 * t}, label, Align::Left, t,
                                   false, true, kChartBlack});
        else
            scene.text({across - 2 * t, layout.top - 1.5 * t, across + 2 * t, layout.top - 0.1 * t}, label,
                       Align::Centre, t);
    }
    // The key: from +scale at the top to -scale at the bottom, a line a pixel.
    const ChartScene::Box& key = layout.key;
    for (double y = key.top; y < key.bottom; ++y) {
        const double v = scale * (1.0 - 2.0 * (y - key.top) / std::max(key.height() - 1, 1.0));
        scene.fill({key.left, y, key.right, y + 1}, DependenceColour(v, scale));
    }
    scene.frame(key, kChartBlack);
    const auto label = [&](double v, double y) {
        scene.text({key.right + 0.5 * t, y - 0.7 * t, key.right + kKeyLabels * t, y + 0.7 * t},
                   FormatText("%.3f", v == 0 ? 0.0 : v), Align::Left, t);
    };
    label(scale, key.top);
    label(0.0, (key.top + key.bottom) / 2);
    label(-scale, key.bottom);
    scene.text({key.left, key.top - 1.5 * t, width, key.top - 0.1 * t}, "Signed V", Align::Left, t, kChartBlack, true);
    scene.text({key.left, key.bottom + 0.8 * t, width, key.bottom + 2.2 * t}, "outlined: flagged", Align::Left, t);
    return scene;
}

ChartScene PairMapFileScene(const PairMap& map)
{
    const int m = std::max(map.items, 1);
    const double cell = std::clamp(720 / m, 2, 24), t = kFileTextSize;
    const PairMapLayout margins = LayoutPairMap(map, 0, 0, t);
    const double width = margins.left + m * cell + (kKeyGap + kKeyBar + kKeyLabels) * t + 60;
    const double height = margins.top + std::max(m * cell, 4 * t) + 4 * t;
    return PairMapScene(map, std::ceil(width), std::ceil(height), t);
}
