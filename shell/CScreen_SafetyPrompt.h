#pragma once

#include <QString>
#include <QWidget>

class QPushButton;

// The safety net's question across the bottom of the window: "Keep these
// values?" with its countdown, or a stalled start-up with the offer to
// restore. A text and two buttons, each a real button named for what it
// does; assistive technology hears the text as an alert when it first
// shows. The main window places it; the controller fills it.
class CScreen_SafetyPrompt final : public QWidget {
    Q_OBJECT
public:
    explicit CScreen_SafetyPrompt(QWidget* pParent);

    // Shows the text with the two buttons' names.
    void Ask(const QString& strText, const QString& strAccept, const QString& strReject);
    // A new text for the question that is up (the countdown).
    void SetText(const QString& strText);
    const QString& Text() const { return m_strText; }
    QPushButton& AcceptButton() const { return *m_pAccept; }
    QPushButton& RejectButton() const { return *m_pReject; }

signals:
    void Accepted();
    void Rejected();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    QString m_strText;
    QPushButton* m_pAccept = nullptr;
    QPushButton* m_pReject = nullptr;
};
