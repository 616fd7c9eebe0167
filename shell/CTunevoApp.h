#pragma once

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QPointer>
#include <QTranslator>
#include <QWidget>
#include <atomic>
#include <cstdint>

// The program's application object: the lock flags the screens read while
// the board reports its lock, and the tap filter that uses them.
class CTunevoApp final : public QApplication {
    Q_OBJECT
public:
    CTunevoApp(int& argc, char** argv);

    // Qt's own texts (message-box buttons) and the window font in the
    // language of a locale id; Chinese takes its Latin letters from the
    // Chinese font too, so one text never mixes two fonts' weights.
    void UseLanguage(uint32_t nLcid);

    // The running application object, or nullptr when there is none.
    static CTunevoApp* Instance();

    // Set and cleared together while the board reports its lock.
    bool IsInputLocked() const { return m_bInputLocked.load(); }
    void SetInputLocked(bool bLocked) { m_bInputLocked.store(bLocked); }
    bool IsScreenLocked() const { return m_bScreenLocked.load(); }
    void SetScreenLocked(bool bLocked) { m_bScreenLocked.store(bLocked); }

    // The main window, whose taps the input lock filters; other windows
    // (message boxes, the title strip) stay usable.
    void SetTapArea(QWidget* pArea) { m_pTapArea = pArea; }

protected:
    // While input is locked, drops taps on the tap area outside the poster area.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // Enter presses the focused button, as Space does; true when it did.
    static bool PressesFocusedButton(QObject* pWatched, const QKeyEvent& key);

    std::atomic<bool> m_bInputLocked{false};
    std::atomic<bool> m_bScreenLocked{false};
    QPointer<QWidget> m_pTapArea;
    QTranslator m_qtTexts;
    const QFont m_defaultFont;
};
