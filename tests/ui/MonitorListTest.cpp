// The monitor list drawn on the offscreen platform, colours read off the rendered pixels.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <utility>
#include <vector>

#include "tests/ui/Pixels.h"
#include "widgets/CHistoryGraph.h"
#include "widgets/CMyListCtrl.h"

namespace {

BoardItem Item(const char16_t* pszName, const char16_t* pszThreshold2) {
    BoardItem item;
    item.Name = pszName;
    item.Threshold2 = pszThreshold2;
    return item;
}

class MyListCtrlTest : public testing::Test {
protected:
    MyListCtrlTest() {
        m_list.resize(450, 300);
        m_list.SetColours(QColor(80, 0, 0), Qt::white);
        m_list.SetColumnWidths(150, 150, 100);
    }
    void Rows(const std::vector<std::pair<QString, QString>>& rows) {
        for (const auto& [label, value] : rows) {
            m_list.InsertRow(m_list.RowCount(), label, value, QStringLiteral("[V]"));
        }
        m_list.show();
        QApplication::processEvents();
    }
    QImage Shown() { return m_list.viewport()->grab().toImage(); }
    std::string ValueColour(int nRow) {
        return TextColourIn(Shown(), m_list.CellRect(nRow, CMyListCtrl::kColumnValue));
    }

    CMyListCtrl m_list;
};

// Read off the rendered rows: a value at or above its item's Threshold2 is
// red whatever the case of the label, the first alarm of items sharing a name
// decides, the fan rule is red at 600 RPM or less, and labels stay white.
TEST_F(MyListCtrlTest, EachRuleColoursTheValueAloneRedAndALongNameStopsAtItsColumn) {
    const BoardItemArray items = {Item(u"DRAM", u"1.6"), Item(u"Temp", u"50"), Item(u"Temp", u"30"),
                                  Item(u"Fan", u"99999")};
    m_list.SetItems(&items);
    Rows({{QStringLiteral("DRAM:"), QStringLiteral("1.60000")},
          {QStringLiteral("dram:"), QStringLiteral("1.59999")},
          {QStringLiteral("Other:"), QStringLiteral("9.00000")},
          {QStringLiteral("Temp:"), QStringLiteral("40")}});
    const std::vector<std::string> thresholds = {ValueColour(0), ValueColour(1), ValueColour(2),
                                                 ValueColour(3)};
    EXPECT_EQ(thresholds, (std::vector<std::string>{"red", "white", "white", "red"}));
    const QImage image = Shown();
    EXPECT_EQ(TextColourIn(image, m_list.CellRect(0, CMyListCtrl::kColumnLabel)), "white");
    EXPECT_EQ(TextColourIn(image, m_list.CellRect(0, CMyListCtrl::kColumnUnit)), "white");

    m_list.DeleteAllItems();
    m_list.SetFanRule(true);
    Rows({{QStringLiteral("Fan:"), QStringLiteral("600")},
          {QStringLiteral("Fan:"), QStringLiteral("601")},
          {QStringLiteral("Fan:"), QStringLiteral("0")}});
    const std::vector<std::string> fans = {ValueColour(0), ValueColour(1), ValueColour(2)};
    EXPECT_EQ(fans, (std::vector<std::string>{"red", "white", "red"}));
    // Without the rule or without items every value is white.
    m_list.SetColourRule(false);
    EXPECT_EQ(ValueColour(0), "white");
    m_list.SetColourRule(true);
    m_list.SetItems(nullptr);
    EXPECT_EQ(ValueColour(0), "white");

    // A name longer than its column is cut short of the value beside it, and
    // shown whole as the row's tooltip.
    const QString strName = QStringLiteral("CPU Core Voltage Reading Of Socket One:");
    m_list.DeleteAllItems();
    Rows({{strName, QString()}});
    const QRect rcLabel = m_list.CellRect(0, CMyListCtrl::kColumnLabel);
    EXPECT_EQ(TextColourIn(Shown(), rcLabel), "white");
    EXPECT_EQ(TextColourIn(Shown(), rcLabel.adjusted(rcLabel.width() - 3, 0, 0, 0)), "none");
    EXPECT_EQ(m_list.topLevelItem(0)->toolTip(CMyListCtrl::kColumnLabel), strName);
}

}  // namespace

