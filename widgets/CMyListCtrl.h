#pragma once

#include <QColor>
#include <QTreeWidget>

#include "link/BoardItem.h"

// The monitor's list of hardware values. Each row shows an item's label
// ("Name:"), its value and its unit, with no header. The rows are drawn
// here so that a value in its item's alarm range shows in red. Changing a
// value repaints only that value's cell, so labels and units never flicker.
class CMyListCtrl final : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kColumnLabel = 0;
    static constexpr int kColumnValue = 1;
    static constexpr int kColumnUnit = 2;
    static constexpr int kColumnCount = 3;

    explicit CMyListCtrl(QWidget* pParent = nullptr);

    // The items whose alarm rules colour the values, matched to rows by
    // label; not owned. Without items every value is white.
    void SetItems(const BoardItemArray* pItems);
    // Off: values are always white (frequencies have no alarm).
    void SetColourRule(bool bColourRule);
    // On: a value of 600 or less is red (fans); off: a value at or above the
    // item's Threshold2 is red.
    void SetFanRule(bool bFanRule);
    // Background and text colours of the whole list.
    void SetColours(const QColor& background, const QColor& text);
    void SetColumnWidths(int nLabel, int nValue, int nUnit);
    // On: each row has a second line, in a smaller font, for its figures
    // (minimum, average, maximum). Set before rows are inserted.
    void SetShowsFigures(bool bShows);
    // Replaces a row's figures line; assistive technology reads it as the
    // value's description.
    void SetFiguresText(int nRow, const QString& figures);

    // On: the list takes the keyboard focus, and a tap on a row or Enter on
    // the current one chooses it (RowChosen).
    void SetChoosable(bool bChoosable);
    // The chosen row is framed; -1 for none.
    void SetChosenRow(int nRow);
    int ChosenRow() const { return m_nChosenRow; }

    void DeleteAllItems();
    // Inserts a row before nRow (0: at the top).
    void InsertRow(int nRow, const QString& label, const QString& value, const QString& unit);
    int RowCount() const { return topLevelItemCount(); }
    // Empty for a row or column that does not exist.
    QString Text(int nRow, int nColumn) const;
    QString FiguresText(int nRow) const;
    // Replaces a row's value text; only the value's cell is repainted.
    void SetValueText(int nRow, const QString& value);
    // A stale value (not read from the board lately) is drawn grey, whatever
    // its alarm; the tip says why. Only the value's cell is repainted.
    void SetValueStale(int nRow, bool bStale, const QString& tip = QString());
    bool IsValueStale(int nRow) const;

    // The colour the row's value is drawn in: grey when stale, red when an
    // item of the row's label is in alarm by the list's rule, white otherwise.
    QColor ValueColour(int nRow) const;
    // Whether the row's value is drawn red.
    bool IsValueInAlarm(int nRow) const;
    // Where a row's cell lies in the viewport.
    QRect CellRect(int nRow, int nColumn) const;

signals:
    void RowChosen(int nRow);

protected:
    void drawRow(QPainter* pPainter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    const BoardItemArray* m_pItems = nullptr;
    bool m_bColourRule = true;
    bool m_bFanRule = false;
    QColor m_textColour = Qt::white;
    bool m_bShowsFigures = false;
    int m_nChosenRow = -1;
    QFont m_figuresFont;
    int RowHeight() const;
};
