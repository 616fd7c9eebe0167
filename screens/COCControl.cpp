#include "screens/COCControl.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>

#include "screens/IMainWindow.h"
#include "screens/ScreenPainting.h"
#include "widgets/CMyButton.h"
#include "widgets/ScreenLayout.h"
#include "widgets/ValueColours.h"

namespace {

// The row's parts in pixels, by layout; the page sizes the row itself.
struct RowGeometry {
    QRect rcLabel;
    int nUnitWidth;
    int nUnitBottom;
    QRect rcBox;
    QRect rcBoxInside;
    QRect rcMinus;
    QRect rcPlus;
    int nLabelFont;
    int nValueFont;
    int nButtonFont;
};

constexpr int kBoxBorder = 2;
constexpr int kLabelWrap = Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap;
// How many pixels a name's font may lose to fit on two lines.
constexpr int kLabelShrink = 2;

RowGeometry GeometryOf(uint8_t nLayout) {
    if (nLayout == LayoutSmall) {
        return {QRect(0, 0, 55, 25),
                33,
                20,
                QRect(QPoint(88, 1), QPoint(147, 20)),
                QRect(QPoint(90, 3), QPoint(145, 18)),
                QRect(57, 1, 27, 23),
                QRect(150, 1, 27, 23),
                11,
                11,
                14};
    }
    return {QRect(0, 0, 110, 40),
            80,
            40,
            QRect(QPoint(175, 4), QPoint(294, 44)),
            QRect(QPoint(177, 6), QPoint(292, 42)),
            QRect(114, 2, 54, 46),
            QRect(300, 2, 54, 46),
            16,
            22,
            28};
}

}  // namespace

COCControl::COCControl(const IMainWindow& mainWindow, QWidget* pParent)
    : QWidget(pParent), m_mainWindow(mainWindow) {
    FillWithPageColour(*this);

    const RowGeometry geometry = GeometryOf(g_nScreenLayout);
    m_rcLabel = geometry.rcLabel;
    m_nUnitWidth = geometry.nUnitWidth;
    m_nUnitBottom = geometry.nUnitBottom;
    m_rcBox = geometry.rcBox;
    m_rcBoxInside = geometry.rcBoxInside;
    m_labelFont = ScreenFont(geometry.nLabelFont);
    m_valueFont = ScreenFont(geometry.nValueFont);
    m_strEdited = LocaleText(u"STR_UNAPPLIED");

    m_pMinus = new CMyButton(QStringLiteral("-"), this);
    m_pMinus->SetCode(kCodeStepDown);
    m_pMinus->setGeometry(geometry.rcMinus);
    m_pPlus = new CMyButton(QStringLiteral("+"), this);
    m_pPlus->SetCode(kCodeStepUp);
    m_pPlus->setGeometry(geometry.rcPlus);
    const QFont buttonFont = ScreenFont(geometry.nButtonFont, QFont::Bold);
    m_pMinus->setFont(buttonFont);
    m_pPlus->setFont(buttonFont);
    SetName(m_name);
}

void COCControl::SetName(const std::u16string& name) {
    m_name = name;
    // A name may wrap onto a second line, a little smaller, before it is cut.
    m_labelFitFont = FontToFit(m_labelFont, m_rcLabel, kLabelWrap, LabelText(),
                               m_labelFont.pixelSize() - kLabelShrink);
    const QString strName = QString::fromStdU16String(name);
    setAccessibleName(strName);
    setToolTip(strName);
    const QString strDown = LocaleText(u"STR_DECREASE_ITEM").arg(strName);
    const QString strUp = LocaleText(u"STR_INCREASE_ITEM").arg(strName);
    m_pMinus->setAccessibleName(strDown);
    m_pMinus->setToolTip(strDown);
    m_pPlus->setAccessibleName(strUp);
    m_pPlus->setToolTip(strUp);
}

void COCControl::SetKnown(bool bValueKnown, bool bRangeKnown) {
    m_value.SetKnown(bValueKnown, bRangeKnown);
}

void COCControl::LoadValue(std::u16string_view raw) {
    m_value.LoadValue(raw);
    Changed();
}

void COCControl::LoadKeepingEdit(std::u16string_view raw) {
    m_value.LoadKeepingEdit(raw);
    Changed();
}

void COCControl::Revert() {
    m_value.Revert();
    Changed();
}

QString COCControl::LabelText() const {
    return QString::fromStdU16String(m_name) + QLatin1Char(':');
}

bool COCControl::ShowsWholeName() const {
    return TextFits(m_labelFitFont, m_rcLabel, kLabelWrap, LabelText());
}

bool COCControl::IsLocked() const {
    return m_mainWindow.IsScreenLocked();
}

