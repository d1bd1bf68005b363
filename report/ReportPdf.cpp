#include "report/ReportPdf.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "charts/ChartPainting.h"
#include "report/FileInPlace.h"

namespace {

// In points: the writer's resolution is set to 72 dots an inch.
constexpr double kBodySize = 9, kTableSize = 7.5, kSmallestTableSize = 6.5, kFooter = 18, kGap = 6;

QString qt(const std::string& text) { return QString::fromStdString(text); }

// Lays the blocks down the pages, starting a page where the next does not fit.
class PdfPages {
public:
    PdfPages(QPdfWriter& writer, QPainter& painter)
        : writer_(writer), painter_(painter), width_(writer.pageLayout().paintRectPixels(72).width()),
          height_(writer.pageLayout().paintRectPixels(72).height() - kFooter)
    {
        footer();
    }

    void block(const ReportBlock& block)
    {
        using Kind = ReportBlock::Kind;
        switch (block.kind) {
        case Kind::Heading:
            heading(block.text, 12, 10);
            break;
        case Kind::Subheading:
            heading(block.text, 10, 6);
            break;
        case Kind::Paragraph:
            paragraph(block.text);
            break;
        case Kind::Facts:
            facts(block.facts);
            break;
        case Kind::Table:
            table(block.text, block.table);
            break;
        case Kind::Chart:
            chart(block.text, block.chart);
            break;
        }
    }

    void heading(const std::string& text, double size, double before)
    {
        const QFont font = this->font(size, true);
        const double height = textHeight(font, text, width_) + 2;
        // A heading stays with the first lines of what follows it.
        need(before + height + 4 * size);
        y_ += before;
        draw(font, text, {0, y_, width_, height}, Qt::AlignLeft);
        y_ += height + 2;
    }

    void paragraph(const std::string& text, double size = kBodySize, QColor colour = Qt::black)
    {
        const QFont font = this->font(size);
        const double height = textHeight(font, text, width_);
        need(height);
        painter_.setPen(colour);
        draw(font, text, {0, y_, width_, height}, Qt::AlignLeft);
        painter_.setPen(Qt::black);
        y_ += height + kGap;
    }

    void facts(const std::vector<std::pair<std::string, std::string>>& facts)
    {
        const QFont bold = font(kBodySize, true), plain = font(kBodySize);
        double names = 0;
        for (const auto& fact : facts)
            names = std::max(names, metrics(bold).horizontalAdvance(qt(fact.first)));
        names = std::min(names + 12, width_ / 3);
        for (const auto& [name, value] : facts) {
            const double height =
                std::max(textHeight(bold, name, names - 12), textHeight(plain, value, width_ - names));
            need(height);
            draw(bold, name, {0, y_, names - 12, height}, Qt::AlignLeft);
            draw(plain, value, {names, y_, width_ - names, height}, Qt::AlignLeft);
            y_ += height + 1;
        }
        y_ += kGap;
    }

    void table(const std::string& caption, const ReportTable& table)
    {
        if (!caption.empty())
            heading(caption, kBodySize, 2);
        const std::size_t columns = table.headings.size();
        const auto numeric = [&](std::size_t c) { return c < table.numeric.size() && table.numeric[c]; };
        // The font that lets every column have its widest text, down to a
        // least size; text columns wrap beyond that.
        double size = kTableSize;
        std::vector<double> widths;
        for (;; size -= 0.5) {
            widths = naturalWidths(table, size);
            if (std::accumulate(widths.begin(), widths.end(), 0.0) <= width_ || size <= kSmallestTableSize)
                break;
        }
        double spare = width_ - std::accumulate(widths.begin(), widths.end(), 0.0);
        if (spare < 0) {
            double text = 0;
            for (std::size_t c = 0; c < columns; ++c)
                text += numeric(c) ? 0 : widths[c];
            for (std::size_t c = 0; c < columns && text > 0; ++c)
                if (!numeric(c))
                    widths[c] = std::max(widths[c] + spare * widths[c] / text, 4 * size);
        }
        const QFont bold = font(size, true), plain = font(size);
        const auto rowHeight = [&](const std::vector<std::string>& cells, const QFont& font) {
            double height = 0;
            for (std::size_t c = 0; c < cells.size() && c < columns; ++c)
                height = std::max(height, textHeight(font, cells[c], widths[c] - size));
            return height + 0.4 * size;
        };
        const auto drawRow = [&](const std::vector<std::string>& cells, const QFont& font, double height) {
            double x = 0;
            for (std::size_t c = 0; c < cells.size() && c < columns; ++c) {
                draw(font, cells[c], {x + size / 2, y_ + 0.2 * size, widths[c] - size, height},
                     numeric(c) ? Qt::AlignRight : Qt::AlignLeft);
                x += widths[c];
            }
            y_ += height;
        };
        const auto header = [&] {
            const double height = rowHeight(table.headings, bold);
            drawRow(table.headings, bold, height);
            painter_.setPen(QPen(QColor(0x55, 0x55, 0x55), 0.6));
            painter_.drawLine(QPointF(0, y_), QPointF(std::accumulate(widths.begin(), widths.end(), 0.0), y_));
            painter_.setPen(Qt::black);
        };
        need(rowHeight(table.headings, bold) + (table.rows.empty() ? 0 : rowHeight(table.rows[0], plain)));
        header();
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const bool marked = r < table.marked.size() && table.marked[r];
            const QFont& font = marked ? bold : plain;
            const double height = rowHeight(table.rows[r], font);
            if (y_ + height > height_) {
                page();
                header();  // again at the top of each page
            }
            painter_.setPen(marked ? QColor(0xB0, 0, 0) : QColor(Qt::black));
            drawRow(table.rows[r], font, height);
            painter_.setPen(Qt::black);
        }
        y_ += 2 * kGap;
    }

