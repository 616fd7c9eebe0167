#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "data/CItemHistory.h"
#include "link/ItemText.h"

// One monitored item's last minutes as a line: its alarm line across, the
// time axis under it, and the current value, lowest and highest over the
// span above it. Where no value came, the line breaks. Painted here rather
// than with a chart library: it is a few lines and labels at fixed pixel
// sizes, and Qt Charts, the one Debian packages for Qt Widgets, is
// deprecated. Assistive technology reads the figures as its description.
class CHistoryGraph final : public QWidget {
    Q_OBJECT
public:
    using Clock = CItemHistory::Clock;

    struct Content {
        QString strName;
        QString strUnit;                            // plain: V, °C, RPM, MHz
        std::vector<CItemHistory::Sample> samples;  // oldest first
        std::optional<AlarmLine> alarm;
        // A value as the item's row shows it.
        std::function<QString(double)> text;
        Clock::time_point now;
    };

    // The spans the graph chooses from: the shortest that holds the oldest sample.
    static constexpr std::array<std::chrono::minutes, 5> kSpans = {
        std::chrono::minutes(2), std::chrono::minutes(5), std::chrono::minutes(15),
        std::chrono::minutes(30), std::chrono::minutes(60)};

    // The graph's words in the user's language; %1 and on as marked.
    struct Words {
        QString strHead;         // now %1, lowest %2, highest %3 (with units)
        QString strSpan;         // the axis' left end: -%1 min
        QString strNow;          // the axis' right end
        QString strName;         // the accessible name: graph of %1
        QString strDescription;  // %1 name, %2 minutes, %3 now, %4 lowest, %5 highest
        QString strAlarmAbove;   // %1 the line
        QString strAlarmBelow;
        QString strGaps;   // %1 the count
        QString strEmpty;  // %1 name, %2 minutes
    };

    explicit CHistoryGraph(const Words& words, QWidget* pParent = nullptr);

    void SetContent(Content content);
    // Values further apart than this are not joined: no value came between them.
    void SetGapAfter(std::chrono::milliseconds gap) { m_gapAfter = gap; }

    std::chrono::minutes Span() const { return m_span; }
    // Where the lines are drawn, and where a time and value land in it.
    QRect PlotRect() const;
    QPointF PointAt(Clock::time_point time, double dValue) const;
    // The stretches without values within the span.
    int GapCount() const { return m_nGaps; }
    // The figures in words, as assistive technology reads them.
    QString Description() const { return accessibleDescription(); }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    struct Figures {
        std::optional<double> current;
        double dLow = 0;
        double dHigh = 0;
        bool bAny = false;
    };
    // The samples within the span.
    std::vector<CItemHistory::Sample> Shown() const;
    void Recompute();
    QString DescribeFigures() const;
    QPointF PointIn(const QRect& rcPlot, Clock::time_point time, double dValue) const;
    // A value as shown, with its unit; "--" for none.
    QString WithUnit(std::optional<double> value) const;

    Content m_content;
    std::chrono::milliseconds m_gapAfter{6000};
    std::chrono::minutes m_span = kSpans.front();
    Figures m_figures;
    double m_dBottom = 0;  // the value range the plot spans
    double m_dTop = 1;
    int m_nGaps = 0;
    Words m_words;
};
