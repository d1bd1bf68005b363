#include "results/PlotWnd.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "framework/DC.h"
#include "tests/framework/GuiTest.h"

namespace {

constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

const DialogTemplate kHost{0, 240, 200, "Plot host", "MS Sans Serif", 10, DS_MODALFRAME | WS_CAPTION, {}};

// The settings file the plot window reads.
class Profile {
public:
    explicit Profile(const std::string& config)
        : path_(std::string(std::getenv("XDG_CONFIG_HOME")) + "/talver.ini")
    {
        std::FILE* file = std::fopen(path_.c_str(), "w");
        std::fprintf(file, "[Config]\n%s", config.c_str());
        std::fclose(file);
    }
    ~Profile() { std::remove(path_.c_str()); }

private:
    std::string path_;
};

// Pen widths scale with the screen: the figures below are for one 1024
// pixels wide, whatever display the tests run on.
class PlotWndTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        afxtest::SetScreenWidth(1024);
    }
    void TearDown() override
    {
        afxtest::SetScreenWidth(0);
        GuiTest::TearDown();
    }

    // A plot window of the given client size in a dialog, shown and painted
    // once, as the results dialog has it.
    void withPlot(int width, int height, const std::function<void(CPlotWnd&)>& body)
    {
        CDialog host(kHost, nullptr);
        onModal([&](CDialog& d) {
            CPlotWnd plot(FALSE);
            ASSERT_TRUE(plot.Create(0, WS_CHILD | WS_VISIBLE, CRect{8, 8, 8 + width, 8 + height}, &d));
            plot.UpdateWindow();
            body(plot);
            d.EndDialog(IDCANCEL);
        });
        host.DoModal();
    }

    static void setCurves(CPlotWnd& plot, const std::vector<double>& observed, const std::vector<double>& expected)
    {
        plot.m_dObserved = observed;
        plot.m_dExpected = expected;
        plot.m_nObservedCount = static_cast<int>(observed.size());
        plot.m_nExpectedCount = static_cast<int>(expected.size());
    }

    static int count(const afxtest::Picture& picture, std::uint32_t colour)
    {
        return static_cast<int>(std::count(picture.pixels.begin(), picture.pixels.end(), colour));
    }
    static int lastColumnWith(const afxtest::Picture& picture, int y, std::uint32_t colour)
    {
        for (int x = picture.width - 1; x >= 0; --x)
            if (picture.at(x, y) == colour)
                return x;
        return -1;
    }
};

TEST_F(PlotWndTest, FewerThanTwoPointsDrawNothing)
{
    withPlot(200, 100, [&](CPlotWnd& plot) {
        for (int points : {0, 1}) {
            setCurves(plot, std::vector<double>(points, 0.5), std::vector<double>(points, 0.5));
            plot.Redraw();
            EXPECT_EQ(count(afxtest::Capture(plot), kBlack), 200 * 100) << points << " points";
        }
    });
}

TEST_F(PlotWndTest, PointsLieWholePixelsApartAndHeightsScaleToTheWindow)
{
    withPlot(300, 120, [&](CPlotWnd& plot) {
        plot.SetStyle(2);  // solid
        plot.SetWidth(2);  // (300 * 2 + 512) / 1024: one pixel
        ASSERT_EQ(plot.PenWidth(), 1);

        // dx is 7.5 and the points lie 7 pixels apart: the peak of point 2
        // is at x = 14, the end of point 40 at x = 280.
        std::vector<double> flat(41, 0.5);
        flat[2] = 1.0;
        setCurves(plot, flat, flat);
        plot.Redraw();
        afxtest::Picture picture = afxtest::Capture(plot);
        EXPECT_EQ(picture.at(14, 0), kBlue);
        EXPECT_EQ(picture.at(15, 0), kBlack);
        EXPECT_EQ(picture.at(13, 0), kBlack);
        EXPECT_EQ(lastColumnWith(picture, 60, kBlue), 280);

        // 1.0 centres the line on the top row, 0.0 one row below the last:
        // three pixels wide, two rows and one row show.
        plot.SetWidth(10);
        ASSERT_EQ(plot.PenWidth(), 3);
        setCurves(plot, std::vector<double>(41, 0.0), std::vector<double>(41, 1.0));
        plot.Redraw();
        picture = afxtest::Capture(plot);
        EXPECT_EQ(picture.at(100, 0), kBlue);
        EXPECT_EQ(picture.at(100, 1), kBlue);
        EXPECT_EQ(picture.at(100, 2), kBlack);
        EXPECT_EQ(picture.at(100, 119), kRed);
        EXPECT_EQ(picture.at(100, 118), kBlack);
    });
}

