#pragma once

#include <QString>
#include <QWidget>

class IMainWindow;
class QListWidget;
class QPushButton;

// The log of items that came into alarm, newest first, as the window and
// tunevoctl appended it: when, on which board, which item at what value.
// It reads the log anew each time it opens, so entries a tunevoctl watch
// added meanwhile show too.
class CScreen_AlarmLog final : public QWidget {
    Q_OBJECT
public:
    CScreen_AlarmLog(IMainWindow& mainWindow, QWidget* pParent);

    void Open();
    QListWidget& List() const { return *m_pList; }
    QPushButton& CloseButton() const { return *m_pClose; }
    const QString& Title() const { return m_strTitle; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void Close();

    IMainWindow& m_mainWindow;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pClose = nullptr;
    QString m_strTitle;
    QString m_strEntry;  // the alarm notice: %1 item, %2 value, %3 unit
    int m_nMargin = 10;
    QRect m_rcTitle;
    int m_nRuleY = 50;
};
