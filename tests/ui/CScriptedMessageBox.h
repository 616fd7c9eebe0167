#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <deque>
#include <vector>

#include "screens/IMessageBox.h"

// Answers message boxes from a script and records every text shown.
class CScriptedMessageBox final : public IMessageBox {
public:
    void ShowMessage(const QString& strText) override { m_shown.push_back(strText); }
    // Takes the next scripted answer; a question nobody scripted fails the test.
    bool AskYesNo(const QString& strText, EDefault answer = EDefault::Yes) override {
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

    void ScriptAnswer(bool bYes) { m_answers.push_back(bYes); }
    const QStringList& Shown() const { return m_shown; }
    // The answer Enter would have given to each question, in order.
    const std::vector<EDefault>& Defaults() const { return m_defaults; }

private:
    QStringList m_shown;
    std::deque<bool> m_answers;
    std::vector<EDefault> m_defaults;
};
