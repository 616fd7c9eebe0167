#include "tests/ui/CScriptedMessageBox.h"

#include <gtest/gtest.h>

void CScriptedMessageBox::ShowMessage(const QString& strText) {
    m_shown.push_back(strText);
}

bool CScriptedMessageBox::AskYesNo(const QString& strText, EDefault answer) {
    m_shown.push_back(strText);
    m_defaults.push_back(answer);
    if (m_answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << strText.toStdString();
        return false;
    }
    const bool bYes = m_answers.front();
    m_answers.pop_front();
    return bYes;
}
