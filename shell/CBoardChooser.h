#pragma once

#include <QWidget>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

// Lists the boards that answered the search, by name and address, and lets
// the user pick one with a tap, the keyboard (arrows, Enter) or assistive
// technology, and say whether Tunevo should try it first from now on.
class CBoardChooser final : public QWidget {
    Q_OBJECT
public:
    explicit CBoardChooser(QWidget* pParent);

    // Fills the list, the first board chosen, and takes the focus.
    void Offer(const std::vector<std::string>& boards);

    QListWidget& List() const { return *m_pList; }
    QCheckBox& RememberBox() const { return *m_pRemember; }
    QPushButton& ConnectButton() const { return *m_pConnect; }

signals:
    // The board at this place in the list was chosen.
    void Chosen(int nIndex, bool bRemember);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void Choose();

    QLabel* m_pTitle = nullptr;
    QListWidget* m_pList = nullptr;
    QCheckBox* m_pRemember = nullptr;
    QPushButton* m_pConnect = nullptr;
};
