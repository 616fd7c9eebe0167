#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include "platform/IClock.h"
#include "sim/CBoardDescription.h"

// Ways the simulated board can misbehave, to test how the link copes.
enum class EBoardFault {
    None,
    NoReply,        // stays silent
    WrongChecksum,  // right start and letter, checksum off by one bit
    WrongLetter,    // a checked reply to another letter (a chunk: another index)
    Garbage,        // bytes that are no frame
    LateReply,      // a good reply, but after the 100 ms the link waits
    CorruptChunks,  // the first reply to each chunk has a damaged byte
    LostChunk,      // chunk 1 is always answered as chunk 2
    ShortReply,     // only the first four bytes of each reply
    DoubledReply,   // each reply sent twice in a row, as a late one before its repeat
    // Each chunk reply stops for kChunkPause where its first bytes happen to
    // pass its checksum, as a radio may stop anywhere; then the rest follows.
    ChunkPausesAtChecksum,
};

// The board's receiver as the link sees it: takes request bytes as they
// arrive on the line and answers complete frames. It serves its description
// as configuration chunks, answers each item's range and value reads and
// keeps written values; monitored values move with time. It has a PC that
// switches on and off a moment after each power action, a lock, and a
// poster that walks through start-up codes after power-on. Thread-safe.
class CBoardModel {
public:
    struct Reply {
        std::vector<uint8_t> bytes;
        // From the end of the request to the last reply byte, as the line paces it.
        std::chrono::microseconds delay{0};
    };

    // How long a late reply takes: well past the link's 100 ms wait.
    static constexpr std::chrono::milliseconds kLateReplyDelay{180};
    // The receiver's own turn-around before it starts to send.
    static constexpr std::chrono::microseconds kTurnaround{500};
    // Chunk text per reply: 243 bytes take 42 ms at 57600 baud, well inside 100 ms.
    static constexpr size_t kChunkPayload = 240;

    // The demo board, on the steady clock.
    CBoardModel();
    // pClock times the monitored values; nullptr means the steady clock.
    explicit CBoardModel(CBoardDescription description, std::shared_ptr<IClock> pClock = nullptr);

    // Spoils every reply, or with nOnlyLetter only replies to that letter
    // (Protocol::kLetterChunk for the chunks).
    void SetFault(EBoardFault fault, std::optional<uint8_t> nOnlyLetter = std::nullopt);

    // Spoils this share of the replies (0 to 100 percent) at random, each in
    // one way: damaged, dropped, cut short, late or garbage. The seed makes a
    // run repeatable.
    void SetNoise(int nPercent, uint32_t nSeed = 1);

    // Drops the next n replies, whatever they answer: a radio that lost them.
    void DropNextReplies(int nReplies);
    // Holds every acknowledgement of an item write this much longer: a radio
    // that delivers it after the link stopped waiting.
    void SetAcknowledgementDelay(std::chrono::milliseconds delay);

    // The next reply is held back until the next request has come, and then
    // sent just before that one's own reply, which follows kStaleReplyLead
    // later: a reply late enough to meet the request after it.
    void SendNextReplyLate();
    static constexpr std::chrono::milliseconds kStaleReplyLead{10};
    static constexpr std::chrono::milliseconds kChunkPause{30};
    // How many chunk replies ChunkPausesAtChecksum has stopped so far.
    int ChunkPauses() const;

    // Serves the description in n chunks of one size, the last with what is
    // left, 0 to 255; 0 announces none.
    void SetChunkCount(int nChunks);
    // A radio between the board and the line: each reply starts this long
    // after its request and comes in this many pieces, this far apart.
    void SetRadio(std::chrono::milliseconds latency, int nPieces,
                  std::chrono::milliseconds gap = kRadioPieceGap);
    static constexpr std::chrono::milliseconds kRadioPieceGap{5};
    int ChunkCount() const;

    // Takes bytes from the line; returns the replies to the frames they
    // complete, in order. Bytes that do not start a checked request frame
    // are dropped, as a receiver resynchronising on noise would.
    std::vector<Reply> Feed(std::span<const uint8_t> bytes);

    // Every complete, checked request received so far.
    std::vector<std::vector<uint8_t>> Requests() const;
    // When each of them was received, by the board's clock.
    std::vector<IClock::TimePoint> RequestTimes() const;

    const CBoardDescription& Description() const { return m_description; }
    // The raw value the item reads at this moment.
    long CurrentValue(const SimItem& item) const;

    // The power state machine: actions are acknowledged at once and take
    // effect after these delays.
    static constexpr std::chrono::milliseconds kPowerOnDelay{1500};
    static constexpr std::chrono::milliseconds kPowerOffDelay{1000};
    static constexpr std::chrono::milliseconds kResetDelay{500};
    // How long each start-up POST code shows after power-on or reset, unless set.
    static constexpr std::chrono::milliseconds kPostCodeStep{300};
    void SetPostCodeStep(std::chrono::milliseconds step);
    // The "p" state bytes the board answers.
    static constexpr uint8_t kStateOn = 15;
    static constexpr uint8_t kStateOff = 0;

    // A time the lock closes, counted from the board's start, and how long
    // it stays closed (for good when nothing).
    struct LockWindow {
        std::chrono::milliseconds start{0};
        std::optional<std::chrono::milliseconds> duration;
    };

