#include "sim/CBoardModel.h"

#include "link/FrameCodec.h"
#include "link/Protocol.h"

namespace {

// Requests carry at most four parameters: L is 1 (open), 2 (chunk) or 5.
constexpr uint8_t kMaxRequestLength = 5;
// Reply data bytes: enough for the longest answer (a range, four bytes).
constexpr size_t kReplyDataBytes = 4;

bool IsRequestStart(uint8_t nByte) {
    return nByte == Protocol::kStartQuery || nByte == Protocol::kStartChange;
}

std::vector<uint8_t> BuildReply(uint8_t nLetter, std::span<const uint8_t> data) {
    return BuildFrame(Protocol::kStartReply, nLetter, data);
}

}  // namespace

CBoardModel::CBoardModel(uint8_t nChunkCount) : m_nChunkCount(nChunkCount) {}

void CBoardModel::SetFault(EBoardFault fault) {
    std::lock_guard lock(m_mutex);
    m_fault = fault;
}

std::chrono::microseconds CBoardModel::LineTime(size_t nBytes) {
    return std::chrono::microseconds(nBytes * Protocol::kBitsPerByte * 1000000 /
                                     Protocol::kBaudRate);
}

std::vector<CBoardModel::Reply> CBoardModel::Feed(std::span<const uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    std::vector<Reply> replies;
    size_t nPos = 0;
    while (nPos < m_pending.size()) {
        if (!IsRequestStart(m_pending[nPos])) {
            ++nPos;  // noise: look for the next start byte
            continue;
        }
        if (nPos + 1 >= m_pending.size()) {
            break;  // the length byte is still on its way
        }
        const uint8_t nLength = m_pending[nPos + 1];
        if (nLength == 0 || nLength > kMaxRequestLength) {
            ++nPos;
            continue;
        }
        const size_t nFrameSize = nLength + Protocol::kFrameOverhead;
        if (nPos + nFrameSize > m_pending.size()) {
            break;  // the rest of the frame is still on its way
        }
        std::vector<uint8_t> request(m_pending.begin() + nPos,
                                     m_pending.begin() + nPos + nFrameSize);
        if (!HasValidChecksum(request)) {
            ++nPos;
            continue;
        }
        nPos += nFrameSize;
        m_requests.push_back(request);
        if (m_fault != EBoardFault::NoReply) {
            replies.push_back(ApplyFault(Answer(request)));
        }
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + nPos);
    return replies;
}

std::vector<std::vector<uint8_t>> CBoardModel::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<uint8_t> CBoardModel::Answer(const std::vector<uint8_t>& request) const {
    const uint8_t nLetter = request[Protocol::kOffsetLetter];
    uint8_t data[kReplyDataBytes] = {};
    if (nLetter == Protocol::kLetterOpen) {
        data[0] = m_nChunkCount;
    }
    return BuildReply(nLetter, data);
}

CBoardModel::Reply CBoardModel::ApplyFault(std::vector<uint8_t> reply) const {
    Reply result;
    switch (m_fault) {
        case EBoardFault::None:
        case EBoardFault::NoReply:
            break;
        case EBoardFault::WrongChecksum:
            reply.back() ^= 0x01;
            break;
        case EBoardFault::WrongLetter:
            reply[Protocol::kOffsetLetter] ^= 0x20;
            reply.back() = XorChecksum(std::span(reply).first(reply.size() - 1));
            break;
        case EBoardFault::Garbage:
            reply = {0xFF, 0x00, 0x13, 0x37, 0xC0, 0xDE};
            break;
        case EBoardFault::LateReply:
            result.delay = kLateReplyDelay;
            break;
    }
    result.delay += kTurnaround + LineTime(reply.size());
    result.bytes = std::move(reply);
    return result;
}
