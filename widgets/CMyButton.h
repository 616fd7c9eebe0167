#pragma once

#include <QEvent>
#include <QPushButton>
#include <QTimer>

// The step request an auto-repeat button sends to its parent, synchronously:
// Code() is the button's code (the over-clock row uses 1 for "-", 0 for "+").
class CStepEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1);
    explicit CStepEvent(int nCode) : QEvent(kType), m_nCode(nCode) {}
    int Code() const { return m_nCode; }

private:
    int m_nCode;
};

// A push button that keeps acting while it is held: a press steps once
// 250 ms later and every 250 ms after that, and once more on the release over
// the button, so a tap steps exactly once. Sliding off stops the steps and
// the release outside sends nothing. A keyboard or assistive activation
// (Space, the accessible press action) steps once. Main thread only.
class CMyButton final : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kRepeatTimerId = 2015;
    static constexpr int kRepeatPeriodMs = 250;

    explicit CMyButton(const QString& strText, QWidget* pParent = nullptr);

    void SetCode(int nCode) { m_nCode = nCode; }
    int Code() const { return m_nCode; }
    bool IsRepeating() const { return m_bRepeating; }
    const QTimer& RepeatTimer() const { return m_timerRepeat; }

public slots:
    void OnTimerRepeat();

protected:
    // Up and Down are left to the row's page, which moves between rows;
    // a plain button would take them as Tab.
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    void SendStep();
    void StopRepeating();

    int m_nCode = 0;
    bool m_bRepeating = false;
    QTimer m_timerRepeat;
};
