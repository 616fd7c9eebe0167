// The monitor list drawn on the offscreen platform, colours read off the rendered pixels.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <utility>
#include <vector>

#include "tests/ui/Pixels.h"
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