    bool IsPoweredOn() const;
    // Switches at once, as if the action had taken effect (console, tests).
    void SetPoweredOn(bool bOn);
    bool IsLocked() const;
    // Locks or unlocks by hand, overriding the schedule; nothing returns to it.
    void SetLocked(std::optional<bool> bLocked);
    void SetLockSchedule(std::vector<LockWindow> windows);
    // The POST code on the poster now, and its mode (1 code, 0 text).
    int PosterCode() const;
    int PosterMode() const;
    // Shows this code instead of the start-up walk, until given nothing.
    void HoldPosterCode(std::optional<int> nCode);
    void SetPosterMode(int nMode);
    // Holds a monitored item at a raw value, as if its sensor read so (a fan
    // that stopped, a chip running hot), until given nothing. The value is
    // not limited to the item's range: sensors misread. False for a name
    // that is none of the board's monitored items.
    bool HoldValue(std::string_view strName, std::optional<long> nValue);
    // Keeps an over-clock item's written values at or below a raw value, as
    // firmware that limits a voltage does: the write is acknowledged and the
    // limit is what reads back. Nothing lifts it. False for a name that is
    // none of the board's over-clock items.
    bool LimitWrites(std::string_view strName, long nMost);
    // The bytes this board answers for on and off (boards differ: 15 or 2
    // for on, 0, 4 or 8 for off), and for a closed lock (0 by default).
    void SetPowerStateBytes(uint8_t nOn, uint8_t nOff);
    void SetLockedByte(uint8_t nLocked);
    // The start-up codes the poster walks through after power-on; it then
    // settles on the last one.
    static const std::vector<int>& StartupCodes();
    // Where a start-up that begins with an over-clock voltage past its
    // second threshold stops for good: memory training.
    static constexpr int kStallCode = 0x15;

    // Time the line needs for n bytes at 57600 baud.
    static std::chrono::microseconds LineTime(size_t nBytes);

private:
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& request);
    std::vector<uint8_t> AnswerChunk(uint8_t nIndex);
    Reply ApplyFault(std::vector<uint8_t> reply, uint8_t nLetter);
    // Where a chunk reply's first bytes pass its checksum on their own: the
    // shortest such prefix past start and index, or 0 when there is none.
    static size_t ChecksumPassingPrefix(const std::vector<uint8_t>& reply);
    // The fault a noisy line gives this reply, if any. Expects m_mutex held.
    EBoardFault NoiseFault();
    double SecondsRunning() const;
    long HardwareValue(const SimItem& item, double dSeconds) const;
    std::vector<uint8_t> AnswerPowerAction(uint8_t nMask);
    std::vector<uint8_t> AnswerWrite(const std::vector<uint8_t>& request);
    // Lets a pending power change take effect once its time has come.
    // Expects m_mutex held.
    void Settle() const;
    // The helpers below expect m_mutex held.
    long CurrentValueHeld(const SimItem& item) const;
    bool LockClosedNow() const;
    int PosterCodeNow() const;
    // A start-up begins now: whether it will stall is decided by the values in force.
    void BeginStartup() const;
    bool AnyVoltagePastLimit() const;
    IClock::TimePoint Now() const { return m_pClock->Now(); }

    enum class EPending { None, On, Off, Reset };

    const CBoardDescription m_description;
    const std::shared_ptr<IClock> m_pClock;
    const IClock::TimePoint m_start;

    mutable std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_chunks;
    std::map<uint8_t, int> m_chunkTries;
    EBoardFault m_fault = EBoardFault::None;
    std::optional<uint8_t> m_nFaultLetter;
    int m_nNoisePercent = 0;
    int m_nRepliesToDrop = 0;
    std::chrono::milliseconds m_ackDelay{0};
    std::chrono::milliseconds m_radioLatency{0};
    int m_nRadioPieces = 1;
    bool m_bHoldNextReply = false;
    std::vector<uint8_t> m_heldReply;
    int m_nChunkPauses = 0;
    std::chrono::milliseconds m_radioGap = kRadioPieceGap;
    std::mt19937 m_noise;
    bool m_bPrepared49 = false;
    // Power: the state, a change waiting for its time, and when the board
    // last started (the poster walks from there). Settled lazily on reads.
    mutable bool m_bPowerOn = true;
    mutable EPending m_pending = EPending::None;
    mutable IClock::TimePoint m_pendingAt{};
    mutable std::optional<IClock::TimePoint> m_bootedAt;
    mutable bool m_bStartupStalls = false;
    std::chrono::milliseconds m_postCodeStep = kPostCodeStep;
    int m_nPosterMode = 1;
    std::optional<int> m_nHeldPosterCode;
    uint8_t m_nStateOnByte = kStateOn;
    uint8_t m_nStateOffByte = kStateOff;
    uint8_t m_nLockedByte = 0;
    std::optional<bool> m_bLockedByHand;
    std::vector<LockWindow> m_lockWindows;
    // Values written by the link, by value letter; read back instead of the description's.
    std::map<uint8_t, long> m_written;
    // Monitored values held by hand, by value letter.
    std::map<uint8_t, long> m_held;
    // The most an over-clock item takes, by value letter.
    std::map<uint8_t, long> m_writeLimits;
    std::vector<uint8_t> m_pendingBytes;
    std::vector<std::vector<uint8_t>> m_requests;
    std::vector<IClock::TimePoint> m_requestTimes;
};
