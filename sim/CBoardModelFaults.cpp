// The simulated board's faults: replies damaged, dropped, late, cut or
// held back, as a noisy radio or a wrong receiver gives them.

#include <algorithm>
#include <utility>

#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "sim/CBoardModel.h"

size_t CBoardModel::ChecksumPassingPrefix(const std::vector<uint8_t>& reply) {
    uint8_t nSum = 0;
    for (size_t nSize = 1; nSize < reply.size(); ++nSize) {
        nSum ^= reply[nSize - 1];
        if (nSize >= Protocol::kFrameOverhead && nSum == 0) {
            return nSize;
        }
    }
    return 0;
}

void CBoardModel::SetFault(EBoardFault fault, std::optional<uint8_t> nOnlyLetter) {
    std::lock_guard lock(m_mutex);
    m_fault = fault;
    m_nFaultLetter = nOnlyLetter;
}

void CBoardModel::DropNextReplies(int nReplies) {
    std::lock_guard lock(m_mutex);
    m_nRepliesToDrop = std::max(nReplies, 0);
}

void CBoardModel::SetAcknowledgementDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_ackDelay = delay;
}

void CBoardModel::SendNextReplyLate() {
    std::lock_guard lock(m_mutex);
    m_bHoldNextReply = true;
}

int CBoardModel::ChunkPauses() const {
    std::lock_guard lock(m_mutex);
    return m_nChunkPauses;
}

void CBoardModel::SetNoise(int nPercent, uint32_t nSeed) {
    std::lock_guard lock(m_mutex);
    m_nNoisePercent = std::clamp(nPercent, 0, 100);
    m_noise.seed(nSeed);
}

EBoardFault CBoardModel::NoiseFault() {
    if (m_nNoisePercent == 0 ||
        std::uniform_int_distribution<int>(0, 99)(m_noise) >= m_nNoisePercent) {
        return EBoardFault::None;
    }
    static constexpr EBoardFault kNoises[] = {EBoardFault::WrongChecksum, EBoardFault::NoReply,
                                              EBoardFault::ShortReply, EBoardFault::LateReply,
                                              EBoardFault::Garbage};
    return kNoises[std::uniform_int_distribution<size_t>(0, std::size(kNoises) - 1)(m_noise)];
}

CBoardModel::Reply CBoardModel::ApplyFault(std::vector<uint8_t> reply, uint8_t nLetter) {
    Reply result;
    const bool bChunk = nLetter == Protocol::kLetterChunk;
    const bool bApplies = !m_nFaultLetter || *m_nFaultLetter == nLetter;
    if (const EBoardFault noise = NoiseFault(); noise != EBoardFault::None) {
        // Noise cuts a reply anywhere, and drops one by sending nothing.
        if (noise == EBoardFault::ShortReply) {
            reply.resize(std::uniform_int_distribution<size_t>(1, reply.size() - 1)(m_noise));
        } else if (noise == EBoardFault::NoReply) {
            reply.clear();
        } else if (noise == EBoardFault::WrongChecksum) {
            reply.back() ^= 0x01;
        } else if (noise == EBoardFault::LateReply) {
            result.delay = kLateReplyDelay;
        } else {
            reply = {0xFF, 0x00, 0x13, 0x37, 0xC0, 0xDE};
        }
        result.delay += kTurnaround + LineTime(reply.size());
        result.bytes = std::move(reply);
        return result;
    }
    // A chunk reply's byte 1 is its index; other replies' byte 2 is the letter.
    const size_t nTagOffset = bChunk ? 1 : Protocol::kOffsetLetter;
    auto reseal = [&reply] {
        reply.back() = XorChecksum(std::span(reply).first(reply.size() - 1));
    };
    switch (bApplies ? m_fault : EBoardFault::None) {
        case EBoardFault::None:
        case EBoardFault::NoReply:
        case EBoardFault::ChunkPausesAtChecksum:  // cut in Feed, where pieces are made
            break;
        case EBoardFault::WrongChecksum:
            reply.back() ^= 0x01;
            break;
        case EBoardFault::WrongLetter:
            reply[nTagOffset] ^= 0x20;
            reseal();
            break;
        case EBoardFault::Garbage:
            reply = {0xFF, 0x00, 0x13, 0x37, 0xC0, 0xDE};
            break;
        case EBoardFault::LateReply:
            result.delay = kLateReplyDelay;
            break;
        case EBoardFault::CorruptChunks:
            if (bChunk) {
                // Only the first try of each chunk: a retry gets it whole.
                int& nTries = m_chunkTries[reply[1]];
                if (nTries++ == 0) {
                    reply[reply.size() > 3 ? 2 : reply.size() - 1] ^= 0x10;
                }
            }
            break;
        case EBoardFault::ShortReply:
            reply.resize(std::min<size_t>(reply.size(), 4));
            break;
        case EBoardFault::DoubledReply:
            reply.insert(reply.end(), reply.begin(), reply.end());
            break;
        case EBoardFault::LostChunk:
            if (bChunk && reply[1] == 1) {
                reply[1] = 2;
                reseal();
            }
            break;
    }
    result.delay += kTurnaround + LineTime(reply.size());
    result.bytes = std::move(reply);
    return result;
}
