// The chart drawing and the PDF report of talver-fit, as a module the batch runner opens only
// when a chart is asked for: the toolkit's libraries are large, and most
// runs have no use for them.

#include "charts/ItemCharts.h"
#include "charts/PairMap.h"
#include "charts/PersonCharts.h"
#include "report/ReportPdf.h"
#include "charts/ScoreChart.h"

extern "C" __attribute__((visibility("default"))) bool TalverSaveScoreChart(const ScoreChart* chart,
                                                                           const char* path)
{
    return chart && path && SaveScoreChart(*chart, path);
}

extern "C" __attribute__((visibility("default"))) bool TalverSaveItemCharts(const ItemCharts* charts,
                                                                           const char* path)
{
    return charts && path && SaveItemCharts(*charts, path);
}

extern "C" __attribute__((visibility("default"))) bool TalverSavePairMap(const PairMap* map, const char* path)
{
    return map && path && SavePairMap(*map, path);
}

extern "C" __attribute__((visibility("default"))) bool TalverSavePersonHistogram(const PersonHistogram* histogram,
                                                                                const char* path)
{
    return histogram && path && SavePersonHistogram(*histogram, path);
}

extern "C" __attribute__((visibility("default"))) bool TalverSaveReportPdf(const Report* report, const char* path)
{
    return report && path && SaveReportPdf(*report, path);
}
