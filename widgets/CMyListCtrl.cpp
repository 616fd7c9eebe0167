#include "widgets/CMyListCtrl.h"

#include <QFontInfo>
#include <QHeaderView>
#include <QPainter>
#include <algorithm>

#include "data/TextCase.h"
#include "link/ItemText.h"
#include "widgets/ValueColours.h"

namespace {
constexpr int kStaleRole = Qt::UserRole + 1;
constexpr int kFiguresRole = Qt::UserRole + 2;
// The figures line's font, against the list's.
constexpr double kFiguresScale = 0.7;
// Below this a line of figures no longer reads (the small layout's list is 12 px).
constexpr int kFiguresSmallest = 10;
// Room between a cell's edge and its text, and above and below a row's text.
constexpr int kCellPadding = 3;
constexpr int kRowPadding = 4;
}  // namespace

CMyListCtrl::CMyListCtrl(QWidget* pParent) : QTreeWidget(pParent) {
    setColumnCount(kColumnCount);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(0);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    // The widths are fixed per layout; a few pixels of unit column running
    // past the edge are better than a scroll bar across the values.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    SetColours(Qt::black, Qt::white);
}

void CMyListCtrl::SetItems(const BoardItemArray* pItems) {
    m_pItems = pItems;
    viewport()->update();
}

void CMyListCtrl::SetColourRule(bool bColourRule) {
    m_bColourRule = bColourRule;
    viewport()->update();
}

void CMyListCtrl::SetFanRule(bool bFanRule) {
    m_bFanRule = bFanRule;
    viewport()->update();
}

void CMyListCtrl::SetColours(const QColor& background, const QColor& text) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Text, text);
    setPalette(colours);
    m_textColour = text;
}

void CMyListCtrl::SetColumnWidths(int nLabel, int nValue, int nUnit) {
    setColumnWidth(kColumnLabel, nLabel);
    setColumnWidth(kColumnValue, nValue);
    setColumnWidth(kColumnUnit, nUnit);
}

void CMyListCtrl::SetShowsFigures(bool bShows) {
    m_bShowsFigures = bShows;
    m_figuresFont = font();
    m_figuresFont.setPixelSize(std::max(
        kFiguresSmallest, static_cast<int>(QFontInfo(font()).pixelSize() * kFiguresScale)));
}

int CMyListCtrl::RowHeight() const {
    const int nLine = fontMetrics().height() + kRowPadding;
    return m_bShowsFigures ? nLine + QFontMetrics(m_figuresFont).height() + kRowPadding / 2 : nLine;
}

void CMyListCtrl::SetFiguresText(int nRow, const QString& figures) {
    QTreeWidgetItem* pRow = topLevelItem(nRow);
    if (pRow == nullptr || pRow->data(kColumnLabel, kFiguresRole).toString() == figures) {
        return;
    }
    pRow->setData(kColumnLabel, kFiguresRole, figures);
    pRow->setData(kColumnValue, Qt::AccessibleDescriptionRole, figures);
}

QString CMyListCtrl::FiguresText(int nRow) const {
    const QTreeWidgetItem* pRow = topLevelItem(nRow);
    return pRow != nullptr ? pRow->data(kColumnLabel, kFiguresRole).toString() : QString();
}

void CMyListCtrl::SetChoosable(bool bChoosable) {
    setFocusPolicy(bChoosable ? Qt::StrongFocus : Qt::NoFocus);
    disconnect(this, &QTreeWidget::itemClicked, this, nullptr);
    disconnect(this, &QTreeWidget::itemActivated, this, nullptr);
    if (bChoosable) {
        const auto choose = [this](QTreeWidgetItem* pRow) {
            emit RowChosen(indexOfTopLevelItem(pRow));
        };
        connect(this, &QTreeWidget::itemClicked, this, choose);
        connect(this, &QTreeWidget::itemActivated, this, choose);
    }
}

void CMyListCtrl::SetChosenRow(int nRow) {
    if (m_nChosenRow != nRow) {
        m_nChosenRow = nRow;
        viewport()->update();
    }
}

void CMyListCtrl::DeleteAllItems() {
    clear();
}

void CMyListCtrl::InsertRow(int nRow, const QString& label, const QString& value,
                            const QString& unit) {
    auto* pRow = new QTreeWidgetItem(QStringList{label, value, unit});
    // A long name is cut to its column; the tooltip keeps it whole.
    pRow->setToolTip(kColumnLabel, label);
    pRow->setSizeHint(kColumnLabel, QSize(0, RowHeight()));
    insertTopLevelItem(std::clamp(nRow, 0, RowCount()), pRow);
}

