#include "widgets/CHistoryGraph.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/ValueColours.h"

namespace {
const QColor kGround(80, 0, 0);
const QColor kPlotGround(40, 0, 0);
const QColor kGrid(120, 70, 70);
constexpr int kMargin = 4;
constexpr int kTicks = 5;  // the time axis in fifths of the span
constexpr int kLineWidth = 2;
// Room above and below the values, as a share of their range.
constexpr double kPadding = 0.08;
}  // namespace

CHistoryGraph::CHistoryGraph(const Words& words, QWidget* pParent)
    : QWidget(pParent), m_words(words) {
    // Reached by Tab, so a keyboard or screen reader user can read the figures.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Recompute();
}

void CHistoryGraph::SetContent(Content content) {
    m_content = std::move(content);
    Recompute();
    update();
}

std::vector<CItemHistory::Sample> CHistoryGraph::Shown() const {
    std::vector<CItemHistory::Sample> shown;
    const Clock::time_point from = m_content.now - m_span;
    std::ranges::copy_if(
        m_content.samples, std::back_inserter(shown),
        [from](const CItemHistory::Sample& sample) { return sample.time >= from; });
    return shown;
}

void CHistoryGraph::Recompute() {
    const auto oldest = m_content.samples.empty() ? m_content.now : m_content.samples.front().time;
    m_span = kSpans.back();
    for (const std::chrono::minutes span : kSpans) {
        if (m_content.now - oldest <= span) {
            m_span = span;
            break;
        }
    }
    m_figures = {};
    m_nGaps = 0;
    const std::vector<CItemHistory::Sample> shown = Shown();
    bool bInGap = false;
    for (size_t i = 0; i < shown.size(); ++i) {
        const bool bJump = i > 0 && shown[i].time - shown[i - 1].time > m_gapAfter;
        if (!shown[i].value) {
            m_nGaps += bInGap ? 0 : 1;
            bInGap = true;
            continue;
        }
        m_nGaps += bJump && !bInGap ? 1 : 0;
        bInGap = false;
        const double dValue = *shown[i].value;
        m_figures.dLow = m_figures.bAny ? std::min(m_figures.dLow, dValue) : dValue;
        m_figures.dHigh = m_figures.bAny ? std::max(m_figures.dHigh, dValue) : dValue;
        m_figures.bAny = true;
    }
    if (!shown.empty()) {
        m_figures.current = shown.back().value;
    }
    // The alarm line is always in view, so the room left before it shows.
    double dBottom = m_figures.bAny ? m_figures.dLow : 0;
    double dTop = m_figures.bAny ? m_figures.dHigh : 1;
    if (m_content.alarm) {
        dBottom =
            m_figures.bAny ? std::min(dBottom, m_content.alarm->dValue) : m_content.alarm->dValue;
        dTop = m_figures.bAny ? std::max(dTop, m_content.alarm->dValue) : m_content.alarm->dValue;
    }
    const double dRange = dTop - dBottom;
    const double dPad = dRange > 0 ? dRange * kPadding : std::max(std::abs(dTop) * kPadding, 1.0);
    m_dBottom = dBottom - dPad;
    m_dTop = dTop + dPad;

    setAccessibleName(m_words.strName.arg(m_content.strName));
    setAccessibleDescription(DescribeFigures());
}

QString CHistoryGraph::WithUnit(std::optional<double> value) const {
    return value && m_content.text ? m_content.text(*value) + u' ' + m_content.strUnit
                                   : QStringLiteral("--");
}

QString CHistoryGraph::DescribeFigures() const {
    const QString strMinutes = QString::number(m_span.count());
    if (!m_figures.bAny) {
        return m_words.strEmpty.arg(m_content.strName, strMinutes);
    }
    QString strText =
        m_words.strDescription.arg(m_content.strName, strMinutes, WithUnit(m_figures.current),
                                   WithUnit(m_figures.dLow), WithUnit(m_figures.dHigh));
    if (m_content.alarm) {
        strText += u' ' + (m_content.alarm->bBelow ? m_words.strAlarmBelow : m_words.strAlarmAbove)
                              .arg(WithUnit(m_content.alarm->dValue));
    }
    if (m_nGaps > 0) {
        strText += u' ' + m_words.strGaps.arg(m_nGaps);
    }
    return strText;
}

QRect CHistoryGraph::PlotRect() const {
    const QFontMetrics metrics(font());
    const auto label = [this](double dValue) {
        return m_content.text ? m_content.text(dValue) : QString::number(dValue);
    };
    const int nLabels = std::max(metrics.horizontalAdvance(label(m_dTop)),
                                 metrics.horizontalAdvance(label(m_dBottom)));
    const int nTop = kMargin + 2 * metrics.height() + kMargin;
    const int nBottom = height() - kMargin - metrics.height() - 2;
    return QRect(QPoint(kMargin + nLabels + kMargin, nTop), QPoint(width() - kMargin - 1, nBottom));
}

