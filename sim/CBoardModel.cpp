#include "sim/CBoardModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "platform/CSteadyClock.h"

namespace {

// Requests carry at most four parameters: L is 1 (open), 2 (chunk) or 5.
constexpr uint8_t kMaxRequestLength = 5;
// Reply data bytes: enough for the longest answer (a range, four bytes).
constexpr size_t kReplyDataBytes = 4;
constexpr int kMostChunks = 255;
constexpr uint8_t kValueCode49 = 49;
// p1 of the power action frame.
constexpr uint8_t kMaskOn = 0x01;
constexpr uint8_t kMaskOff = 0x02;
constexpr uint8_t kMaskForceShutdown = 0x04;
constexpr uint8_t kMaskClearCmos = 0x08;
constexpr uint8_t kMaskReset = 0x10;

// Array numbers of the monitored items.
constexpr int kHwVolt = 4;
constexpr int kHwTemp = 5;
constexpr int kHwFan = 6;
constexpr int kHwFrq = 7;

bool IsRequestStart(uint8_t nByte) {
    return nByte == Protocol::kStartQuery || nByte == Protocol::kStartChange;
}

std::vector<uint8_t> BuildReply(uint8_t nLetter, std::span<const uint8_t> data) {
    return BuildFrame(Protocol::kStartReply, nLetter, data);
}

void PutWord(uint8_t* pData, long nValue) {
    const auto nWord = static_cast<uint16_t>(std::clamp(nValue, 0L, 0xFFFFL));
    pData[0] = static_cast<uint8_t>(nWord & 0xFF);
    pData[1] = static_cast<uint8_t>(nWord >> 8);
}

long ClampToRange(const SimItem& item, long nValue) {
    return std::clamp(nValue, item.nMin, std::max(item.nMin, item.nMax));
}

double Wave(double dSeconds, double dPeriod, double dPhase) {
    return std::sin(2 * std::numbers::pi * dSeconds / dPeriod + dPhase);
}

// Pieces of one size, as a board's firmware cuts its text; the last holds
// what is left, which may be less, or nothing.
std::vector<std::vector<uint8_t>> Split(const std::string& bytes, int nChunks) {
    std::vector<std::vector<uint8_t>> chunks;
    if (nChunks <= 0) {
        return chunks;
    }
    const size_t nPiece = (bytes.size() + static_cast<size_t>(nChunks) - 1) / nChunks;
    for (int i = 0; i < nChunks; ++i) {
        const size_t nBegin = std::min(bytes.size(), nPiece * static_cast<size_t>(i));
        const size_t nEnd = std::min(bytes.size(), nBegin + nPiece);
        chunks.emplace_back(bytes.begin() + nBegin, bytes.begin() + nEnd);
    }
    return chunks;
}

}  // namespace

CBoardModel::CBoardModel() : CBoardModel(CBoardDescription::Demo()) {}

CBoardModel::CBoardModel(CBoardDescription description, std::shared_ptr<IClock> pClock)
    : m_description(std::move(description)),
      m_pClock(pClock ? std::move(pClock) : std::make_shared<CSteadyClock>()),
      m_start(m_pClock->Now()) {
    const size_t nSize = m_description.Bytes().size();
    const size_t nChunks = (nSize + kChunkPayload - 1) / kChunkPayload;
    m_chunks =
        Split(m_description.Bytes(), static_cast<int>(std::min<size_t>(nChunks, kMostChunks)));
}

void CBoardModel::SetChunkCount(int nChunks) {
    std::lock_guard lock(m_mutex);
    m_chunks = Split(m_description.Bytes(), std::clamp(nChunks, 0, kMostChunks));
}

int CBoardModel::ChunkCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_chunks.size());
}

std::chrono::microseconds CBoardModel::LineTime(size_t nBytes) {
    return std::chrono::microseconds(nBytes * Protocol::kBitsPerByte * 1000000 /
                                     Protocol::kBaudRate);
}

