#pragma once

#include <QWidget>
#include <array>

#include "shell/MenuResources.h"

class QAction;
class QMenu;
class QPushButton;

// The soft-key bar under the screen: the left key opens the menu it was
// built from, the right key is unused. Its commands come out as Command.
class CSoftKeyBar final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kKeyCount = 2;

    explicit CSoftKeyBar(const MenuResource& menu, QWidget* pParent = nullptr);

    // Index 0 is the menu key, 1 the right key.
    void EnableSoftkey(int nIndex, bool bEnable);
    bool IsSoftkeyEnabled(int nIndex) const;

    QPushButton* Key(int nIndex) const { return m_keys.at(static_cast<size_t>(nIndex)); }
    QMenu* Menu() const { return m_pMenu; }
    // The menu entry of a command, or nullptr.
    QAction* Action(int nCommand) const;

signals:
    void Command(int nCommand);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    std::array<QPushButton*, kKeyCount> m_keys{};
    QMenu* m_pMenu = nullptr;
};
