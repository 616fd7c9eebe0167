#include "shell/CTunevoApp.h"

#include <QAbstractButton>
#include <QDialog>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>

#include "platform/LocaleId.h"
#include "screens/ScreenPainting.h"
#include "widgets/ScreenLayout.h"

CTunevoApp::CTunevoApp(int& argc, char** argv) : QApplication(argc, argv), m_defaultFont(font()) {
    setApplicationName(QStringLiteral("tunevo"));
    // Message boxes have no caption of their own: the window manager shows this.
    setApplicationDisplayName(QStringLiteral("Tunevo"));
    setApplicationVersion(QStringLiteral("1.1.2"));
    installEventFilter(this);
}

void CTunevoApp::UseLanguage(uint32_t nLcid) {
    removeTranslator(&m_qtTexts);
    const bool bChinese = IsChineseLcid(nLcid);
    if (bChinese) {
        const QLocale locale(nLcid == kLcidSimplifiedChinese ? QStringLiteral("zh_CN")
                                                             : QStringLiteral("zh_TW"));
        // Without Qt's translations installed the buttons stay in English.
        if (m_qtTexts.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            installTranslator(&m_qtTexts);
        }
    }
    QFont windowFont = m_defaultFont;
    if (bChinese) {
        windowFont.setFamilies(ScreenFontFamilies(true));
    }
    setFont(windowFont);
}

bool CTunevoApp::PressesFocusedButton(QObject* pWatched, const QKeyEvent& key) {
    const bool bEnter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    auto* pButton = qobject_cast<QAbstractButton*>(pWatched);
    // Dialogs keep their own rule: Enter answers with the default button.
    if (!bEnter || key.modifiers() != Qt::NoModifier || pButton == nullptr ||
        pButton != focusWidget() || qobject_cast<QDialog*>(pButton->window()) != nullptr ||
        !pButton->isEnabled()) {
        return false;
    }
    pButton->click();
    return true;
}

CTunevoApp* CTunevoApp::Instance() {
    return qobject_cast<CTunevoApp*>(QCoreApplication::instance());
}

bool CTunevoApp::eventFilter(QObject* pWatched, QEvent* pEvent) {
    const QEvent::Type type = pEvent->type();
    if (type == QEvent::KeyPress &&
        PressesFocusedButton(pWatched, *static_cast<QKeyEvent*>(pEvent))) {
        return true;
    }
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) &&
        m_bInputLocked.load() && m_pTapArea != nullptr) {
        auto* pWidget = qobject_cast<QWidget*>(pWatched);
        // Only the main window's own surface: the power and poster screens over
        // it stay usable, and the pages check the lock themselves.
        if (pWidget == m_pTapArea) {
            // The layout rectangles are placed in the main window's client area.
            const QPoint point = m_pTapArea->mapFromGlobal(
                static_cast<QMouseEvent*>(pEvent)->globalPosition().toPoint());
            if (!g_rcPoster.Contains(point.x(), point.y())) {
                return true;
            }
        }
    }
    return QApplication::eventFilter(pWatched, pEvent);
}
