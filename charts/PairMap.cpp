#include "charts/PairMap.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "charts/ChartFile.h"

double PairMap::scale() const
{
    double largest = 0.05;
    for (const double v : signedV)
        largest = std::max(largest, std::abs(v));
    return largest;
}

std::uint32_t DependenceColour(double signedV, double scale)
{
    const double depth = std::clamp(scale > 0 ? std::abs(signedV) / scale : 0.0, 0.0, 1.0);
    // From white to a deep red (200, 30, 30) or a deep blue (30, 70, 200).
    const auto mix = [depth](int to) { return static_cast<std::uint32_t>(std::lround(255 + (to - 255) * depth)); };
    const bool warm = signedV >= 0;
    return mix(warm ? 200 : 30) << 16 | mix(warm ? 30 : 70) << 8 | mix(warm ? 30 : 200);
}

namespace {

QColor colourOf(std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

bool SavePairMap(const PairMap& map, const std::string& path)
{
    const int m = std::max(map.items, 1);
    const int cell = std::clamp(720 / m, 2, 24), side = cell * m;
    const int left = 50, top = 50, keyWidth = 120;
    const int width = left + side + 30 + keyWidth, height = top + side + 50;
    const double scale = map.scale();
    return DrawChartFile(path, width, height, map.title, [&](QPainter& painter) {
        painter.fillRect(QRect(0, 0, width, height), Qt::white);
        QFont font = painter.font();
        font.setPixelSize(16);
        painter.setFont(font);
        painter.drawText(QRectF(0, 10, width, 24), Qt::AlignCenter, QString::fromStdString(map.title));
        font.setPixelSize(11);
        painter.setFont(font);
        for (int i = 0; i < map.items; ++i)
            for (int j = 0; j < map.items; ++j) {
                const std::size_t k = static_cast<std::size_t>(i) * map.items + j;
                const QRect square(left + j * cell, top + i * cell, cell, cell);
                const QColor colour = i == j ? QColor(235, 235, 235) : colourOf(DependenceColour(map.signedV[k], scale));
                painter.fillRect(square, colour);
            }
        painter.setPen(QPen(Qt::black, std::max(1, cell / 8)));
        for (int i = 0; i < map.items; ++i)
            for (int j = 0; j < map.items; ++j)
                if (i != j && map.flagged[static_cast<std::size_t>(i) * map.items + j])
                    painter.drawRect(QRect(left + j * cell, top + i * cell, cell - 1, cell - 1));
        painter.setPen(QPen(Qt::gray, 1));
        painter.drawRect(QRect(left, top, side, side));
        // Item numbers along both edges, at most about twenty of them.
        painter.setPen(Qt::black);
        const int step = std::max(1, (map.items + 19) / 20);
        for (int i = 0; i < map.items; i += step) {
            painter.drawText(QRectF(0, top + i * cell, left - 6, cell), Qt::AlignRight | Qt::AlignVCenter,
                             QString::number(i + 1));
            painter.drawText(QRectF(left + i * cell - 10, top - 18, cell + 20, 16), Qt::AlignCenter,
                             QString::number(i + 1));
        }
        // The key: the scale from -V to +V, top to bottom.
        const int keyLeft = left + side + 30, keyTop = top, keyHeight = std::min(side, 300);
        for (int y = 0; y < keyHeight; ++y) {
            const double v = scale * (1.0 - 2.0 * y / std::max(keyHeight - 1, 1));
            painter.fillRect(QRect(keyLeft, keyTop + y, 20, 1), colourOf(DependenceColour(v, scale)));
        }
        painter.setPen(Qt::black);
        painter.drawRect(QRect(keyLeft, keyTop, 20, keyHeight));
        const auto label = [&](double v, int y) {
            painter.drawText(QRectF(keyLeft + 26, y - 8, keyWidth - 26, 16), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::number(v, 'f', 3));
        };
        label(scale, keyTop);
        label(0.0, keyTop + keyHeight / 2);
        label(-scale, keyTop + keyHeight);
        painter.drawText(QRectF(keyLeft - 10, keyTop + keyHeight + 12, keyWidth + 10, 32),
                         Qt::AlignLeft | Qt::TextWordWrap, "signed V; outlined: flagged");
    });
}
