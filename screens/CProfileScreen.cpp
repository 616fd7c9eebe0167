#include "screens/CProfileScreen.h"
#include "screens/IMessageBox.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>
#include <array>

#include "link/CDeviceLink.h"
#include "link/ProfileValues.h"
#include "screens/IMainWindow.h"
#include "screens/ScreenPainting.h"
#include "widgets/ScreenLayout.h"

namespace {

// Values under their name start this far in.
constexpr int kValueIndent = 6;

struct ProfileGeometry {
    int nFontHeight;
    int nFontWeight;
    int nBorder;
    int nTitleRight;
    int nRuleY;
    int nRuleRight;
    QRect rcList;
    // Save screen's two buttons, then the load screen's.
    std::array<QRect, 4> buttons;
    int nButtonFont;
};

ProfileGeometry GeometryOf(uint8_t nLayout) {
    if (nLayout == LayoutSmall) {
        return {12,
                QFont::Normal,
                5,
                200,
                35,
                200,
                QRect(8, 40, 184, 158),
                {QRect(30, 205, 70, 27), QRect(115, 205, 70, 27), QRect(30, 205, 70, 25),
                 QRect(115, 205, 70, 25)},
                12};
    }
    ProfileGeometry geometry{20,
                             600,
                             10,
                             480,
                             50,
                             440,
                             QRect(10, 60, 415, 320),
                             {QRect(70, 395, 135, 40), QRect(225, 395, 135, 40),
                              QRect(70, 395, 135, 40), QRect(220, 395, 135, 40)},
                             20};
    if (nLayout == LayoutLarge) {
        // The list runs longer, and the buttons sit where the dialog
        // templates put them, 3 pixels to a dialog unit.
        geometry.rcList.setHeight(420);
        geometry.buttons = {QRect(72, 501, 150, 42), QRect(249, 498, 150, 42),
                            QRect(45, 495, 150, 42), QRect(237, 495, 150, 42)};
    }
    return geometry;
}

}  // namespace

CProfileScreen::CProfileScreen(EKind kind, CDeviceLink& link, IMainWindow& mainWindow,
                               IMessageBox& messageBox, QWidget* pParent)
    : QWidget(pParent),
      m_link(link),
      m_messageBox(messageBox),
      m_kind(kind),
      m_mainWindow(mainWindow) {
    hide();
    m_bNamesAbove = g_nScreenLayout == LayoutSmall;
    const bool bSave = kind == EKind::Save;
    const ProfileGeometry geometry = GeometryOf(g_nScreenLayout);
    m_nBorder = geometry.nBorder;
    m_rcTitle = QRect(0, 10, geometry.nTitleRight, 30);
    m_ruleFrom = QPoint(geometry.nBorder, geometry.nRuleY);
    m_ruleTo = QPoint(geometry.nRuleRight, geometry.nRuleY);
    m_listFont = ScreenFont(geometry.nFontHeight, geometry.nFontWeight);

    m_pList = new QTreeWidget(this);
    m_pList->setFont(m_listFont);
    SetListColours(*m_pList);
    m_pList->setRootIsDecorated(false);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setGeometry(geometry.rcList);
    m_pList->setHeaderLabels({QString(),
                              LocaleText(bSave ? u"STR_SAVED_PROFILE" : u"STR_CUR_SETTING"),
                              LocaleText(bSave ? u"STR_CUR_SETTING" : u"STR_PROFILE_PREV")});
    // The names' column has no heading to see, but one to hear.
    m_pList->headerItem()->setData(0, Qt::AccessibleTextRole, LocaleText(u"STR_PROFILE_ITEM"));
    m_pList->setAccessibleName(LocaleText(bSave ? u"STR_SAVE" : u"STR_LOAD"));
    // The value columns are as wide as their widest text, header included;
    // names take what is left and go onto a second line where that is too
    // little (only one word longer than all of it is cut). No column hides behind a sideways scroll.
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pList->setTextElideMode(Qt::ElideRight);
    // Headings apart from each other, as the values below them are.
    m_pList->header()->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 0 6px; }"));
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setMinimumSectionSize(0);
    m_pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    if (m_bNamesAbove) {
        // Too narrow for a name beside two values: each name spans a line of
        // its own above them, and the values share the width.
        m_pList->setIndentation(0);
        m_pList->setItemsExpandable(false);
        m_pList->header()->setSectionResizeMode(0, QHeaderView::Fixed);
        m_pList->header()->setSectionResizeMode(2, QHeaderView::Stretch);
        m_pList->setColumnWidth(0, kValueIndent);
    }
    if (bSave) {
        m_pList->headerItem()->setTextAlignment(0, Qt::AlignCenter);
    }

    const size_t nFirstButton = bSave ? 0 : 2;
    const QFont buttonFont = ScreenFont(geometry.nButtonFont);
    m_pAction = new QPushButton(LocaleText(bSave ? u"STR_SAVE" : u"STR_LOAD"), this);
    m_pAction->setGeometry(geometry.buttons[nFirstButton]);
    m_pAction->setFont(buttonFont);
    m_pAction->setDefault(true);
    m_pCancel = new QPushButton(LocaleText(u"STR_CANCEL"), this);
    m_pCancel->setGeometry(geometry.buttons[nFirstButton + 1]);
    m_pCancel->setFont(buttonFont);
    connect(m_pAction, &QPushButton::clicked, this, [this] { OnAction(); });
    connect(m_pCancel, &QPushButton::clicked, this, [this] { Close(); });
}