std::vector<CBoardModel::Reply> CBoardModel::Feed(std::span<const uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    m_pendingBytes.insert(m_pendingBytes.end(), bytes.begin(), bytes.end());
    std::vector<Reply> replies;
    size_t nPos = 0;
    while (nPos < m_pendingBytes.size()) {
        if (!IsRequestStart(m_pendingBytes[nPos])) {
            ++nPos;  // noise: look for the next start byte
            continue;
        }
        if (nPos + 1 >= m_pendingBytes.size()) {
            break;  // the length byte is still on its way
        }
        const uint8_t nLength = m_pendingBytes[nPos + 1];
        if (nLength == 0 || nLength > kMaxRequestLength) {
            ++nPos;
            continue;
        }
        const size_t nFrameSize = nLength + Protocol::kFrameOverhead;
        if (nPos + nFrameSize > m_pendingBytes.size()) {
            break;  // the rest of the frame is still on its way
        }
        std::vector<uint8_t> request(m_pendingBytes.begin() + nPos,
                                     m_pendingBytes.begin() + nPos + nFrameSize);
        if (!HasValidChecksum(request)) {
            ++nPos;
            continue;
        }
        nPos += nFrameSize;
        m_requests.push_back(request);
        m_requestTimes.push_back(Now());
        std::vector<uint8_t> reply = Answer(request);
        const bool bSilenced =
            m_fault == EBoardFault::NoReply &&
            (!m_nFaultLetter || *m_nFaultLetter == request[Protocol::kOffsetLetter]);
        if (!reply.empty() && !bSilenced && m_nRepliesToDrop > 0) {
            --m_nRepliesToDrop;
        } else if (!reply.empty() && !bSilenced) {
            Reply answer = ApplyFault(std::move(reply), request[Protocol::kOffsetLetter]);
            if (request[Protocol::kOffsetStart] == Protocol::kStartChange &&
                m_description.ItemForValue(request[Protocol::kOffsetLetter]) != nullptr) {
                answer.delay += m_ackDelay;
            }
            if (std::exchange(m_bHoldNextReply, false)) {
                m_heldReply = std::move(answer.bytes);
                continue;
            }
            if (!m_heldReply.empty()) {
                // The late one first, at once, then this one a moment after it.
                const size_t nHeld = m_heldReply.size();
                replies.push_back({std::exchange(m_heldReply, {}), kTurnaround + LineTime(nHeld)});
                answer.delay = kStaleReplyLead + LineTime(answer.bytes.size());
            }
            const size_t nPause = request[Protocol::kOffsetLetter] == Protocol::kLetterChunk &&
                                          m_fault == EBoardFault::ChunkPausesAtChecksum
                                      ? ChecksumPassingPrefix(answer.bytes)
                                      : 0;
            if (nPause > 0) {
                std::vector<uint8_t> rest(answer.bytes.begin() + static_cast<ptrdiff_t>(nPause),
                                          answer.bytes.end());
                answer.bytes.resize(nPause);
                answer.delay = kTurnaround + LineTime(nPause);
                ++m_nChunkPauses;
                const size_t nRest = rest.size();
                replies.push_back(std::move(answer));
                replies.push_back({std::move(rest), kChunkPause + LineTime(nRest)});
                continue;
            }
            replies.push_back(std::move(answer));
        }
    }
    m_pendingBytes.erase(m_pendingBytes.begin(), m_pendingBytes.begin() + nPos);
    if (m_radioLatency.count() == 0 && m_nRadioPieces <= 1) {
        return replies;
    }
    // Each reply later, and cut into pieces that follow one another.
    std::vector<Reply> pieces;
    for (Reply& reply : replies) {
        const size_t nPieces =
            std::clamp<size_t>(static_cast<size_t>(m_nRadioPieces), 1, reply.bytes.size());
        const size_t nSize = reply.bytes.size();
        for (size_t nPiece = 0; nPiece < nPieces; ++nPiece) {
            const auto first =
                reply.bytes.begin() + static_cast<ptrdiff_t>(nSize * nPiece / nPieces);
            const auto last =
                reply.bytes.begin() + static_cast<ptrdiff_t>(nSize * (nPiece + 1) / nPieces);
            pieces.push_back({std::vector<uint8_t>(first, last),
                              nPiece == 0 ? reply.delay + m_radioLatency
                                          : std::chrono::microseconds(m_radioGap)});
        }
    }
    return pieces;
}

void CBoardModel::SetRadio(std::chrono::milliseconds latency, int nPieces,
                           std::chrono::milliseconds gap) {
    std::lock_guard lock(m_mutex);
    m_radioLatency = latency;
    m_nRadioPieces = std::max(1, nPieces);
    m_radioGap = gap;
}

std::vector<std::vector<uint8_t>> CBoardModel::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<IClock::TimePoint> CBoardModel::RequestTimes() const {
    std::lock_guard lock(m_mutex);
    return m_requestTimes;
}

