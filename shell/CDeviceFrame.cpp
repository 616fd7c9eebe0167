#include "shell/CDeviceFrame.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "shell/CSoftKeyBar.h"
#include "widgets/Images.h"

namespace {
constexpr int kSmallWidth = 240;
constexpr int kStripHeight = 36;
constexpr int kStripHeightSmall = 24;
const QColor kStripColor(24, 24, 24);
constexpr QSize kWindowIconSize(64, 64);
}  // namespace

int CDeviceFrame::StripHeight(int nClientWidth) {
    return nClientWidth == kSmallWidth ? kStripHeightSmall : kStripHeight;
}

CDeviceFrame::CDeviceFrame(QSize clientSize, QWidget* pParent) : QWidget(pParent) {
    setWindowTitle(QStringLiteral("Tunevo"));
    // The layouts are fixed pixel designs: only a scaled window fills more.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(LoadImage(IconApp, kWindowIconSize)));
    const int nStrip = StripHeight(clientSize.width());
    QFont stripFont = font();
    stripFont.setPixelSize(nStrip / 2);
    stripFont.setBold(true);

    m_pDevice = new QWidget(this);
    auto* pLayout = new QVBoxLayout(m_pDevice);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);

    auto* pTitle = new QWidget(m_pDevice);
    pTitle->setFixedHeight(nStrip);
    auto* pTitleLayout = new QHBoxLayout(pTitle);
    pTitleLayout->setContentsMargins(nStrip / 3, 0, 0, 0);
    m_pCaption = new QLabel(QStringLiteral("Tunevo"), pTitle);
    m_pCaption->setFont(stripFont);
    m_pCaption->setStyleSheet(QStringLiteral("color: white;"));
    m_pOk = new QPushButton(QStringLiteral("OK"), pTitle);
    m_pOk->setFont(stripFont);
    // Reached by Tab as the soft keys are; a tap leaves the focus where it was.
    m_pOk->setFocusPolicy(Qt::TabFocus);
    m_pOk->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_pOk->setStyleSheet(QStringLiteral(
        "QPushButton { color: white; background: transparent; border: none; padding: 0 16px; }"
        "QPushButton:pressed { background: #505050; }"));
    m_pOk->hide();
    pTitleLayout->addWidget(m_pCaption);
    pTitleLayout->addStretch();
    pTitleLayout->addWidget(m_pOk);

    m_pClient = new QWidget(m_pDevice);
    m_pClient->setFixedSize(clientSize);

    m_pKeyArea = new QWidget(m_pDevice);
    m_pKeyArea->setFixedHeight(nStrip);
    m_pKeyArea->setFont(stripFont);
    auto* pKeyLayout = new QHBoxLayout(m_pKeyArea);
    pKeyLayout->setContentsMargins(0, 0, 0, 0);

    pLayout->addWidget(pTitle);
    pLayout->addWidget(m_pClient);
    pLayout->addWidget(m_pKeyArea);
    m_pDevice->setFixedSize(clientSize.width(), clientSize.height() + 2 * nStrip);

    auto* pCentre = new QGridLayout(this);
    pCentre->setContentsMargins(0, 0, 0, 0);
    pCentre->addWidget(m_pDevice, 0, 0, Qt::AlignCenter);
    setFixedSize(m_pDevice->size());
}

void CDeviceFrame::ShowFullScreen() {
    setMinimumSize(m_pDevice->size());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
}

void CDeviceFrame::AllowResize(double dScale) {
    if (!windowFlags().testFlag(Qt::WindowMaximizeButtonHint)) {
        // Before the window is shown: new flags hide a shown one.
        setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    }
    const QSize device = m_pDevice->size();
    setMinimumSize(static_cast<int>(std::ceil(device.width() / dScale)),
                   static_cast<int>(std::ceil(device.height() / dScale)));
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

QSize CDeviceFrame::DeviceSize() const {
    return m_pDevice->size();
}

QSize CDeviceFrame::ClientSize() const {
    return m_pClient->size();
}

void CDeviceFrame::SetCaption(const QString& strCaption, const QString& strTip) {
    // The desktop's title bar and task list say the same, for a window not in front.
    setWindowTitle(strCaption);
    m_pCaption->setText(strCaption);
    m_pCaption->setToolTip(strTip);
    m_pCaption->setAccessibleDescription(strTip);
}

QString CDeviceFrame::Caption() const {
    return m_pCaption->text();
}

CSoftKeyBar* CDeviceFrame::SoftKeyBar() const {
    return m_pSoftKeyBar.data();
}

void CDeviceFrame::SetSoftKeyBar(CSoftKeyBar* pBar) {
    if (m_pSoftKeyBar != nullptr) {
        // Later: the old bar may be the one whose menu asked for the new one.
        m_pSoftKeyBar->hide();
        m_pSoftKeyBar->deleteLater();
    }
    m_pSoftKeyBar = pBar;
    if (pBar != nullptr) {
        pBar->setParent(m_pKeyArea);
        m_pKeyArea->layout()->addWidget(pBar);
        pBar->show();
    }
}

void CDeviceFrame::closeEvent(QCloseEvent* pEvent) {
    // The program decides when it ends; the window stays until it does.
    pEvent->ignore();
    emit CloseRequested();
}

void CDeviceFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kStripColor);
}
