#include "charts/ScoreChart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "charts/ChartFile.h"

namespace {

void draw(QPainter& painter, const ScoreChart& chart)
{
    const QRectF plot(80, 50, kScoreChartWidth - 110, kScoreChartHeight - 110);
    painter.fillRect(QRect(0, 0, kScoreChartWidth, kScoreChartHeight), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);

    const int points = static_cast<int>(std::min(chart.observed.size(), chart.expected.size()));
    const int first = chart.firstScore, last = first + std::max(points - 1, 1);
    double top = 0.0;
    for (int k = 0; k < points; ++k)
        top = std::max({top, chart.observed[k], chart.expected[k]});
    const double yStep = NiceStep(top > 0 ? top : 1.0, 6);
    top = std::ceil((top > 0 ? top : 1.0) / yStep) * yStep;
    const auto at = [&](double score, double frequency) {
        return QPointF(plot.left() + (score - first) / (last - first) * plot.width(),
                       plot.bottom() - frequency / top * plot.height());
    };

    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    const QPen axis(Qt::black, 1), grid(QColor(225, 225, 225), 1);
    for (double y = 0; y <= top + yStep / 2; y += yStep) {
        painter.setPen(grid);
        painter.drawLine(at(first, y), at(last, y));
        painter.setPen(axis);
        painter.drawText(QRectF(0, at(first, y).y() - 8, plot.left() - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(y));
    }
    const double xStep = std::max(1.0, NiceStep(last - first, 10));
    for (double x = std::ceil(first / xStep) * xStep; x <= last; x += xStep) {
        painter.drawLine(at(x, 0), at(x, 0) + QPointF(0, 5));
        painter.drawText(QRectF(at(x, 0).x() - 30, plot.bottom() + 8, 60, 16), Qt::AlignCenter, QString::number(x));
    }
    painter.drawRect(plot);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 28, plot.width(), 20), Qt::AlignCenter, "Score");
    painter.save();
    painter.translate(18, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-100, -10, 200, 20), Qt::AlignCenter, "Frequency");
    painter.restore();
    font.setPixelSize(16);
    painter.setFont(font);
    painter.drawText(QRectF(0, 12, kScoreChartWidth, 24), Qt::AlignCenter, QString::fromStdString(chart.title));

    const auto curve = [&](const std::vector<double>& values, const QColor& colour, double y, const char* name) {
        QPainterPath path;
        for (int k = 0; k < points; ++k)
            k == 0 ? path.moveTo(at(first + k, values[k])) : path.lineTo(at(first + k, values[k]));
        painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        painter.setBrush(colour);
        for (int k = 0; k < points && points <= 60; ++k)
            painter.drawEllipse(at(first + k, values[k]), 3, 3);
        // The legend, top right inside the plot.
        const QPointF key(plot.right() - 130, plot.top() + y);
        painter.drawLine(key, key + QPointF(30, 0));
        painter.setPen(Qt::black);
        QFont legend = painter.font();
        legend.setPixelSize(13);
        painter.setFont(legend);
        painter.drawText(QRectF(key.x() + 38, key.y() - 9, 90, 18), Qt::AlignLeft | Qt::AlignVCenter, name);
    };
    curve(chart.observed, Qt::red, 18, "Observed");
    curve(chart.expected, Qt::blue, 40, "Expected");
}

}  // namespace

bool SaveScoreChart(const ScoreChart& chart, const std::string& path)
{
    return DrawChartFile(path, kScoreChartWidth, kScoreChartHeight, chart.title,
                         [&](QPainter& painter) { draw(painter, chart); });
}
