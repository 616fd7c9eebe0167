#pragma once

#include "screens/CLogScreen.h"

// The journal of what was written to the board and done to its PC, newest
// first: each write with its items old -> new and a mark on what the board
// did not take or held otherwise, power actions, start-ups seen to finish.
class CScreen_Journal final : public CLogScreen {
    Q_OBJECT
public:
    CScreen_Journal(IMainWindow& mainWindow, QWidget* pParent);

protected:
    void Fill(QListWidget& list) override;
};
