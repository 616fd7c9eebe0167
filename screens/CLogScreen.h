#pragma once

#include <QString>
#include <QWidget>
#include <chrono>

class IMainWindow;
class QListWidget;
class QPushButton;

// A titled screen holding one list of entries read from a file, newest
// first, with a close button: the alarm log and the journal. It reads the
// file anew each time it opens, so entries tunevoctl added meanwhile show too.
class CLogScreen : public QWidget {
    Q_OBJECT
public:
    CLogScreen(IMainWindow& mainWindow, const QString& strTitle, QWidget* pParent);

    void Open();
    QListWidget& List() const { return *m_pList; }
    QPushButton& CloseButton() const { return *m_pClose; }
    const QString& Title() const { return m_strTitle; }

    // A logged time in local time, to the second, in a QDateTime format.
    static QString LocalTimeText(std::chrono::system_clock::time_point time,
                                 const QString& strFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss"));

protected:
    // Adds the entries to the list, newest first.
    virtual void Fill(QListWidget& list) = 0;
    // An entry that says the list is empty, and cannot be chosen.
    void AddNote(const QString& strText);

    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void Close();

    IMainWindow& m_mainWindow;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pClose = nullptr;
    QString m_strTitle;
    int m_nMargin = 10;
    QRect m_rcTitle;
    int m_nRuleY = 50;
};