std::vector<uint8_t> CBoardModel::Answer(const std::vector<uint8_t>& request) {
    const uint8_t nStart = request[Protocol::kOffsetStart];
    const uint8_t nLetter = request[Protocol::kOffsetLetter];
    uint8_t data[kReplyDataBytes] = {};
    if (nStart == Protocol::kStartQuery && nLetter == Protocol::kLetterChunk &&
        request.size() == Protocol::kChunkFrameSize) {
        return AnswerChunk(request[Protocol::kOffsetData]);
    }
    if (nStart == Protocol::kStartQuery && nLetter == Protocol::kLetterOpen) {
        data[0] = static_cast<uint8_t>(m_chunks.size());
        return BuildReply(nLetter, data);
    }
    if (nStart == Protocol::kStartChange && nLetter == Protocol::kLetterPrepareRead49) {
        m_bPrepared49 = true;
        return BuildReply(nLetter, data);
    }
    if (nStart == Protocol::kStartQuery && nLetter == Protocol::kLetterPowerStatus) {
        Settle();
        data[0] = m_bPowerOn ? m_nStateOnByte : m_nStateOffByte;
        return BuildReply(nLetter, data);
    }
    if (nStart == Protocol::kStartChange && nLetter == Protocol::kLetterPowerAction) {
        return AnswerPowerAction(request[Protocol::kOffsetData]);
    }
    if (nStart == Protocol::kStartQuery && nLetter == Protocol::kLetterLockStatus) {
        data[0] = LockClosedNow() ? m_nLockedByte : Protocol::kLockStateUnlocked;
        return BuildReply(nLetter, data);
    }
    if (nStart == Protocol::kStartQuery && nLetter == Protocol::kLetterPosterCode) {
        const int nCode = PosterCodeNow();
        data[0] = static_cast<uint8_t>(m_nPosterMode);
        data[1] = static_cast<uint8_t>(nCode & 0xFF);
        data[2] = static_cast<uint8_t>(nCode >> 8);
        return BuildReply(nLetter, data);
    }
    if (nStart == Protocol::kStartChange && nLetter == Protocol::kLetterMessageMode) {
        const uint8_t nParameter = request[Protocol::kOffsetData];
        if (nParameter == Protocol::kMessageModeCode) {
            m_nPosterMode = Protocol::kPosterModeCode;
        } else if (nParameter == Protocol::kMessageModeText) {
            m_nPosterMode = Protocol::kPosterModeText;
        } else {
            return {};  // not a mode this board knows
        }
        return BuildReply(nLetter, data);
    }
    if (nStart == Protocol::kStartChange && m_description.ItemForValue(nLetter) != nullptr) {
        return AnswerWrite(request);
    }
    if (nStart == Protocol::kStartQuery) {
        if (const SimItem* pItem = m_description.ItemForValue(nLetter)) {
            if (nLetter == kValueCode49 && !std::exchange(m_bPrepared49, false)) {
                return {};  // this value is only ready after a "}"
            }
            const long nValue = CurrentValueHeld(*pItem);
            // Index-based items count positions from 1.
            PutWord(data, pItem->strKind == "1" ? nValue - pItem->nMin + 1 : nValue);
            return BuildReply(nLetter, data);
        }
        if (const SimItem* pItem = m_description.ItemForRange(nLetter)) {
            const bool bIndexed = pItem->strKind == "1";
            PutWord(data, bIndexed ? 1 : pItem->nMin);
            PutWord(data + 2, bIndexed ? pItem->nMax - pItem->nMin + 1 : pItem->nMax);
            return BuildReply(nLetter, data);
        }
    }
    return BuildReply(nLetter, data);
}

std::vector<uint8_t> CBoardModel::AnswerChunk(uint8_t nIndex) {
    if (nIndex >= m_chunks.size()) {
        return {};
    }
    std::vector<uint8_t> reply = {Protocol::kStartReply, nIndex};
    reply.insert(reply.end(), m_chunks[nIndex].begin(), m_chunks[nIndex].end());
    reply.push_back(XorChecksum(reply));
    return reply;
}

double CBoardModel::SecondsRunning() const {
    return std::chrono::duration<double>(m_pClock->Now() - m_start).count();
}

long CBoardModel::CurrentValue(const SimItem& item) const {
    std::lock_guard lock(m_mutex);
    return CurrentValueHeld(item);
}

long CBoardModel::CurrentValueHeld(const SimItem& item) const {
    long nValue = item.nValue;
    if (auto it = m_held.find(item.nValueCmd); it != m_held.end() && item.nArray >= kHwVolt) {
        return it->second;
    }
    if (item.nArray >= kHwVolt) {
        nValue = HardwareValue(item, SecondsRunning());
    } else if (auto it = m_written.find(item.nValueCmd); it != m_written.end()) {
        nValue = it->second;
    }
    return ClampToRange(item, nValue);
}

