#include "charts/ItemCharts.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "charts/ChartFile.h"

namespace {

constexpr int kCellWidth = 240, kCellHeight = 180, kTitleHeight = 50, kLargestSide = 6000;

void drawItem(QPainter& painter, const ItemCurve& curve, const QRectF& cell, double highest, double low,
              double high)
{
    const QRectF plot = cell.adjusted(36, 24, -10, -26);
    const QColor frame = curve.flagged ? QColor(200, 0, 0) : QColor(Qt::black);
    const auto at = [&](double score, double mean) {
        const double x = high > low ? (score - low) / (high - low) : 0.5;
        return QPointF(plot.left() + x * plot.width(), plot.bottom() - mean / highest * plot.height());
    };
    QFont font = painter.font();
    font.setPixelSize(12);
    font.setBold(curve.flagged);
    painter.setFont(font);
    painter.setPen(frame);
    painter.drawText(QRectF(cell.left(), cell.top() + 4, cell.width(), 16), Qt::AlignCenter,
                     QString("Item %1%2").arg(curve.item).arg(curve.flagged ? " *" : ""));
    font.setBold(false);
    font.setPixelSize(10);
    painter.setFont(font);
    painter.setPen(QPen(QColor(225, 225, 225), 1));
    painter.drawLine(at(low, highest / 2), at(high, highest / 2));
    painter.setPen(Qt::black);
    for (const double y : {0.0, highest})
        painter.drawText(QRectF(cell.left(), at(low, y).y() - 7, 32, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(y));
    for (const double x : {low, high})
        painter.drawText(QRectF(at(x, 0).x() - 25, plot.bottom() + 3, 50, 14), Qt::AlignCenter, QString::number(x));
    painter.setPen(QPen(frame, curve.flagged ? 2 : 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    const auto line = [&](const std::vector<double>& values, const QColor& colour) {
        QPainterPath path;
        for (std::size_t g = 0; g < values.size(); ++g)
            g == 0 ? path.moveTo(at(curve.score[g], values[g])) : path.lineTo(at(curve.score[g], values[g]));
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        painter.setBrush(colour);
        for (std::size_t g = 0; g < values.size(); ++g)
            painter.drawEllipse(at(curve.score[g], values[g]), 2, 2);
    };
    line(curve.expected, Qt::blue);
    line(curve.observed, Qt::red);
}

}  // namespace

int ItemChartColumns(std::size_t count)
{
    return std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count)))));
}

bool SaveItemCharts(const ItemCharts& charts, const std::string& path)
{
    const std::size_t count = charts.items.size();
    const int columns = ItemChartColumns(count);
    const int rows = static_cast<int>((count + columns - 1) / columns);
    // Many items make smaller charts, down to half size.
    const double scale =
        std::clamp(static_cast<double>(kLargestSide) / (std::max(columns * kCellWidth, rows * kCellHeight)), 0.5, 1.0);
    const int width = static_cast<int>(columns * kCellWidth * scale);
    const int height = static_cast<int>((std::max(rows, 1) * kCellHeight + kTitleHeight) * scale);
    // One score axis for all: the totals any group reaches.
    double low = 0.0, high = 0.0;
    bool first = true;
    for (const ItemCurve& curve : charts.items)
        for (const double score : curve.score) {
            low = first ? score : std::min(low, score);
            high = first ? score : std::max(high, score);
            first = false;
        }
    low = std::floor(low);
    high = std::ceil(high);
    return DrawChartFile(path, width, height, charts.title, [&](QPainter& painter) {
        painter.fillRect(QRect(0, 0, width, height), Qt::white);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        QFont font = painter.font();
        font.setPixelSize(16);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 6, columns * kCellWidth, 20), Qt::AlignCenter, QString::fromStdString(charts.title));
        font.setPixelSize(12);
        painter.setFont(font);
        painter.drawText(QRectF(0, 26, columns * kCellWidth, 18), Qt::AlignCenter,
                         QString::fromStdString(charts.measure) +
                             QString::fromUtf8(" by score group: observed red, expected blue; * flagged"));
        for (std::size_t k = 0; k < count; ++k) {
            const QRectF cell((k % columns) * kCellWidth, kTitleHeight + (k / columns) * kCellHeight, kCellWidth,
                              kCellHeight);
            drawItem(painter, charts.items[k], cell, charts.highest > 0 ? charts.highest : 1.0, low, high);
        }
    });
}
