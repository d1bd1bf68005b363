// The plot window's drawing step over a client area the size of the
// results dialog's graph: 80 and 201 points, with the curves unchanged
// between ticks (the usual case) and moving on every tick.
//
//   plot_bench

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "framework/Dialog.h"
#include "framework/TestSeams.h"
#include "framework/WinApp.h"
#include "results/PlotWnd.h"

namespace {

const DialogTemplate kHost{0, 300, 226, "Plot bench", "Courier", 10, DS_MODALFRAME | WS_CAPTION, {}};

std::vector<double> bell(int points, double shift)
{
    std::vector<double> heights(points);
    for (int k = 0; k < points; ++k) {
        const double z = (k - points * (0.55 + shift)) / (points / 6.0);
        heights[k] = 0.95 * std::exp(-z * z / 2);
    }
    return heights;
}

void measure(CPlotWnd& plot, int points, bool moving)
{
    const std::vector<double> a = bell(points, 0.0), b = bell(points, 0.02);
    plot.m_nObservedCount = plot.m_nExpectedCount = points;
    plot.m_dExpected = a;
    const int steps = 2000;
    const auto start = std::chrono::steady_clock::now();
    for (int step = 0; step < steps; ++step) {
        plot.m_dObserved = moving && step % 2 ? b : a;
        plot.Redraw();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("plot step, %3d points, %-9s %7.1f us\n", points, moving ? "moving:" : "unchanged:",
                seconds / steps * 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    afxtest::HeadlessToolkit toolkit(argc, argv);
    CWinApp app;
    CDialog host(kHost, nullptr);
    afxtest::SetModalHandler([](CDialog& dialog) {
        CPlotWnd plot(FALSE);
        // The graph area of the results dialog, in this font's dialog units.
        plot.Create(0, WS_CHILD | WS_VISIBLE, CRect{8, 8, 8 + 254, 8 + 278}, &dialog);
        plot.SetStyle(2);
        plot.SetWidth(5);
        for (int points : {80, 201})
            for (bool moving : {false, true})
                measure(plot, points, moving);
        dialog.EndDialog(IDOK);
    });
    host.DoModal();
    return 0;
}