QPointF CHistoryGraph::PointAt(Clock::time_point time, double dValue) const {
    return PointIn(PlotRect(), time, dValue);
}

QPointF CHistoryGraph::PointIn(const QRect& rc, Clock::time_point time, double dValue) const {
    const double dAge = std::chrono::duration<double>(m_content.now - time).count();
    const double dSpan = std::chrono::duration<double>(m_span).count();
    const double dX = rc.right() - dAge / dSpan * rc.width();
    const double dY = rc.bottom() - (dValue - m_dBottom) / (m_dTop - m_dBottom) * rc.height();
    return {dX, dY};
}

void CHistoryGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kGround);
    const QRect rcPlot = PlotRect();
    painter.fillRect(rcPlot, kPlotGround);
    const QFontMetrics metrics(font());

    // The name, then the figures over the span.
    const QRect rcHead(kMargin, kMargin, width() - 2 * kMargin, metrics.height());
    painter.setPen(kValueNormal);
    painter.drawText(rcHead, Qt::AlignLeft | Qt::AlignTop,
                     metrics.elidedText(m_content.strName, Qt::ElideRight, rcHead.width()));
    const QString strFigures =
        m_figures.bAny ? m_words.strHead.arg(WithUnit(m_figures.current), WithUnit(m_figures.dLow),
                                             WithUnit(m_figures.dHigh))
                       : QStringLiteral("--");
    painter.setPen(kFiguresText);
    painter.drawText(rcHead.translated(0, metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                     metrics.elidedText(strFigures, Qt::ElideRight, rcHead.width()));

    // The time axis: a line each fifth of the span, the ends named.
    painter.setPen(QPen(kGrid, 1, Qt::DotLine));
    for (int i = 1; i < kTicks; ++i) {
        const int nX = rcPlot.left() + rcPlot.width() * i / kTicks;
        painter.drawLine(nX, rcPlot.top(), nX, rcPlot.bottom());
    }
    painter.setPen(kFiguresText);
    const QRect rcAxis(rcPlot.left(), rcPlot.bottom() + 2, rcPlot.width(), metrics.height());
    painter.drawText(rcAxis, Qt::AlignLeft | Qt::AlignTop,
                     m_words.strSpan.arg(QString::number(m_span.count())));
    painter.drawText(rcAxis, Qt::AlignRight | Qt::AlignTop, m_words.strNow);
    // The value range at the plot's top and bottom.
    const QRect rcLabels(kMargin, rcPlot.top(), rcPlot.left() - 2 * kMargin, rcPlot.height());
    if (m_content.text) {
        painter.drawText(rcLabels, Qt::AlignRight | Qt::AlignTop, m_content.text(m_dTop));
        painter.drawText(rcLabels, Qt::AlignRight | Qt::AlignBottom, m_content.text(m_dBottom));
    }

    painter.setClipRect(rcPlot);
    if (m_content.alarm) {
        const int nY = qRound(PointIn(rcPlot, m_content.now, m_content.alarm->dValue).y());
        painter.setPen(QPen(kValueAlarm, 1, Qt::DashLine));
        painter.drawLine(rcPlot.left(), nY, rcPlot.right(), nY);
    }
    // The values: joined while they come one after another, a dot where
    // one stands alone between gaps. An hour is more values than pixels
    // across: of those falling in one pixel column the line keeps the first
    // and the one farthest from it, so a one-sample dip still shows.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kValueNormal, kLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const std::vector<CItemHistory::Sample> shown = Shown();
    QPolygonF run;
    const auto endRun = [&] {
        if (run.size() == 1) {
            painter.setBrush(kValueNormal);
            painter.drawEllipse(run.front(), kLineWidth, kLineWidth);
            painter.setBrush(Qt::NoBrush);
        } else if (run.size() > 1) {
            painter.drawPolyline(run);
        }
        run.clear();
    };
    for (size_t i = 0; i < shown.size(); ++i) {
        if (!shown[i].value) {
            endRun();
            continue;
        }
        if (!run.isEmpty() && shown[i].time - shown[i - 1].time > m_gapAfter) {
            endRun();
        }
        const QPointF point = PointIn(rcPlot, shown[i].time, *shown[i].value);
        const qsizetype nSize = run.size();
        const auto sameColumn = [&point](const QPointF& other) {
            return static_cast<int>(other.x()) == static_cast<int>(point.x());
        };
        if (nSize >= 2 && sameColumn(run[nSize - 1]) && sameColumn(run[nSize - 2])) {
            QPointF& last = run[nSize - 1];
            const QPointF& first = run[nSize - 2];
            const bool bFirstLower = first.y() > last.y();
            last.setY(bFirstLower ? std::min(last.y(), point.y()) : std::max(last.y(), point.y()));
            continue;
        }
        run.append(point);
    }
    endRun();
    painter.setClipping(false);

    if (hasFocus()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(kValueNormal, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
