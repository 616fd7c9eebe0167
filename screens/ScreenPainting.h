#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <string_view>

class QAbstractItemView;
class QPushButton;
class QPainter;
class QWidget;
class QRect;
class QPoint;

// The colours every screen shares.
inline const QColor kPageColor(80, 0, 0);
inline const QColor kPanelColor(107, 37, 37);
inline const QColor kInactiveTabColor(100, 100, 100);
// Light on the grey, 5:1, so that the tab not shown still reads.
inline const QColor kInactiveTabText(235, 235, 235);

// The text of a locale key; empty when the locale file lacks it.
QString LocaleText(std::u16string_view key);

// The screens' own face, "MYFONT", falling back to faces that carry Chinese.
QFont ScreenFont(int nPixelSize, int nWeight = QFont::Normal);
// The font families of the screens, in order of preference.
QStringList ScreenFontFamilies(bool bChinese);
// Whether the texts are in one of the Chinese languages.
bool IsChineseLanguage();

// The face of the tab names, sized for the screen layout.
QFont TabFont();

// Whether the font, with its fallbacks, draws every visible character of the
// text: a font may map a sign to a blank glyph, as WenQuanYi does "℃".
bool DrawsEveryGlyph(const QFont& font, const QString& strText);
// The text with a sign the font draws blank spelt another way ("℃" as "°C").
QString WithDrawableSigns(const QString& strText, const QFont& font);

// Whether the text, drawn with these flags, stays inside the rectangle.
bool TextFits(const QFont& font, const QRect& rc, int nFlags, const QString& strText);
// The font, made smaller as needed (not below nSmallest pixels) for the text
// to fit the rectangle when drawn with these flags.
QFont FontToFit(QFont font, const QRect& rc, int nFlags, const QString& strText, int nSmallest = 8);

// Lets the widget fill its background with the page colour.
void FillWithPageColour(QWidget& widget);

// A white frame of the given width around a panel-coloured inside.
void PaintPanel(QPainter& painter, const QRect& rcClient, int nMargin);
// A screen's frame: the panel, the title in white centred in its band (cut
// to the panel, so that it centres over the screen) and the white rule
// under it, in the painter's font.
void PaintTitledPanel(QPainter& painter, const QRect& rcClient, int nMargin, const QRect& rcTitle,
                      const QString& strTitle, QPoint ruleFrom, QPoint ruleTo);
// A solid white line 3 pixels wide.
// The red dot on a tab whose values include one in alarm.
void PaintAlarmMark(QPainter& painter, const QRect& rcTab);

void DrawUnderline(QPainter& painter, QPoint from, QPoint to);

// The close icon of the power and poster screens, drawn at iconAt: a button
// with a little room around the icon, named for what it does.
QPushButton* AddCloseButton(QWidget& screen, QPoint iconAt, int nIconSize);

// A button named by its text, white on the panel colour with a white edge,
// as the pages' own commands are drawn.
QPushButton* AddTextButton(QWidget& screen, const QString& strText, const QFont& font);

// White text on the panel colour, as the settings screens' lists show items.
void SetListColours(QAbstractItemView& view);