// An item's last minutes as the graph paints them: values every 2 s, read
// at 60 and 80 around a failed read and, later, two values 30 s apart with
// nothing in between; the alarm line at 75.
TEST(HistoryGraphTest, TheAlarmLineIsRedTheLineBreaksWhereNoValueCameAndTheFiguresAreRead) {
    using namespace std::chrono_literals;
    const CHistoryGraph::Clock::time_point now{std::chrono::hours(500000)};
    std::vector<CItemHistory::Sample> samples;
    for (int nAgo = 100; nAgo >= 60; nAgo -= 2) {
        samples.push_back({now - std::chrono::seconds(nAgo),
                           nAgo == 80 ? std::nullopt : std::optional<double>(nAgo)});
    }
    samples.push_back({now - 30s, 65.0});  // 30 s after the last: a gap before it
    samples.push_back({now - 28s, 65.0});
    CHistoryGraph graph({"now %1, min %2, max %3", "-%1 min", "now", "Graph of %1",
                         "%1, %2 min: now %3, lowest %4, highest %5.", "Alarm at %1 or above.",
                         "Alarm at %1 or below.", "Gaps: %1.", "%1: nothing in %2 min."});
    graph.resize(400, 200);
    graph.SetContent({"CPU", "°C", samples, AlarmLine{75, false},
                      [](double dValue) { return QString::number(dValue, 'f', 0); }, now});
    graph.show();
    QApplication::processEvents();
    EXPECT_EQ(graph.Span(), 2min);
    EXPECT_EQ(graph.GapCount(), 2);
    EXPECT_EQ(graph.accessibleName(), "Graph of CPU");
    EXPECT_EQ(graph.Description(),
              "CPU, 2 min: now 65 °C, lowest 60 °C, highest 100 °C. Alarm at 75 °C or above. "
              "Gaps: 2.");

    const QImage image = graph.grab().toImage();
    const QRect rcPlot = graph.PlotRect();
    const auto column = [&](CHistoryGraph::Clock::time_point time) {
        const int nX = qRound(graph.PointAt(time, 0).x());
        return QRect(nX, rcPlot.top(), 1, rcPlot.height());
    };
    const int nAlarmY = qRound(graph.PointAt(now, 75).y());
    EXPECT_GT(CountPixels(image, QRect(rcPlot.left(), nAlarmY, rcPlot.width(), 1), IsAlarmRed),
              rcPlot.width() / 3)
        << "the dashed alarm line";
    EXPECT_EQ(CountPixels(image, QRect(rcPlot.left(), nAlarmY + 4, 20, 1), IsAlarmRed), 0);
    EXPECT_GT(CountPixels(image, column(now - 93s), IsTextWhite), 0) << "between two values";
    EXPECT_EQ(CountPixels(image, column(now - 80s), IsTextWhite), 0) << "the failed read";
    EXPECT_EQ(CountPixels(image, column(now - 45s), IsTextWhite), 0) << "no value came";
    EXPECT_GT(CountPixels(image, column(now - 29s), IsTextWhite), 0);

    // Older values widen the span; none in it at all reads as such.
    graph.SetContent({"CPU", "°C", {{now - 10min, 50.0}}, std::nullopt, {}, now});
    EXPECT_EQ(graph.Span(), 15min);
    graph.SetContent({"CPU", "°C", {{now - 2h, 50.0}}, std::nullopt, {}, now});
    EXPECT_EQ(graph.Span(), 60min);
    EXPECT_EQ(graph.Description(), "CPU: nothing in 60 min.");
}
