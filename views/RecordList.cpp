#include "views/RecordList.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "dao/ZedaDaoTable.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "views/BillingTotals.h"
#include "views/RecordsOutput.h"
#include "views/ShownRecords.h"

namespace zalvert {
namespace {

// Everything in points (1/72 inch), on A4 landscape with margins of 10 mm.
constexpr double kHeadHeight = 44;
constexpr double kTitlesHeight = 14;
constexpr double kFootHeight = 18;
constexpr double kRowHeight = 11.5;
constexpr double kBodySize = 7.5;

QPageLayout ListLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

int RowsPerPage() {
    const double height = ListLayout().paintRect(QPageLayout::Point).height();
    return std::max(
        1, static_cast<int>((height - kHeadHeight - kTitlesHeight - kFootHeight) / kRowHeight));
}

bool RightAligned(TCellKind kind) {
    return kind == TCellKind::Integer || kind == TCellKind::Number || kind == TCellKind::Currency;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

class TListPainter {
  public:
    TListPainter(const TShownRecords& shown, QPagedPaintDevice& device,
                 const std::vector<TShownColumn>& columns)
        : shown_(shown),
          device_(device),
          columns_(columns),
          painter_(&device),
          scale_(device.logicalDpiY() / 72.0),
          width_(ListLayout().paintRect(QPageLayout::Point).width()),
          printed_(Text("Gedruckt am " + DateTimeToStr(std::floor(Now())) + " " +
                        TimeToStr(Now()).substr(0, 5))) {
        body_.setFamily("DejaVu Sans");
        body_.setPointSizeF(kBodySize);
        bold_ = body_;
        bold_.setBold(true);
        PlaceColumns();
    }

    void Begin(int pages) {
        pages_ = pages;
        Head();
    }

    void Row(const std::vector<Variant>& values) {
        if (row_ == RowsPerPage()) NextPage();
        painter_.setFont(body_);
        const double top = kHeadHeight + kTitlesHeight + row_ * kRowHeight;
        for (size_t c = 0; c < left_.size(); ++c)
            Cell(c, top, Text(ShownText(values[c], columns_[c].Kind)));
        painter_.setPen(QColor(220, 220, 220));
        painter_.drawLine(At(0, top + kRowHeight), At(width_, top + kRowHeight));
        ++row_;
    }

    void End(const TBillingTotals& totals) {
        if (row_ + 2 > RowsPerPage()) NextPage();
        painter_.setFont(bold_);
        painter_.setPen(Qt::black);
        const double top = kHeadHeight + kTitlesHeight + (row_ + 1) * kRowHeight;
        painter_.drawText(Box(0, top, width_, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                          Text(BillingTotalsText(totals)));
        Foot();
    }

  private:
    // Each column as wide as in the window, all of them scaled to the page; dates,
    // amounts and titles whole, the room they need taken from the wider columns.
    void PlaceColumns() {
        const size_t count = std::min(shown_.Columns.size(), columns_.size());
        std::vector<double> widths(count), least(count);
        double sum = 0;
        for (size_t c = 0; c < count; ++c) sum += c < shown_.Widths.size() ? shown_.Widths[c] : 64;
        double spare = 0;
        for (size_t c = 0; c < count; ++c) {
            widths[c] =
                width_ * (c < shown_.Widths.size() ? shown_.Widths[c] : 64) / std::max(1.0, sum);
            least[c] = std::min(width_ / static_cast<double>(count) * 2, LeastWidth(c));
            spare += std::max(0.0, widths[c] - least[c]);
        }
        double missing = 0;
        for (size_t c = 0; c < count; ++c) missing += std::max(0.0, least[c] - widths[c]);
        const double keep = spare > 0 ? std::max(0.0, 1 - missing / spare) : 1;
        double x = 0;
        for (size_t c = 0; c < count; ++c) {
            left_.push_back(x);
            x += widths[c] < least[c] ? least[c] : least[c] + (widths[c] - least[c]) * keep;
        }
        left_.push_back(width_);
    }

    // In points: a column's title, and a whole date and time or amount.
    double LeastWidth(size_t c) const {
        const QFontMetricsF metrics(bold_);
        const auto width = [&](const QString& text) {
            return metrics.horizontalAdvance(text) * 72 / metrics.fontDpi() + 5;
        };
        double least = width(Text(columns_[c].Title));
        if (columns_[c].Kind == TCellKind::DateTime)
            least = std::max(least, width("31.12.2024 23:59:59"));
        if (columns_[c].Kind == TCellKind::Currency) least = std::max(least, width("123.456,78 €"));
        return least;
    }

    QPointF At(double x, double y) const { return {x * scale_, y * scale_}; }
    QRectF Box(double x, double y, double w, double h) const {
        return {x * scale_, y * scale_, w * scale_, h * scale_};
    }

    void Cell(size_t c, double top, const QString& text) {
        painter_.setPen(Qt::black);
        const QRectF box = Box(left_[c] + 2, top, left_[c + 1] - left_[c] - 4, kRowHeight);
        const QString shown =
            painter_.fontMetrics().elidedText(text, Qt::ElideRight, static_cast<int>(box.width()));
        painter_.drawText(
            box,
            Qt::AlignVCenter | (RightAligned(columns_[c].Kind) ? Qt::AlignRight : Qt::AlignLeft),
            shown);
    }

    void Head() {
        QFont title = bold_;
        title.setPointSizeF(14);
        painter_.setFont(title);
        painter_.setPen(Qt::black);
        painter_.drawText(Box(0, 0, width_ / 2, 20), Qt::AlignLeft | Qt::AlignTop, "Zalverten");
        QFont small = body_;
        small.setPointSizeF(9);
        painter_.setFont(small);
        painter_.drawText(Box(width_ / 2, 0, width_ / 2, 20), Qt::AlignRight | Qt::AlignTop,
                          printed_);
        painter_.drawText(Box(0, 20, width_, 16), Qt::AlignLeft | Qt::AlignTop,
                          Text(shown_.FilterWords));
        painter_.setFont(bold_);
        for (size_t c = 0; c + 1 < left_.size(); ++c) Cell(c, kHeadHeight, Text(columns_[c].Title));
        painter_.drawLine(At(0, kHeadHeight + kTitlesHeight),
                          At(width_, kHeadHeight + kTitlesHeight));
    }

    void Foot() {
        const double height = ListLayout().paintRect(QPageLayout::Point).height();
        painter_.setFont(body_);
        painter_.setPen(Qt::black);
        painter_.drawText(Box(0, height - kFootHeight + 6, width_, kFootHeight - 6),
                          Qt::AlignCenter,
                          QString("Seite %1 von %2").arg(page_).arg(std::max(pages_, page_)));
    }

    void NextPage() {
        Foot();
        device_.newPage();
        ++page_;
        row_ = 0;
        Head();
    }

    const TShownRecords& shown_;
    QPagedPaintDevice& device_;
    const std::vector<TShownColumn>& columns_;
    QPainter painter_;
    double scale_;  // device pixels a point
    double width_;  // of the printable area, in points
    QString printed_;
    QFont body_;
    QFont bold_;
    std::vector<double> left_;  // each column's left edge, then the right edge
    int pages_ = 1;
    int page_ = 1;
    int row_ = 0;
};

}  // namespace

int RecordListPages(long records) {
    const long lines = records + 2;  // the totals after a blank line
    return static_cast<int>(std::max(1L, (lines + RowsPerPage() - 1) / RowsPerPage()));
}

bool PaintRecordList(const TShownRecords& shown, QPagedPaintDevice& device,
                     const std::function<bool(long done, long total)>& progress) {
    device.setPageLayout(ListLayout());
    const std::vector<TShownColumn> columns = ShownColumns(shown.Table, shown.Columns);
    const auto netto = std::find_if(columns.begin(), columns.end(),
                                    [](const TShownColumn& c) { return c.Field == "Netto"; });
    const size_t nettoColumn = static_cast<size_t>(netto - columns.begin());
    TListPainter list(shown, device, columns);
    list.Begin(RecordListPages(shown.Table.RecordCount()));
    TBillingTotals totals;
    TCurrency sum{};
    const bool complete = ReadShownRecords(
        shown.Table, columns,
        [&](const std::vector<Variant>& values) {
            list.Row(values);
            ++totals.Count;
            if (nettoColumn < values.size() && !values[nettoColumn].IsEmptyOrNull())
                sum.Scaled += values[nettoColumn].AsCurrency().Scaled;
        },
        progress);
    if (!complete) return false;
    totals.Netto = sum.ToDouble();
    list.End(totals);
    return true;
}

}  // namespace zalvert
