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
    EXPECT_EQ(m_button.SetAlign(-1), 4);
    EXPECT_EQ(m_button.Align(), CImageButton::AlignIconAbove);
    EXPECT_EQ(m_button.SetColor(6, Qt::green), 3);
    for (int i = 0; i < CImageButton::ColorCount; ++i) {
        EXPECT_NE(m_button.Color(i), QColor(Qt::green)) << i;
    }
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

}  // namespace