std::vector<uint8_t> CBoardModel::AnswerWrite(const std::vector<uint8_t>& request) {
    const uint8_t nLetter = request[Protocol::kOffsetLetter];
    const SimItem& item = *m_description.ItemForValue(nLetter);
    const uint8_t nLow = request[Protocol::kOffsetData];
    const uint8_t nHigh = request[Protocol::kOffsetData + 1];
    // Monitored values are measured, not set: the write is acknowledged and ignored.
    if (item.nArray < kHwVolt) {
        long nValue = item.strKind == "4" ? nLow : nLow + 256L * nHigh;
        if (item.strKind == "1") {
            nValue += item.nMin - 1;  // a position counted from 1
        }
        if (const auto limit = m_writeLimits.find(nLetter); limit != m_writeLimits.end()) {
            nValue = std::min(nValue, limit->second);
        }
        m_written[nLetter] = ClampToRange(item, nValue);
    }
    const uint8_t data[kReplyDataBytes] = {};
    return BuildReply(nLetter, data);
}

std::vector<uint8_t> CBoardModel::AnswerPowerAction(uint8_t nMask) {
    Settle();
    const IClock::TimePoint now = Now();
    switch (nMask) {
        case kMaskOn:
            if (!m_bPowerOn && m_pending == EPending::None) {
                m_pending = EPending::On;
                m_pendingAt = now + kPowerOnDelay;
            }
            break;
        case kMaskOff:
        case kMaskForceShutdown:
            if (m_bPowerOn) {
                m_pending = EPending::Off;
                m_pendingAt = now + (nMask == kMaskOff ? kPowerOffDelay : kResetDelay);
            }
            break;
        case kMaskClearCmos:
            if (m_bPowerOn || m_pending != EPending::None) {
                return {};  // only a board that is off clears its settings
            }
            m_written.clear();
            break;
        case kMaskReset:
            if (m_bPowerOn) {
                m_pending = EPending::Reset;
                m_pendingAt = now + kResetDelay;
            }
            break;
        default:
            return {};
    }
    const uint8_t data[kReplyDataBytes] = {};
    return BuildReply(Protocol::kLetterPowerAction, data);
}

void CBoardModel::Settle() const {
    if (m_pending == EPending::None || Now() < m_pendingAt) {
        return;
    }
    switch (m_pending) {
        case EPending::On:
        case EPending::Reset:
            m_bPowerOn = true;
            m_bootedAt = m_pendingAt;
            BeginStartup();
            break;
        case EPending::Off:
            m_bPowerOn = false;
            m_bootedAt.reset();
            break;
        case EPending::None:
            break;
    }
    m_pending = EPending::None;
}

bool CBoardModel::HoldValue(std::string_view strName, std::optional<long> nValue) {
    for (const SimItem& item : m_description.Items()) {
        if (item.nArray < kHwVolt || item.strName != strName) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        if (nValue) {
            m_held[item.nValueCmd] = *nValue;
        } else {
            m_held.erase(item.nValueCmd);
        }
        return true;
    }
    return false;
}

bool CBoardModel::LimitWrites(std::string_view strName, long nMost) {
    for (const SimItem& item : m_description.Items()) {
        if (item.nArray < kHwVolt && item.strName == strName) {
            std::lock_guard lock(m_mutex);
            m_writeLimits[item.nValueCmd] = nMost;
            return true;
        }
    }
    return false;
}

long CBoardModel::HardwareValue(const SimItem& item, double dSeconds) const {
    const double dIndex = static_cast<double>(item.nIndex);
    const double dBase = static_cast<double>(item.nValue);
    switch (item.nArray) {
        case kHwVolt:
            // Regulators ripple by a few tenths of a percent.
            return std::lround(dBase * (1 + 0.004 * Wave(dSeconds, 7 + dIndex, dIndex)));
        case kHwTemp: {
            // The first sensor (the processor) swings widest, past its alarm
            // at the top of each cycle; the others drift slowly.
            const double dSwing = item.nIndex == 0 ? 10 : 4;
            return std::lround(dBase + dSwing * Wave(dSeconds, 45 + 20 * dIndex, dIndex));
        }
        case kHwFan: {
            if (item.nValue == 0) {
                return 0;  // a stopped fan stays stopped
            }
            // Fans follow the processor's temperature around their set speed.
            double dHeat = 0;
            for (const SimItem& sensor : m_description.Items()) {
                if (sensor.nArray == kHwTemp && sensor.nValue > 0) {
                    dHeat =
                        HardwareValue(sensor, dSeconds) / static_cast<double>(sensor.nValue) - 1;
                    break;
                }
            }
            return std::lround(dBase * (1 + 1.5 * dHeat + 0.01 * Wave(dSeconds, 3, dIndex)));
        }
        case kHwFrq:
            // The processor clock steps back from boost now and then.
            if (item.nIndex == 0) {
                return std::lround(dBase - 0.06 * dBase * (1 + Wave(dSeconds, 13, 0)) / 2);
            }
            return item.nValue;
        default:
            return item.nValue;
    }
}
