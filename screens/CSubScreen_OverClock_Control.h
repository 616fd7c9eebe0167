#pragma once

#include <QPushButton>
#include <QWidget>

class IMainWindow;

// The strip below the over-clock page: Refresh reads the board's over-clock
// settings, Apply writes the rows' values, Cancel returns the rows to the
// values last loaded. It only hands the command to the main window.
// Main thread only.
class CSubScreen_OverClock_Control final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCommandRefresh = 1;
    static constexpr int kCommandApply = 2;
    static constexpr int kCommandCancel = 3;

    CSubScreen_OverClock_Control(IMainWindow& mainWindow, QWidget* pParent);

    QPushButton& RefreshButton() const { return *m_pRefresh; }
    QPushButton& ApplyButton() const { return *m_pApply; }
    QPushButton& CancelButton() const { return *m_pCancel; }

private:
    QPushButton* AddButton(const char16_t* pszTextKey, int nPosition, int nCommand);

    IMainWindow& m_mainWindow;
    QPushButton* m_pRefresh = nullptr;
    QPushButton* m_pApply = nullptr;
    QPushButton* m_pCancel = nullptr;
};
