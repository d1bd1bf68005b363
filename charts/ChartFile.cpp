#include "charts/ChartFile.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "charts/ItemCharts.h"
#include "charts/PairMap.h"
#include "charts/ScoreChart.h"

namespace {

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

void paint(QPainter& painter, const ChartScene& scene)
{
    const auto colour = [](std::uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); };
    const auto rect = [](const ChartScene::Box& b) { return QRectF(b.left, b.top, b.width(), b.height()); };
    for (const ChartScene::Fill& fill : scene.fills)
        painter.fillRect(rect(fill.box), colour(fill.colour));
    painter.setRenderHint(QPainter::Antialiasing, scene.smooth);
    for (const ChartScene::Line& line : scene.lines) {
        if (line.points.empty())
            continue;
        QPainterPath path(QPointF(line.points[0].x, line.points[0].y));
        for (std::size_t k = 1; k < line.points.size(); ++k)
            path.lineTo(line.points[k].x, line.points[k].y);
        painter.setPen(QPen(colour(line.colour), line.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        if (line.marks > 0) {
            painter.setBrush(colour(line.colour));
            for (const ChartScene::Point& point : line.points)
                painter.drawEllipse(QPointF(point.x, point.y), line.marks, line.marks);
        }
    }
    for (const ChartScene::Text& text : scene.texts) {
        QFont font = painter.font();
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(text.size))));
        font.setBold(text.bold);
        painter.setFont(font);
        painter.setPen(colour(text.colour));
        const int align = (text.align == ChartScene::Align::Left    ? Qt::AlignLeft
                           : text.align == ChartScene::Align::Right ? Qt::AlignRight
                                                                    : Qt::AlignHCenter) |
                          Qt::AlignVCenter;
        const QString words = QString::fromStdString(text.text);
        if (!text.upright) {
            painter.drawText(rect(text.box), align, words);
            continue;
        }
        painter.save();
        painter.translate((text.box.left + text.box.right) / 2, (text.box.top + text.box.bottom) / 2);
        painter.rotate(-90);
        painter.drawText(QRectF(-text.box.height() / 2, -text.box.width() / 2, text.box.height(), text.box.width()),
                         align, words);
        painter.restore();
    }
}

}  // namespace

bool SaveChartFile(const ChartScene& scene, const std::string& path)
{
    const QString name = QString::fromStdString(path);
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix != "png" && suffix != "svg")
        return false;
    const int width = static_cast<int>(std::ceil(scene.width)), height = static_cast<int>(std::ceil(scene.height));
    const std::unique_ptr<QGuiApplication> application = toolkit();
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(name);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(QString::fromStdString(scene.title));
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        paint(painter, scene);
        return painter.end();
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter, scene);
    painter.end();
    return image.save(name, "PNG");
}

bool SaveScoreChart(const ScoreChart& chart, const std::string& path)
{
    return SaveChartFile(ScoreChartScene(chart), path);
}

bool SaveItemCharts(const ItemCharts& charts, const std::string& path)
{
    return SaveChartFile(ItemChartsScene(charts), path);
}

bool SavePairMap(const PairMap& map, const std::string& path)
{
    return SaveChartFile(PairMapFileScene(map), path);
}
