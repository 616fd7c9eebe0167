#include "shell/CFocusTrap.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>

namespace {
bool TakesTab(const QWidget& widget) {
    // Of a group where one button is on (page tabs, Text and Code) Tab stops
    // at the one that is on; the arrow keys move within the group.
    const auto* pButton = qobject_cast<const QAbstractButton*>(&widget);
    if (pButton != nullptr && pButton->autoExclusive() && !pButton->isChecked()) {
        return false;
    }
    return widget.isVisible() && widget.isEnabled() && (widget.focusPolicy() & Qt::TabFocus) != 0;
}
}  // namespace

CFocusTrap::CFocusTrap(QWidget& window, std::initializer_list<QWidget*> screens)
    : QObject(&window), m_window(window), m_screens(screens) {
    // The application's filter sees the screens' showing and hiding as well
    // as every key and focus change.
    qApp->installEventFilter(this);
}

CFocusTrap::~CFocusTrap() {
    qApp->removeEventFilter(this);
}

QWidget* CFocusTrap::OpenScreen() const {
    return m_open.empty() ? nullptr : m_open.back().first.data();
}

std::vector<QWidget*> CFocusTrap::TabStops(const QWidget& screen) {
    std::vector<QWidget*> stops;
    for (QWidget* pWidget = screen.nextInFocusChain(); pWidget != &screen;
         pWidget = pWidget->nextInFocusChain()) {
        if (screen.isAncestorOf(pWidget) && TakesTab(*pWidget) &&
            std::ranges::find(stops, pWidget) == stops.end()) {
            stops.push_back(pWidget);
        }
    }
    return stops;
}

void CFocusTrap::FocusFirst(const QWidget& screen) {
    const std::vector<QWidget*> stops = TabStops(screen);
    if (!stops.empty()) {
        stops.front()->setFocus(Qt::TabFocusReason);
    }
}

bool CFocusTrap::IsOurs(const QWidget* pWidget) const {
    return pWidget != nullptr && pWidget->window() == m_window.window();
}

void CFocusTrap::Opened(QWidget& screen) {
    std::erase_if(m_open, [&screen](const auto& open) { return open.first == &screen; });
    QWidget* pFocus = QApplication::focusWidget();
    if (!IsOurs(pFocus)) {
        pFocus = m_pLastFocus;
    }
    m_open.emplace_back(&screen, IsOurs(pFocus) && !screen.isAncestorOf(pFocus) ? pFocus : nullptr);
    FocusFirst(screen);
}

void CFocusTrap::Closed(QWidget& screen) {
    const auto it =
        std::ranges::find_if(m_open, [&screen](const auto& open) { return open.first == &screen; });
    if (it == m_open.end()) {
        return;
    }
    const bool bWasOnTop = it + 1 == m_open.end();
    const QPointer<QWidget> pBefore = it->second;
    m_open.erase(it);
    if (!bWasOnTop) {
        return;
    }
    if (QWidget* pUnder = OpenScreen()) {
        FocusFirst(*pUnder);
    } else if (pBefore != nullptr && TakesTab(*pBefore)) {
        pBefore->setFocus(Qt::OtherFocusReason);
    } else if (pBefore != nullptr) {
        // Hidden with the screen (the control bar under Save Profile): it
        // shows again once the window has taken the screen's closing in.
        QTimer::singleShot(0, this, [this, pBefore] {
            if (OpenScreen() == nullptr && pBefore != nullptr && TakesTab(*pBefore)) {
                pBefore->setFocus(Qt::OtherFocusReason);
            }
        });
    }
}

void CFocusTrap::Step(bool bForward) {
    const std::vector<QWidget*> stops = TabStops(*OpenScreen());
    if (stops.empty()) {
        return;
    }
    const auto it = std::ranges::find(stops, QApplication::focusWidget());
    const auto nCount = static_cast<std::ptrdiff_t>(stops.size());
    std::ptrdiff_t nNext = bForward ? 0 : nCount - 1;
    if (it != stops.end()) {
        nNext = ((it - stops.begin()) + (bForward ? 1 : -1) + nCount) % nCount;
    }
    stops[static_cast<size_t>(nNext)]->setFocus(bForward ? Qt::TabFocusReason
                                                         : Qt::BacktabFocusReason);
}

bool CFocusTrap::eventFilter(QObject* pWatched, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    auto* pWidget = qobject_cast<QWidget*>(pWatched);
    if (pWidget == nullptr) {
        return false;
    }
    if ((type == QEvent::Show || type == QEvent::Hide) &&
        std::ranges::find(m_screens, pWidget) != m_screens.end()) {
        type == QEvent::Show ? Opened(*pWidget) : Closed(*pWidget);
        return false;
    }
    QWidget* pOpen = OpenScreen();
    if (type == QEvent::FocusIn && pOpen == nullptr && IsOurs(pWidget)) {
        m_pLastFocus = pWidget;
    }
    if (pOpen == nullptr || !IsOurs(pWidget)) {
        return false;
    }
    const bool bInside = pWidget == pOpen || pOpen->isAncestorOf(pWidget);
    if (type == QEvent::KeyPress) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const bool bTab = pKey->key() == Qt::Key_Tab || pKey->key() == Qt::Key_Backtab;
        if (bTab && (pKey->modifiers() & Qt::ControlModifier) == 0) {
            Step(pKey->key() == Qt::Key_Tab && (pKey->modifiers() & Qt::ShiftModifier) == 0);
            return true;
        }
        if (!bInside && !pWidget->isAncestorOf(pOpen)) {
            // A key meant for something behind the screen is not its to take.
            // One the screen's own control passed up (Shift, before Shift+Tab)
            // reaches the window too: that is no reason to move the focus.
            FocusFirst(*pOpen);
            return true;
        }
    } else if (type == QEvent::FocusIn && !bInside) {
        FocusFirst(*pOpen);
    }
    return false;
}
