#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "widgets/CImageButton.h"
#include "widgets/Images.h"

namespace {

const QColor kPanel(107, 37, 37);

// A button as the power screen makes them: icon above the label, white text.
class ImageButtonTest : public testing::Test {
protected:
    ImageButtonTest() {
        m_button.setGeometry(0, 0, 100, 150);
        m_button.SetAlign(CImageButton::AlignIconAbove);
        m_button.SetColor(CImageButton::ColorTextNormal, Qt::white);
        m_button.SetIcon(IconPowerOn, QSize(60, 60), IconPowerOn, QSize(60, 60), IconPowerOff,
                         QSize(60, 60));
        m_button.show();
    }
    QImage Image() { return m_button.grab().toImage(); }

    CImageButton m_button{QStringLiteral("Power On")};
};

TEST_F(ImageButtonTest, OutOfRangeSettingsAreRefusedAndChangeNothing) {
    EXPECT_EQ(m_button.SetAlign(4), 4);
    EXPECT_EQ(m_button.Align(), CImageButton::AlignIconAbove);
    EXPECT_EQ(m_button.SetAlign(-1), 4);
    EXPECT_EQ(m_button.SetAlign(CImageButton::AlignIconCentred), 0);
    EXPECT_EQ(m_button.Align(), CImageButton::AlignIconCentred);

    EXPECT_EQ(m_button.SetColor(6, Qt::green), 3);
    for (int i = 0; i < CImageButton::ColorCount; ++i) {
        EXPECT_NE(m_button.Color(i), QColor(Qt::green)) << i;
    }
    EXPECT_EQ(m_button.SetColor(CImageButton::ColorBackActive, Qt::green), 0);
    EXPECT_EQ(m_button.Color(CImageButton::ColorBackActive), QColor(Qt::green));
}

TEST_F(ImageButtonTest, TheIconGoesWhereTheAlignmentSays) {
    EXPECT_EQ(m_button.IconRect(), QRect(20, 3, 60, 60));
    m_button.SetAlign(CImageButton::AlignIconLeft);
    EXPECT_EQ(m_button.IconRect(), QRect(3, 45, 60, 60));
    m_button.SetAlign(CImageButton::AlignIconRight);
    EXPECT_EQ(m_button.IconRect(), QRect(37, 45, 60, 60));
    m_button.SetAlign(CImageButton::AlignIconCentred);
    EXPECT_EQ(m_button.IconRect(), QRect(20, 45, 60, 60));
    // Without a label the icon sits in the middle.
    m_button.setText(QString());
    m_button.SetAlign(CImageButton::AlignIconAbove);
    EXPECT_EQ(m_button.IconRect(), QRect(20, 45, 60, 60));
}

TEST_F(ImageButtonTest, AFlatButtonShowsItsHoverLookOnlyWhileThePointerIsOverIt) {
    m_button.SetColor(CImageButton::ColorBackActive, QColor(200, 0, 0));
    m_button.SetColor(CImageButton::ColorBackNormal, kPanel);
    EXPECT_EQ(Image().pixelColor(2, 140), kPanel);
    QTest::mouseMove(&m_button, QPoint(50, 75));
    EXPECT_TRUE(m_button.IsHover());
    EXPECT_EQ(Image().pixelColor(50, 140), QColor(200, 0, 0));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&m_button, &leave);
    EXPECT_FALSE(m_button.IsHover());
    EXPECT_EQ(Image().pixelColor(50, 140), kPanel);

    // A button that is not flat never takes the hover look.
    m_button.SetFlat(false);
    QTest::mouseMove(&m_button, QPoint(40, 70));
    EXPECT_FALSE(m_button.IsHover());
}

TEST_F(ImageButtonTest, ADisabledButtonShowsItsDisabledIconAndEndsItsHover) {
    QTest::mouseMove(&m_button, QPoint(50, 75));
    EXPECT_EQ(m_button.ShownIcon(), CImageButton::IconActive);
    m_button.setEnabled(false);
    EXPECT_FALSE(m_button.IsHover());
    EXPECT_EQ(m_button.ShownIcon(), CImageButton::IconDisabled);
    // The disabled icon is the grey power-off one.
    const QColor centre = Image().pixelColor(m_button.IconRect().center() + QPoint(0, 12));
    EXPECT_LT(std::abs(centre.red() - centre.green()), 20);

    // Without a disabled icon, the hover icon stands in.
    m_button.SetIcon(IconReset, QSize(60, 60), 0, QSize(), 0, QSize());
    EXPECT_EQ(m_button.ShownIcon(), CImageButton::IconActive);
    m_button.setEnabled(true);
    EXPECT_EQ(m_button.ShownIcon(), CImageButton::IconActive) << "no normal icon either";
}

TEST_F(ImageButtonTest, APlainPushStyleMakesItNoLongerTheDefaultButton) {
    m_button.SetButtonStyle(CImageButton::EButtonStyle::DefaultPush);
    EXPECT_TRUE(m_button.isDefault());
    m_button.SetButtonStyle(CImageButton::EButtonStyle::Push);
    EXPECT_FALSE(m_button.isDefault());
}

TEST_F(ImageButtonTest, ATapClicksIt) {
    int nClicks = 0;
    QObject::connect(&m_button, &QAbstractButton::clicked, [&] { ++nClicks; });
    QTest::mouseClick(&m_button, Qt::LeftButton, {}, QPoint(50, 75));
    EXPECT_EQ(nClicks, 1);
}

}  // namespace