void COCControl::StepUp() {
    if (!IsLocked() && m_value.StepUp()) {
        Changed();
    }
}

void COCControl::StepDown() {
    if (!IsLocked() && m_value.StepDown()) {
        Changed();
    }
}

void COCControl::SetStepsEnabled(bool bEnabled) {
    m_bStepsEnabled = bEnabled;
    Changed();
}

void COCControl::SetHeldNote(const QString& strNote) {
    m_strHeldNote = strNote;
    setToolTip(strNote.isEmpty() ? QString::fromStdU16String(m_name)
                                 : QString::fromStdU16String(m_name) + QStringLiteral(": ") + strNote);
    Changed();
}

void COCControl::Changed() {
    const bool bCanStep = m_bStepsEnabled && m_value.CanStep();
    m_pMinus->setEnabled(bCanStep);
    m_pPlus->setEnabled(bCanStep);
    const QString strUnit = QString::fromStdU16String(m_value.Unit());
    QString strDescription = DisplayText() + QLatin1Char(' ') + strUnit;
    if (IsEdited()) {
        strDescription += QStringLiteral(", ") + m_strEdited;
    }
    if (!m_strHeldNote.isEmpty()) {
        strDescription += QStringLiteral(", ") + m_strHeldNote;
    }
    setAccessibleDescription(strDescription);
    update();
}

QColor COCControl::ValueColor() const {
    switch (m_value.Band()) {
        case COCValue::EBand::Alarm:
            return kValueAlarm;
        case COCValue::EBand::Warning:
            return kValueWarning;
        case COCValue::EBand::Normal:
            break;
    }
    return kValueNormal;
}

bool COCControl::event(QEvent* pEvent) {
    if (pEvent->type() == CStepEvent::kType) {
        if (static_cast<CStepEvent*>(pEvent)->Code() == kCodeStepUp) {
            StepUp();
        } else {
            StepDown();
        }
        return true;
    }
    return QWidget::event(pEvent);
}

void COCControl::keyPressEvent(QKeyEvent* pEvent) {
    const int nKey = pEvent->key();
    if (nKey == Qt::Key_Minus || nKey == Qt::Key_Plus || nKey == Qt::Key_Equal) {
        // As the buttons would, which are off while the page waits.
        if (m_bStepsEnabled) {
            nKey == Qt::Key_Minus ? StepDown() : StepUp();
        }
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

void COCControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Locked, the row takes nothing: it is drawn faded.
    const QColor text = isEnabled() ? QColor(Qt::white) : kValueStale;
    painter.setPen(text);
    painter.setFont(m_labelFont);
    const QString strLabel = LabelText();
    if (TextFits(m_labelFitFont, m_rcLabel, kLabelWrap, strLabel)) {
        painter.setFont(m_labelFitFont);
        painter.drawText(m_rcLabel, kLabelWrap, strLabel);
        painter.setFont(m_labelFont);
    } else {
        // Too long even on two lines: cut with "…"; the tooltip has it whole.
        painter.drawText(
            m_rcLabel, Qt::AlignRight | Qt::AlignVCenter,
            painter.fontMetrics().elidedText(strLabel, Qt::ElideRight, m_rcLabel.width()));
    }
    const QRect rcUnit(QPoint(width() - m_nUnitWidth, 0), QPoint(width() - 1, m_nUnitBottom - 1));
    painter.drawText(rcUnit, Qt::AlignCenter, QString::fromStdU16String(m_value.Unit()));
    // A step not yet applied shows in the box's edge and a corner mark.
    painter.fillRect(m_rcBox, IsEdited() ? kValueEdited : text);
    painter.fillRect(m_rcBoxInside, kValueBox);
    if (IsEdited()) {
        const int nMark = m_rcBoxInside.height() / 3;
        const QPoint corner = m_rcBoxInside.topRight();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kValueEdited);
        painter.drawPolygon(
            QPolygon({corner, corner - QPoint(nMark, 0), corner + QPoint(0, nMark)}));
    }
    if (!m_strHeldNote.isEmpty()) {
        // The board kept another value than asked: a mark at the box's foot.
        const int nMark = m_rcBoxInside.height() / 3;
        const QPoint corner = m_rcBoxInside.bottomRight();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kValueAlarm);
        painter.drawPolygon(
            QPolygon({corner, corner - QPoint(nMark, 0), corner - QPoint(0, nMark)}));
    }
    painter.setPen(isEnabled() ? ValueColor() : kValueStale);
    painter.setFont(m_valueFont);
    painter.drawText(m_rcBoxInside.adjusted(kBoxBorder, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     DisplayText());
}
