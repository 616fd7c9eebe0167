#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/ILinkListener.h"

// Records every report of the link, in order, from any thread, and lets a
// thread wait for the reports it expects. Used by tunevoctl and the tests.
class CRecordingListener : public ILinkListener {
public:
    struct Report {
        std::string strOperation;  // "OnLinkState", ...
        int nFirst = 0;            // the first int or bool argument
        int nSecond = 0;           // the second, where there is one
        std::string strText;
    };

    std::vector<Report> Reports() const;
    // Forgets every report so far.
    void Clear();
    // How many reports of one operation with a given first argument.
    size_t Count(const std::string& strOperation, int nFirst) const;
    size_t Count(const std::string& strOperation) const;
    // The reports of one operation, in order, and the last of them.
    std::vector<Report> Of(const std::string& strOperation) const;
    std::optional<Report> Last(const std::string& strOperation) const;
    // Waits (real time, bounded) until the predicate holds over the reports.
    bool WaitFor(const std::function<bool(const std::vector<Report>&)>& predicate,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits (real time, bounded) until there are at least n reports of an operation.
    bool WaitForCount(const std::string& strOperation, size_t nCount);

    void OnLinkState(bool bConnected) override;
    void OnLinkError(int nKind, std::string strText) override;
    void OnLockState(bool bShowLock) override;
    void OnPosterText(int nCode, bool bCodeMode, std::string strText) override;
    void OnPowerState(bool bOn) override;
    void OnConfigLoaded(bool bOk) override;
    void OnOverclockRefreshed(bool bOk) override;
    void OnApplied(bool bOk) override;
    void OnArrayRefreshed(int nArray, bool bOk) override;
    void OnPowerCommandDone(bool bOk, int nDetail) override;
    void OnMessageModeDone(bool bOk) override;
    // Recorded as "OnProgress" with n and nOf, and the step's number as text.
    void OnProgress(EProgress step, int n, int nOf) override;

protected:
    // Every report passes here; a subclass may look at it first.
    virtual void Add(Report report);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
};
