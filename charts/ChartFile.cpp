#include "charts/ChartFile.h"

#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cmath>

#include "charts/ChartPainting.h"
#include "charts/ItemCharts.h"
#include "charts/PairMap.h"
#include "charts/PersonCharts.h"
#include "charts/ScoreChart.h"
#include "input/FileName.h"

bool SaveChartFile(const ChartScene& scene, const std::string& path)
{
    const QString name = QString::fromStdString(path);
    const std::string ending = FileNameEnding(path);
    if (ending != "png" && ending != "svg")
        return false;
    const int width = static_cast<int>(std::ceil(scene.width)), height = static_cast<int>(std::ceil(scene.height));
    const std::unique_ptr<QGuiApplication> application = ChartToolkit();
    if (ending == "svg") {
        QSvgGenerator svg;
        svg.setFileName(name);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(QString::fromStdString(scene.title));
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        PaintChartScene(painter, scene);
        return painter.end();
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintChartScene(painter, scene);
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

bool SavePersonHistogram(const PersonHistogram& histogram, const std::string& path)
{
    return SaveChartFile(PersonHistogramFileScene(histogram), path);
}