    void chart(const std::string& caption, const ChartScene& scene)
    {
        if (scene.width <= 0 || scene.height <= 0)
            return;
        const QFont small = font(kBodySize - 1);
        const double captionHeight = caption.empty() ? 0 : textHeight(small, caption, width_) + 2;
        // As wide as the page at most, and as tall as a page leaves.
        const double scale = std::min({width_ / scene.width, (height_ - captionHeight) / scene.height, 1.0});
        need(scene.height * scale + captionHeight);
        painter_.save();
        painter_.translate((width_ - scene.width * scale) / 2, y_);
        painter_.scale(scale, scale);
        painter_.setClipRect(QRectF(0, 0, scene.width, scene.height));
        PaintChartScene(painter_, scene);
        painter_.restore();
        y_ += scene.height * scale + 2;
        if (!caption.empty())
            paragraph(caption, kBodySize - 1, QColor(0x44, 0x44, 0x44));
        y_ += kGap;
    }

    bool failed() const { return failed_; }

private:
    // Measured as the page has them, not as a screen would.
    QFontMetricsF metrics(const QFont& font) const { return QFontMetricsF(font, &writer_); }

    QFont font(double size, bool bold = false) const
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(size);
        font.setBold(bold);
        // No ligatures: "fi" stays two letters, and a reader who searches
        // the PDF for "fit" finds it.
        font.setStyleStrategy(QFont::PreferNoShaping);
        return font;
    }

    // Lines break between words, and within a word only where one word
    // is wider than the box (a digest, a path).
    static int wrapping(const QFontMetricsF& metrics, const QString& text, double width)
    {
        for (const QString& word : text.split(QLatin1Char(' ')))
            if (metrics.horizontalAdvance(word) > width)
                return Qt::TextWrapAnywhere;
        return Qt::TextWordWrap;
    }

    double textHeight(const QFont& font, const std::string& text, double width) const
    {
        const QFontMetricsF measure = metrics(font);
        if (text.empty())
            return measure.height();
        const QString words = qt(text);
        return measure.boundingRect(QRectF(0, 0, std::max(width, 1.0), 1e6), wrapping(measure, words, width), words)
            .height();
    }

    void draw(const QFont& font, const std::string& text, const QRectF& box, Qt::Alignment align)
    {
        painter_.setFont(font);
        const QString words = qt(text);
        painter_.drawText(box, static_cast<int>(align | Qt::AlignTop) | wrapping(metrics(font), words, box.width()),
                          words);
    }

    std::vector<double> naturalWidths(const ReportTable& table, double size) const
    {
        const QFontMetricsF bold = metrics(font(size, true));
        std::vector<double> widths(table.headings.size(), 0.0);
        for (std::size_t c = 0; c < widths.size(); ++c)
            widths[c] = bold.horizontalAdvance(qt(table.headings[c]));
        for (const std::vector<std::string>& row : table.rows)
            for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
                widths[c] = std::max(widths[c], bold.horizontalAdvance(qt(row[c])));
        for (double& width : widths)
            width += size + 1;
        return widths;
    }

    void need(double height)
    {
        if (y_ > 0 && y_ + height > height_)
            page();
    }

    void page()
    {
        failed_ = failed_ || !writer_.newPage();
        ++page_;
        y_ = 0;
        footer();
    }

    void footer()
    {
        painter_.setFont(font(kBodySize - 2));
        painter_.setPen(QColor(0x66, 0x66, 0x66));
        painter_.drawText(QRectF(0, height_ + 6, width_, kFooter - 6), Qt::AlignRight | Qt::AlignBottom,
                          QStringLiteral("Page %1").arg(page_));
        painter_.setPen(Qt::black);
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    double width_, height_;
    double y_ = 0;
    int page_ = 1;
    bool failed_ = false;
};

}  // namespace

bool SaveReportPdf(const Report& report, const std::string& path)
{
    const std::unique_ptr<QGuiApplication> application = ChartToolkit();
    return WriteFileInPlace(path, [&report](const std::string& aside) {
        QPdfWriter writer(qt(aside));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(16, 16, 14, 14),
                                         QPageLayout::Millimeter));
        writer.setResolution(72);
        writer.setTitle(qt(report.title));
        writer.setCreator(QStringLiteral("TALVER"));
        QPainter painter;
        if (!painter.begin(&writer))
            return false;
        PdfPages pages(writer, painter);
        pages.heading(report.title, 15, 0);
        for (const ReportBlock& block : report.blocks)
            pages.block(block);
        return painter.end() && !pages.failed();
    });
}
