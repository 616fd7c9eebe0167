#include "screens/ScreenPainting.h"

#include <QAbstractItemView>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRawFont>
#include <QRect>
#include <QTextLayout>
#include <QWidget>
#include <algorithm>

#include "data/LocaleStringTable.h"
#include "platform/LocaleId.h"
#include "widgets/Images.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr int kUnderlineWidth = 3;
// Room around the close icon that still takes a tap.
constexpr int kCloseMargin = 6;
}  // namespace

QString LocaleText(std::u16string_view key) {
    return QString::fromStdU16String(LocaleStringTable::Instance().GetString(key));
}

QStringList ScreenFontFamilies(bool bChinese) {
    const QString strLatin = QStringLiteral("DejaVu Sans");
    const QString strChinese = QStringLiteral("WenQuanYi Micro Hei");
    // Chinese texts mix in Latin letters and digits ("清除 CMOS"); taking them
    // from the Chinese font keeps one weight across the text.
    return {QStringLiteral("MYFONT"), bChinese ? strChinese : strLatin,
            bChinese ? strLatin : strChinese};
}

bool IsChineseLanguage() {
    return IsChineseLcid(GetSystemDefaultLCID());
}

QFont ScreenFont(int nPixelSize, int nWeight) {
    QFont font;
    font.setFamilies(ScreenFontFamilies(IsChineseLanguage()));
    font.setPixelSize(nPixelSize);
    font.setWeight(static_cast<QFont::Weight>(nWeight));
    return font;
}

QFont TabFont() {
    constexpr int kHeight = 24;
    constexpr int kHeightSmall = 12;
    return ScreenFont(g_nScreenLayout == LayoutSmall ? kHeightSmall : kHeight);
}

void FillWithPageColour(QWidget& widget) {
    widget.setAutoFillBackground(true);
    QPalette background = widget.palette();
    background.setColor(QPalette::Window, kPageColor);
    widget.setPalette(background);
}

void PaintPanel(QPainter& painter, const QRect& rcClient, int nMargin) {
    painter.fillRect(rcClient, Qt::white);
    painter.fillRect(rcClient.adjusted(nMargin, nMargin, -nMargin, -nMargin), kPanelColor);
}

void PaintTitledPanel(QPainter& painter, const QRect& rcClient, int nMargin, const QRect& rcTitle,
                      const QString& strTitle, QPoint ruleFrom, QPoint ruleTo) {
    PaintPanel(painter, rcClient, nMargin);
    painter.setPen(Qt::white);
    painter.drawText(rcTitle.intersected(rcClient), Qt::AlignHCenter | Qt::AlignTop, strTitle);
    DrawUnderline(painter, ruleFrom, ruleTo);
}

void PaintAlarmMark(QPainter& painter, const QRect& rcTab) {
    const int nRadius = std::max(3, rcTab.height() / 8);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QPoint(rcTab.right() - 2 * nRadius, rcTab.top() + 2 * nRadius), nRadius,
                        nRadius);
    painter.restore();
}

void DrawUnderline(QPainter& painter, QPoint from, QPoint to) {
    painter.save();
    painter.setPen(QPen(Qt::white, kUnderlineWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(from, to);
    painter.restore();
}

void SetListColours(QAbstractItemView& view) {
    QPalette colours = view.palette();
    colours.setColor(QPalette::Base, kPanelColor);
    colours.setColor(QPalette::Text, Qt::white);
    view.setPalette(colours);
}

QPushButton* AddCloseButton(QWidget& screen, QPoint iconAt, int nIconSize) {
    auto* pButton = new QPushButton(&screen);
    const QSize iconSize(nIconSize, nIconSize);
    pButton->setIcon(QIcon(LoadImage(IconClose, iconSize)));
    pButton->setIconSize(iconSize);
    pButton->setFlat(true);
    pButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; background: transparent; }"));
    pButton->setGeometry(
        QRect(iconAt, iconSize).adjusted(-kCloseMargin, -kCloseMargin, kCloseMargin, kCloseMargin));
    const QString strClose = LocaleText(u"STR_CLOSE");
    pButton->setAccessibleName(strClose);
    pButton->setToolTip(strClose);
    return pButton;
}

QPushButton* AddTextButton(QWidget& screen, const QString& strText, const QFont& font) {
    auto* pButton = new QPushButton(strText, &screen);
    pButton->setFont(font);
    pButton->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background: rgb(107, 37, 37); border: 1px solid white;"
        " padding: 0px 8px; }"
        "QPushButton:focus { border: 2px solid white; }"
        "QPushButton:pressed { background: rgb(150, 60, 60); }"));
    return pButton;
}

bool TextFits(const QFont& font, const QRect& rc, int nFlags, const QString& strText) {
    // A word longer than the width overflows it rather than wrapping.
    const QRect rcNeeded = QFontMetrics(font).boundingRect(rc, nFlags, strText);
    return rcNeeded.height() <= rc.height() && rcNeeded.width() <= rc.width();
}

QFont FontToFit(QFont font, const QRect& rc, int nFlags, const QString& strText, int nSmallest) {
    while (font.pixelSize() > nSmallest && !TextFits(font, rc, nFlags, strText)) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

bool DrawsEveryGlyph(const QFont& font, const QString& strText) {
    // One character at a time, so that a blank glyph names its character.
    for (const QChar character : strText) {
        if (character.isSpace() || character.isSurrogate()) {
            continue;
        }
        QTextLayout layout(QString(character), font);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        for (const QGlyphRun& run : layout.glyphRuns()) {
            const QRawFont rawFont = run.rawFont();
            for (const quint32 nGlyph : run.glyphIndexes()) {
                if (rawFont.pathForGlyph(nGlyph).isEmpty()) {
                    return false;
                }
            }
        }
    }
    return true;
}

QString WithDrawableSigns(const QString& strText, const QFont& font) {
    const QString strCelsius(QChar(0x2103));
    if (!strText.contains(strCelsius) || DrawsEveryGlyph(font, strCelsius)) {
        return strText;
    }
    QString strSpelt = strText;
    return strSpelt.replace(strCelsius, QStringLiteral("\u00B0C"));
}
