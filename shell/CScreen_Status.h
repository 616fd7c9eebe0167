#pragma once

#include <QString>
#include <QWidget>

// The banner across the bottom of the window that says what the link is
// doing: bringing back a board out of reach, or working in fixed timing. It
// takes no input; the main window shows, places and hides it. Assistive technology hears it as a
// status, and each new text as a change of it.
class CScreen_Status final : public QWidget {
    Q_OBJECT
public:
    explicit CScreen_Status(QWidget* pParent);

    void SetText(const QString& strText);
    const QString& Text() const { return m_strText; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QString m_strText;
};