TEST_F(PlotWndTest, ATickErasesOnlyWhatTheCurvesLeft)
{
    withPlot(200, 100, [&](CPlotWnd& plot) {
        setCurves(plot, std::vector<double>(11, 0.25), std::vector<double>(11, 0.75));
        plot.Redraw();
        const afxtest::Picture first = afxtest::Capture(plot);
        EXPECT_GT(count(first, kRed), 0);
        EXPECT_GT(count(first, kBlue), 0);

        // A mark where no curve has been survives every tick.
        {
            CClientDC dc(&plot);
            CBrush green(RGB(0, 255, 0));
            const CRect mark{0, 45, 4, 49};
            dc.FillRect(&mark, &green);
        }
        plot.SendMessage(WM_TIMER, 1);
        afxtest::Picture second = afxtest::Capture(plot);
        EXPECT_EQ(count(second, kRed), count(first, kRed));
        EXPECT_EQ(count(second, kBlue), count(first, kBlue));
        EXPECT_EQ(count(second, kGreen), 16);

        // The observed curve moves up: its old place turns black, the rest
        // stays as it was.
        setCurves(plot, std::vector<double>(11, 0.5), std::vector<double>(11, 0.75));
        plot.SendMessage(WM_TIMER, 1);
        const afxtest::Picture third = afxtest::Capture(plot);
        EXPECT_EQ(third.at(100, 75), kBlack);
        EXPECT_EQ(third.at(100, 50), kRed);
        EXPECT_EQ(third.at(100, 25), kBlue);
        EXPECT_EQ(count(third, kGreen), 16);

        // Another timer's tick draws nothing.
        setCurves(plot, std::vector<double>(11, 0.9), std::vector<double>(11, 0.75));
        plot.SendMessage(WM_TIMER, 2);
        EXPECT_EQ(afxtest::Capture(plot).pixels, third.pixels);
    });
}

TEST_F(PlotWndTest, ExpectedCurveLiesOnTopWhereTheyCross)
{
    withPlot(200, 100, [&](CPlotWnd& plot) {
        plot.SetWidth(50);
        plot.SetStyle(2);
        setCurves(plot, {0.0, 1.0}, {1.0, 0.0});
        plot.Redraw();
        const afxtest::Picture picture = afxtest::Capture(plot);
        EXPECT_EQ(picture.at(100, 50), kBlue);
        EXPECT_GT(count(picture, kRed), 0);
    });
}

TEST_F(PlotWndTest, PaintLeavesBlackUntilTheNextTick)
{
    withPlot(200, 100, [&](CPlotWnd& plot) {
        setCurves(plot, std::vector<double>(21, 0.3), std::vector<double>(21, 0.6));
        plot.Redraw();
        const afxtest::Picture drawn = afxtest::Capture(plot);

        plot.Invalidate();
        plot.UpdateWindow();
        EXPECT_EQ(count(afxtest::Capture(plot), kBlack), 200 * 100);
        plot.Redraw();  // nothing left to erase; both curves come back whole
        EXPECT_EQ(afxtest::Capture(plot).pixels, drawn.pixels);
    });
}

TEST_F(PlotWndTest, WidthAndStyleRepaintOnlyWhenTheyChange)
{
    withPlot(200, 100, [&](CPlotWnd& plot) {
        setCurves(plot, std::vector<double>(21, 0.3), std::vector<double>(21, 0.6));
        plot.Redraw();
        const afxtest::Picture drawn = afxtest::Capture(plot);

        plot.SetWidth(10);  // the profile's default
        plot.SetStyle(0);
        EXPECT_EQ(afxtest::Capture(plot).pixels, drawn.pixels);
        plot.SetWidth(5);
        EXPECT_EQ(count(afxtest::Capture(plot), kBlack), 200 * 100);
        plot.Redraw();
        plot.SetStyle(2);
        EXPECT_EQ(count(afxtest::Capture(plot), kBlack), 200 * 100);
    });
}

// Setting 5 on the 1024-pixel screen: the pen is 0 pixels up to a client
// width of 102, and a width-0 pen still draws a one-pixel line.
TEST_F(PlotWndTest, PenWidthIsTheSettingScaledToTheWindowsShareOfTheScreen)
{
    struct Case {
        int clientWidth, setting, penWidth;
    };
    for (const Case c : {Case{102, 5, 0}, Case{103, 5, 1}, Case{254, 5, 1}, Case{254, 10, 2}, Case{1024, 10, 10}}) {
        withPlot(c.clientWidth, 60, [&](CPlotWnd& plot) {
            plot.SetWidth(c.setting);
            plot.SetStyle(2);
            EXPECT_EQ(plot.PenWidth(), c.penWidth) << c.clientWidth << " pixels, setting " << c.setting;
            setCurves(plot, std::vector<double>(5, 0.5), std::vector<double>(5, 0.5));
            plot.Redraw();
            const afxtest::Picture picture = afxtest::Capture(plot);
            int rows = 0;
            for (int y = 0; y < picture.height; ++y)
                rows += picture.at(c.clientWidth / 2, y) == kBlue;
            EXPECT_EQ(rows, std::max(c.penWidth, 1));
        });
    }
}

