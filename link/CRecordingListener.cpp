#include "link/CRecordingListener.h"

#include <algorithm>

void CRecordingListener::Clear() {
    std::lock_guard lock(m_mutex);
    m_reports.clear();
}

std::vector<CRecordingListener::Report> CRecordingListener::Reports() const {
    std::lock_guard lock(m_mutex);
    return m_reports;
}

size_t CRecordingListener::Count(const std::string& strOperation, int nFirst) const {
    std::lock_guard lock(m_mutex);
    return static_cast<size_t>(std::count_if(
        m_reports.begin(), m_reports.end(),
        [&](const Report& r) { return r.strOperation == strOperation && r.nFirst == nFirst; }));
}

size_t CRecordingListener::Count(const std::string& strOperation) const {
    std::lock_guard lock(m_mutex);
    return static_cast<size_t>(
        std::count_if(m_reports.begin(), m_reports.end(),
                      [&](const Report& r) { return r.strOperation == strOperation; }));
}

std::vector<CRecordingListener::Report> CRecordingListener::Of(
    const std::string& strOperation) const {
    std::vector<Report> reports = Reports();
    std::erase_if(reports, [&](const Report& r) { return r.strOperation != strOperation; });
    return reports;
}

std::optional<CRecordingListener::Report> CRecordingListener::Last(
    const std::string& strOperation) const {
    const std::vector<Report> reports = Of(strOperation);
    return reports.empty() ? std::nullopt : std::optional<Report>(reports.back());
}

bool CRecordingListener::WaitFor(const std::function<bool(const std::vector<Report>&)>& predicate,
                                 std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return predicate(m_reports); });
}

bool CRecordingListener::WaitForCount(const std::string& strOperation, size_t nCount) {
    return WaitFor([&](const std::vector<Report>& reports) {
        return static_cast<size_t>(std::count_if(
                   reports.begin(), reports.end(),
                   [&](const Report& r) { return r.strOperation == strOperation; })) >= nCount;
    });
}

void CRecordingListener::Add(Report report) {
    {
        std::lock_guard lock(m_mutex);
        m_reports.push_back(std::move(report));
    }
    m_changed.notify_all();
}

void CRecordingListener::OnLinkState(bool bConnected) {
    Add({"OnLinkState", bConnected, 0, {}});
}
void CRecordingListener::OnLinkError(int nKind, std::string strText) {
    Add({"OnLinkError", nKind, 0, std::move(strText)});
}
void CRecordingListener::OnLockState(bool bShowLock) {
    Add({"OnLockState", bShowLock, 0, {}});
}
void CRecordingListener::OnPosterText(int nCode, bool bCodeMode, std::string strText) {
    Add({"OnPosterText", nCode, bCodeMode, std::move(strText)});
}
void CRecordingListener::OnPowerState(bool bOn) {
    Add({"OnPowerState", bOn, 0, {}});
}
void CRecordingListener::OnConfigLoaded(bool bOk) {
    Add({"OnConfigLoaded", bOk, 0, {}});
}
void CRecordingListener::OnOverclockRefreshed(bool bOk) {
    Add({"OnOverclockRefreshed", bOk, 0, {}});
}
void CRecordingListener::OnApplied(bool bOk) {
    Add({"OnApplied", bOk, 0, {}});
}
void CRecordingListener::OnArrayRefreshed(int nArray, bool bOk) {
    Add({"OnArrayRefreshed", nArray, bOk, {}});
}
void CRecordingListener::OnProgress(EProgress step, int n, int nOf) {
    Add({"OnProgress", n, nOf, std::to_string(static_cast<int>(step))});
}
void CRecordingListener::OnPowerCommandDone(bool bOk, int nDetail) {
    Add({"OnPowerCommandDone", bOk, nDetail, {}});
}
void CRecordingListener::OnMessageModeDone(bool bOk) {
    Add({"OnMessageModeDone", bOk, 0, {}});
}
