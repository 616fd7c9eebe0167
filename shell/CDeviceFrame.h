#pragma once

#include <QPointer>
#include <QWidget>

class CSoftKeyBar;
class QLabel;
class QPushButton;

// The program's one top-level window, shaped like the hand-held it came
// from: a title strip with the caption and an OK button, the client area in
// which the screens lie, and the soft-key bar of whichever screen has one.
class CDeviceFrame final : public QWidget {
    Q_OBJECT
public:
    // Height of the title strip and of the soft-key bar for a client width.
    static int StripHeight(int nClientWidth);

    explicit CDeviceFrame(QSize clientSize, QWidget* pParent = nullptr);

    // Fills the screen, the device centred on it.
    void ShowFullScreen();
    // Lets the user resize and maximise the window, down to the device's
    // unscaled size when it is drawn dScale times larger.
    void AllowResize(double dScale);

    // The strips and the client area together.
    QSize DeviceSize() const;

    QWidget& ClientArea() const { return *m_pClient; }
    QSize ClientSize() const;

    // The title strip's OK button; hidden until a screen wants it.
    QPushButton& OkButton() const { return *m_pOk; }
    QString Caption() const;
    // The caption, with a tip (and assistive description) that says more.
    void SetCaption(const QString& strCaption, const QString& strTip = QString());

    // The current soft-key bar, or nullptr.
    CSoftKeyBar* SoftKeyBar() const;
    // Replaces the soft-key bar; the old one is destroyed. The frame owns it.
    void SetSoftKeyBar(CSoftKeyBar* pBar);

signals:
    // The window manager asked to close the window.
    void CloseRequested();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QWidget* m_pDevice = nullptr;  // the strips and the client area, at their own size
    QLabel* m_pCaption = nullptr;
    QPushButton* m_pOk = nullptr;
    QWidget* m_pClient = nullptr;
    QWidget* m_pKeyArea = nullptr;
    QPointer<CSoftKeyBar> m_pSoftKeyBar;
};