QString CMyListCtrl::Text(int nRow, int nColumn) const {
    const QTreeWidgetItem* pRow = topLevelItem(nRow);
    return pRow != nullptr ? pRow->text(nColumn) : QString();
}

void CMyListCtrl::SetValueText(int nRow, const QString& value) {
    QTreeWidgetItem* pRow = topLevelItem(nRow);
    if (pRow != nullptr && pRow->text(kColumnValue) != value) {
        pRow->setText(kColumnValue, value);
    }
}

void CMyListCtrl::SetValueStale(int nRow, bool bStale, const QString& tip) {
    QTreeWidgetItem* pRow = topLevelItem(nRow);
    if (pRow == nullptr) {
        return;
    }
    if (pRow->data(kColumnValue, kStaleRole).toBool() != bStale) {
        pRow->setData(kColumnValue, kStaleRole, bStale);
    }
    if (pRow->toolTip(kColumnValue) != tip) {
        pRow->setToolTip(kColumnValue, tip);
    }
}

bool CMyListCtrl::IsValueStale(int nRow) const {
    const QTreeWidgetItem* pRow = topLevelItem(nRow);
    return pRow != nullptr && pRow->data(kColumnValue, kStaleRole).toBool();
}

QColor CMyListCtrl::ValueColour(int nRow) const {
    if (IsValueStale(nRow) || !isEnabled()) {
        // Not read lately, or no longer read (the board is out of reach): it
        // may no longer be the board's.
        return kValueStale;
    }
    return IsValueInAlarm(nRow) ? kValueAlarm : m_textColour;
}

bool CMyListCtrl::IsValueInAlarm(int nRow) const {
    if (m_pItems == nullptr || !m_bColourRule || IsValueStale(nRow)) {
        return false;
    }
    const std::u16string label = Text(nRow, kColumnLabel).toStdU16String();
    const std::u16string value = Text(nRow, kColumnValue).toStdU16String();
    // Items of the same name are all asked; the first in alarm decides.
    return std::ranges::any_of(*m_pItems, [&](const BoardItem& item) {
        return EqualsNoCase(item.Name + u":", label) && IsAlarmValue(value, item, m_bFanRule);
    });
}

QRect CMyListCtrl::CellRect(int nRow, int nColumn) const {
    QTreeWidgetItem* pRow = topLevelItem(nRow);
    return pRow != nullptr ? visualRect(indexFromItem(pRow, nColumn)) : QRect();
}

void CMyListCtrl::drawRow(QPainter* pPainter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    if (!index.isValid()) {
        return;
    }
    const int nRow = index.row();
    pPainter->save();
    pPainter->setFont(font());
    for (int nColumn = kColumnLabel; nColumn < kColumnCount; ++nColumn) {
        const QRect rcCell(columnViewportPosition(nColumn), option.rect.top(), columnWidth(nColumn),
                           option.rect.height());
        pPainter->setPen(nColumn == kColumnValue ? ValueColour(nRow) : m_textColour);
        const QRect rcText = rcCell.adjusted(kCellPadding, kRowPadding / 2, -kCellPadding, 0);
        // The unit may run a little past the list's edge; a name must not
        // run into its value.
        const QString strText =
            nColumn == kColumnLabel
                ? fontMetrics().elidedText(Text(nRow, nColumn), Qt::ElideRight, rcText.width())
                : Text(nRow, nColumn);
        pPainter->drawText(rcText, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, strText);
    }
    if (m_bShowsFigures) {
        // Under the name and value, across the row, a step smaller.
        const int nTop = option.rect.top() + fontMetrics().height() + kRowPadding;
        const QRect rcFigures(columnViewportPosition(kColumnLabel) + kCellPadding, nTop,
                              viewport()->width() - 2 * kCellPadding,
                              option.rect.bottom() - nTop + 1);
        pPainter->setFont(m_figuresFont);
        pPainter->setPen(kFiguresText);
        pPainter->drawText(rcFigures, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                           QFontMetrics(m_figuresFont)
                               .elidedText(FiguresText(nRow), Qt::ElideRight, rcFigures.width()));
    }
    // The chosen row is framed; the keyboard's place, when not on it, dotted.
    const bool bChosen = nRow == m_nChosenRow;
    if (bChosen || (hasFocus() && currentIndex().row() == nRow)) {
        pPainter->setPen(QPen(m_textColour, 1, bChosen ? Qt::SolidLine : Qt::DotLine));
        pPainter->setBrush(Qt::NoBrush);
        pPainter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    pPainter->restore();
}