TEST_F(PlotWndTest, SettingsComeFromTheProfile)
{
    // None there: width 10, dash-dot-dot, speed 1.
    withPlot(254, 60, [&](CPlotWnd& plot) {
        EXPECT_EQ(plot.PenWidth(), 2);
        EXPECT_EQ(afxtest::TimerPeriod(plot, 1), 545);
        setCurves(plot, std::vector<double>(5, 0.5), std::vector<double>(5, 0.5));
        plot.Redraw();
        const afxtest::Picture dashed = afxtest::Capture(plot);
        EXPECT_GT(lastColumnWith(dashed, 30, kBlue), 200);
        EXPECT_LT(count(dashed, kBlue), 254 * 2 * 3 / 4);  // gaps along the line

        plot.SetSpeed(100);
        EXPECT_EQ(afxtest::TimerPeriod(plot, 1), 50);
        plot.SetSpeed(110);
        EXPECT_EQ(afxtest::TimerPeriod(plot, 1), 0);
        plot.SetSpeed(std::numeric_limits<int>::max());
        EXPECT_EQ(afxtest::TimerPeriod(plot, 1), 0);
        plot.SetWidth(std::numeric_limits<int>::max());
        EXPECT_EQ(plot.PenWidth(), 4096);
    });
    const Profile profile("Width=20\nStyle=2\nSpeed=-3\n");
    withPlot(254, 60, [&](CPlotWnd& plot) {
        EXPECT_EQ(plot.PenWidth(), 5);
        EXPECT_EQ(afxtest::TimerPeriod(plot, 1), 550);
        setCurves(plot, std::vector<double>(5, 0.5), std::vector<double>(5, 0.5));
        plot.Redraw();
        const afxtest::Picture solid = afxtest::Capture(plot);
        for (int x = 0; x <= 252; ++x)
            ASSERT_EQ(solid.at(x, 30), kBlue) << x;
    });
    // Settings far beyond their use are held within it.
    const Profile huge("Width=2147483647\nSpeed=2147483647\n");
    withPlot(254, 60, [&](CPlotWnd& plot) {
        EXPECT_EQ(afxtest::TimerPeriod(plot, 1), 0);
        EXPECT_EQ(plot.PenWidth(), 4096);
        // So are heights far off the window, from a report edited by hand.
        plot.SetWidth(10);
        setCurves(plot, {1e30, -1e30, 0.5}, {-1e30, 1e30, 0.5});
        plot.Redraw();
    });
}

// A 100-item binary test has 101 score points; all of them are drawn.
TEST_F(PlotWndTest, MoreThanEightyPointsAreDrawnWhole)
{
    withPlot(401, 100, [&](CPlotWnd& plot) {
        plot.SetStyle(2);
        std::vector<double> heights(101, 0.2);
        heights[100] = 1.0;
        setCurves(plot, heights, heights);
        plot.Redraw();
        const afxtest::Picture picture = afxtest::Capture(plot);
        EXPECT_EQ(lastColumnWith(picture, 0, kBlue), 400);  // the last column

        // A count beyond the values given draws just those values.
        plot.m_nObservedCount = plot.m_nExpectedCount = 500;
        plot.Redraw();
        EXPECT_EQ(afxtest::Capture(plot).pixels, picture.pixels);
    });
}

// The curves of a 40-item test, for a person to look at.
TEST_F(PlotWndTest, RendersTwoRealisticCurves)
{
    withPlot(254, 278, [&](CPlotWnd& plot) {
        plot.SetSpeed(100);
        plot.SetStyle(2);
        plot.SetWidth(5);
        std::vector<double> observed(41), expected(41);
        double largest = 0.0;
        for (int k = 0; k <= 40; ++k) {
            expected[k] = 1000.0 * std::exp(-(k - 24.0) * (k - 24.0) / 60.0) / std::sqrt(60.0 * M_PI);
            observed[k] = std::round(expected[k] * (1.0 + 0.15 * std::sin(k * 1.7)));
            largest = std::max({largest, expected[k], observed[k]});
        }
        const double scale = largest + largest / 30.0;
        for (int k = 0; k <= 40; ++k) {
            observed[k] /= scale;
            expected[k] /= scale;
        }
        setCurves(plot, observed, expected);
        plot.Redraw();
        const afxtest::Picture picture = afxtest::Capture(plot);
        EXPECT_GT(count(picture, kRed), 0);
        EXPECT_GT(count(picture, kBlue), 0);
        if (const char* folder = std::getenv("TALVER_SCREENSHOTS")) {
            EXPECT_TRUE(afxtest::RenderToPng(plot, std::string(folder) + "/plot-window.png"));
        }
    });
}

}  // namespace
