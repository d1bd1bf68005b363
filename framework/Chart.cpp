#include "framework/Chart.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "framework/QtBridge.h"

namespace {

// A step of 1, 2 or 5 times a power of ten giving about target ticks.
double niceStep(double range, int target)
{
    const double raw = range / target;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (raw <= factor * power)
            return factor * power;
    return 10.0 * power;
}

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
    const double yStep = niceStep(top > 0 ? top : 1.0, 6);
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
    const double xStep = std::max(1.0, niceStep(last - first, 10));
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
    painter.drawText(QRectF(0, 12, kScoreChartWidth, 24), Qt::AlignCenter, toQt(chart.title));

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

// Text needs the toolkit; a program without a window of its own gets one
// that needs no display.
std::unique_ptr<QGuiApplication> toolkit()
{
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "talver";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Its remarks about the desktop it lacks are no concern of the user's.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

bool SaveScoreChart(const ScoreChart& chart, const std::string& path)
{
    const QString name = toQt(path);
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix != "png" && suffix != "svg")
        return false;
    const std::unique_ptr<QGuiApplication> application = toolkit();
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(name);
        svg.setSize(QSize(kScoreChartWidth, kScoreChartHeight));
        svg.setViewBox(QRect(0, 0, kScoreChartWidth, kScoreChartHeight));
        svg.setTitle(toQt(chart.title));
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        draw(painter, chart);
        return painter.end();
    }
    QImage image(kScoreChartWidth, kScoreChartHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    draw(painter, chart);
    painter.end();
    return image.save(name, "PNG");
}
