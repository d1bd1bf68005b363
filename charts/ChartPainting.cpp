#include "charts/ChartPainting.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::unique_ptr<QGuiApplication> ChartToolkit()
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

void PaintChartScene(QPainter& painter, const ChartScene& scene)
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