void CProfileScreen::Open(int nProfile, const QString& strTitle) {
    m_nProfile = nProfile;
    m_strTitle = strTitle;
    m_pList->setAccessibleName(strTitle);
    Refill();
    update();
    if (m_file.IsStaleAndReadOnly()) {
        m_messageBox.ShowMessage(LocaleText(u"STR_PROFILE_STALE_KEPT_MSG"));
    }
}

void CProfileScreen::Refill() {
    m_pList->clear();
    Fill();
    m_pList->expandAll();
    WrapNames();
}

void CProfileScreen::WrapNames() {
    if (m_bNamesAbove) {
        return;
    }
    // The cell's own margins around its text.
    constexpr int kCellMargins = 8;
    QHeaderView& header = *m_pList->header();
    header.resizeSections(QHeaderView::ResizeToContents);
    const int nRoom = m_pList->contentsRect().width() - header.sectionSize(1) -
                      header.sectionSize(2) - kCellMargins;
    const QFontMetrics metrics(m_listFont);
    for (int nRow = 0; nRow < m_pList->topLevelItemCount(); ++nRow) {
        QTreeWidgetItem& row = *m_pList->topLevelItem(nRow);
        const QString strName = row.toolTip(0);
        if (metrics.horizontalAdvance(strName) <= nRoom) {
            continue;
        }
        for (qsizetype nSpace = strName.lastIndexOf(u' '); nSpace > 0;
             nSpace = strName.lastIndexOf(u' ', nSpace - 1)) {
            if (metrics.horizontalAdvance(strName.left(nSpace)) <= nRoom) {
                row.setText(0, strName.left(nSpace) + u'\n' + strName.mid(nSpace + 1));
                break;
            }
        }
    }
}

bool CProfileScreen::AddItemRows() {
    bool bAnyKnown = false;
    for (EBoardArray array : kProfileArrays) {
        for (const BoardItem& item : m_link.GetArray(array)) {
            const std::optional<std::u16string> current = ProfileTextOf(array, item);
            const std::optional<std::u16string> stored = m_file.GetValue(m_nProfile, item.Name);
            bAnyKnown = bAnyKnown || current.has_value();
            const QString strCurrent =
                current ? QString::fromStdU16String(ProfileShownText(array, *current))
                        : QStringLiteral("--");
            const QString strStored =
                QString::fromStdU16String(ProfileShownText(array, stored.value_or(u"")));
            const QString strName = QString::fromStdU16String(item.Name);
            const QStringList values = m_kind == EKind::Save ? QStringList{strStored, strCurrent}
                                                             : QStringList{strCurrent, strStored};
            auto* pRow = new QTreeWidgetItem(m_pList, QStringList{strName} + values);
            if (m_bNamesAbove) {
                pRow->setText(1, QString());
                pRow->setText(2, QString());
                pRow->setFirstColumnSpanned(true);
                new QTreeWidgetItem(pRow, QStringList{QString()} + values);
            }
            pRow->setToolTip(0, strName);
            if (m_kind == EKind::Save) {
                pRow->setTextAlignment(0, Qt::AlignCenter);
            }
        }
    }
    return bAnyKnown;
}

void CProfileScreen::SetActionAvailable(bool bAvailable) {
    m_bAvailable = bAvailable;
    m_pAction->setEnabled(m_bAvailable && !m_bBoardBusy);
}

void CProfileScreen::SetBoardBusy(bool bBusy) {
    m_bBoardBusy = bBusy;
    SetActionAvailable(m_bAvailable);
    // What the board reported meanwhile is what Save would store.
    if (!bBusy && isVisible()) {
        Refill();
    }
}

void CProfileScreen::Close() {
    // A hidden list's current cell would still be reported as focused.
    m_pList->setCurrentItem(nullptr);
    hide();
    m_mainWindow.RestoreSoftKeys();
}

void CProfileScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(m_listFont);
    PaintTitledPanel(painter, rect(), m_nBorder, m_rcTitle, m_strTitle, m_ruleFrom, m_ruleTo);
}
