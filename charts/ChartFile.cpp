#include "charts/ChartFile.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

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

}  // namespace

double NiceStep(double range, int target)
{
    const double raw = range / target;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (raw <= factor * power)
            return factor * power;
    return 10.0 * power;
}

bool DrawChartFile(const std::string& path, int width, int height, const std::string& title,
                   const std::function<void(QPainter&)>& draw)
{
    const QString name = QString::fromStdString(path);
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix != "png" && suffix != "svg")
        return false;
    const std::unique_ptr<QGuiApplication> application = toolkit();
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(name);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(QString::fromStdString(title));
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        draw(painter);
        return painter.end();
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    QPainter painter(&image);
    draw(painter);
    painter.end();
    return image.save(name, "PNG");
}
