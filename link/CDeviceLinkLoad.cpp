// The configuration download and the start-up load that follows it.

#include <algorithm>
#include <optional>
#include <vector>

#include "data/CBoardConfig.h"
#include "data/CIniDocument.h"
#include "data/FileStore.h"
#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
#include "link/DescriptionCheck.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "link/Transact.h"

namespace {

constexpr int kChunkTries = 6;
// The open frame is asked again as often as a chunk is.
constexpr int kOpenTries = kChunkTries;
constexpr uint8_t kOpenReplyLength = 5;
// A chunk reply: start, index, text, checksum.
constexpr size_t kChunkReplyOverhead = 3;
constexpr size_t kOffsetChunkIndex = 1;
constexpr size_t kOffsetChunkText = 2;

// The chunk count of a checked open reply, 0 otherwise.
int ChunkCountOf(const Exchange& open) {
    if (IsValidReply(open.Received(), Protocol::kLetterOpen) != EReplyCheck::Valid ||
        open.reply[Protocol::kOffsetLength] != kOpenReplyLength) {
        return 0;
    }
    return open.reply[Protocol::kOffsetData];
}

enum class EChunkCheck { Good, BadChecksum, Other };

// Whether the bytes are a whole chunk reply followed by the start of the
// same reply again: a late answer to an earlier request, then this one.
bool HoldsTwoReplies(std::span<const uint8_t> bytes) {
    uint8_t nSum = 0;
    for (size_t nSplit = 1; nSplit + kOffsetChunkText <= bytes.size(); ++nSplit) {
        nSum ^= bytes[nSplit - 1];
        if (nSum == 0 && bytes[nSplit] == Protocol::kStartReply &&
            std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(nSplit), bytes.end(),
                       bytes.begin())) {
            return true;
        }
    }
    return false;
}

// A chunk reply has no length byte: it ends where the bytes received end.
// One that fills the whole read buffer may have been cut there.
EChunkCheck CheckChunk(const Exchange& exchange, uint8_t nIndex) {
    const std::span<const uint8_t> bytes = exchange.Received();
    if (bytes.size() < kChunkReplyOverhead || bytes.size() >= exchange.reply.size() ||
        bytes[Protocol::kOffsetStart] != Protocol::kStartReply ||
        bytes[kOffsetChunkIndex] != nIndex || HoldsTwoReplies(bytes)) {
        return EChunkCheck::Other;
    }
    return XorChecksum(bytes.first(bytes.size() - 1)) == bytes.back() ? EChunkCheck::Good
                                                                      : EChunkCheck::BadChecksum;
}

}  // namespace

std::optional<int> CDeviceLink::OpenDownload(ISerialPort& port) {
    const std::stop_token stop = StopToken();
    for (int nTry = 0; nTry < kOpenTries && !stop.stop_requested(); ++nTry) {
        const Exchange open = Ask(port, BuildOpenFrame(), stop);
        if (!open.bWritten) {
            ReportLinkLost();
            continue;
        }
        if (const int nChunks = ChunkCountOf(open); nChunks > 0) {
            PauseAfterReply(true, stop);
            return nChunks;
        }
        PauseAfterReply(false, stop);
    }
    return std::nullopt;
}

std::optional<CDeviceLink::Chunk> CDeviceLink::FetchChunk(ISerialPort& port, uint8_t nIndex,
                                                          size_t nShortest, size_t nExpected) {
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    const Frame request = BuildChunkRequest(nIndex);
    bool bStaleFirst = false;
    for (int nTry = 0; nTry < kChunkTries && !stop.stop_requested(); ++nTry) {
        const size_t nExpectedReply = nExpected > 0 ? nExpected + kChunkReplyOverhead : 0;
        const Exchange exchange = Ask(port, request, stop, EReplyShape::Chunk, nExpectedReply);
        bStaleFirst = bStaleFirst || (nTry == 0 && exchange.nStale > 0);
        if (!exchange.bWritten) {
            ReportLinkLost();
            continue;
        }
        const EChunkCheck check = CheckChunk(exchange, nIndex);
        const size_t nText = exchange.nCount - std::min(exchange.nCount, kChunkReplyOverhead);
        if (check == EChunkCheck::Good && nText >= nShortest) {
            return Chunk{
                std::string(reinterpret_cast<const char*>(exchange.reply.data()) + kOffsetChunkText,
                            nText),
                bStaleFirst};
        }
        if (check == EChunkCheck::BadChecksum) {
            // A damaged chunk is a line error like any other: counted, and asked for again.
            CountChecksumFailure();
        }
        clock.SleepFor(Protocol::kRetryPause, stop);
    }
    return std::nullopt;
}

void CDeviceLink::DownloadConfig(const std::string& strPath) {
    const PortUse use = UsePort(EBusyDiscipline::Skip);
    if (!use) {
        return;  // the old file stays and is loaded as it is
    }
    const std::stop_token stop = StopToken();
    auto fail = [this, &stop](int nKind, const char* pszText) {
        if (!stop.stop_requested()) {
            Report([nKind, pszText](ILinkListener& listener) {
                listener.OnLinkError(nKind, pszText);
            });
        }
    };
    const std::optional<int> nChunks = OpenDownload(*use.pPort);
    if (!nChunks) {
        fail(kErrorConfigDownload, kTextConfigDownload);
        return;
    }
    // The board cuts its text into pieces of one size, the last maybe
    // shorter: a piece more than a byte shorter than a longer one was cut off
    // on the line, and is asked for again. Once the first is in, the size of
    // the ones between is known, and fast timing takes each as soon as it is
    // whole; the first and the last are read over the whole window.
    const int nCount = *nChunks;
    std::vector<std::string> chunks(static_cast<size_t>(nCount));
    size_t nLongest = 0;
    int nVoided = 0;
    // Whether bytes came after the chunk before this one was taken.
    auto fetch = [&](int nChunk) -> std::optional<bool> {
        const bool bLast = nChunk + 1 == nCount;
        const size_t nShortest = bLast || nLongest == 0 ? 0 : nLongest - 1;
        const size_t nExpected = nChunk > 0 && !bLast ? chunks.front().size() : 0;
        std::optional<Chunk> chunk =
            FetchChunk(*use.pPort, static_cast<uint8_t>(nChunk), nShortest, nExpected);
        if (!chunk) {
            return std::nullopt;
        }
        if (!bLast) {
            nLongest = std::max(nLongest, chunk->text.size());
        }
        chunks[static_cast<size_t>(nChunk)] = std::move(chunk->text);
        return chunk->bStaleBefore;
    };
    for (int nChunk = 0; nChunk < nCount; ++nChunk) {
        Report([nChunk, nOf = nCount](ILinkListener& listener) {
            listener.OnProgress(ILinkListener::EProgress::ReadingDescription, nChunk + 1, nOf);
        });
        const std::optional<bool> bStaleBefore =
            stop.stop_requested() ? std::nullopt : fetch(nChunk);
        if (!bStaleBefore) {
            fail(kErrorConfigDownload, kTextConfigDownload);
            return;
        }
        // Bytes after the chunk before it was taken: it may have been cut
        // or glued to another's, so it is asked again, then this one.
        if (*bStaleBefore && nChunk > 0 && nVoided++ < kChunkTries) {
            nChunk -= 2;
        }
    }
    for (int nChunk = 0; nChunk + 1 < nCount; ++nChunk) {
        if (chunks[static_cast<size_t>(nChunk)].size() + 1 < nLongest && !fetch(nChunk)) {
            fail(kErrorConfigDownload, kTextConfigDownload);
            return;
        }
    }
    std::string text;
    for (const std::string& chunk : chunks) {
        text += chunk;
    }
    // A description cut or glued on its way, or with nothing to work with,
    // would cost the user a good kept one: the download has failed instead.
    CIniDocument document;
    document.LoadBytes(text);
    const DescriptionCheck check = CheckDescription(text, document);
    if (!check.MayReplaceKept()) {
        {
            std::lock_guard lock(m_arrayMutex);
            m_downloadProblems = check.problems;
            if (!check.HasUsableItem()) {
                m_downloadProblems.insert(m_downloadProblems.begin(),
                                          "the board's description holds no usable item");
            }
        }
        fail(kErrorConfigDownload, kTextConfigDownload);
        return;
    }
    // Only a whole description replaces the last one. One that cannot be
    // kept is still this connection's: the items come from it all the same.
    std::string strWhy;
    if (!ReplaceFileWhole(strPath, text, &strWhy)) {
        {
            std::lock_guard lock(m_arrayMutex);
            m_strConfigFileProblem = strPath + ": " + strWhy;
        }
        fail(kErrorConfigFile, kTextConfigFile);
    }
    {
        std::lock_guard lock(m_arrayMutex);
        m_confirmedBytes = std::move(text);
    }
    m_bDescriptionConfirmed.store(true);
}

void CDeviceLink::LoadConfiguration() {
    auto pConfig = std::make_shared<CBoardConfig>(g_szProgramDir);
    pConfig->LoadDocuments();
    std::optional<std::string> confirmed;
    {
        std::lock_guard lock(m_arrayMutex);
        confirmed = m_confirmedBytes;
    }
    std::string strBytes;
    if (confirmed) {
        strBytes = std::move(*confirmed);
        pConfig->UseBoardBytes(strBytes);
    } else {
        ReadRegularFile(pConfig->GetBoardFilePath(), strBytes);
    }
    DescriptionCheck description = CheckDescription(strBytes, pConfig->BoardDocument());
    {
        std::lock_guard lock(m_arrayMutex);
        m_description = std::move(description);
    }
    std::lock_guard lock(m_configMutex);
    m_pConfig = std::move(pConfig);
}

void CDeviceLink::RunLoad() {
    const std::stop_token stop = StopToken();
    DownloadConfig(CBoardConfig(g_szProgramDir).GetBoardFilePath());
    if (stop.stop_requested()) {
        return;
    }
    LoadConfiguration();
    {
        // A board found again may describe other items than before.
        std::lock_guard lock(m_arrayMutex);
        for (BoardItemArray& items : m_arrays) {
            items.clear();
        }
    }

    // Every item is known before any value is read: the first progress of
    // the values may show the items, their values still to come.
    for (EBoardArray array : kAllArrays) {
        LoadArray(array);
    }
    int nArray = 0;
    for (EBoardArray array : kOverclockArrays) {
        Report([n = ++nArray,
                nOf = static_cast<int>(std::size(kOverclockArrays))](ILinkListener& listener) {
            listener.OnProgress(ILinkListener::EProgress::ReadingValues, n, nOf);
        });
        RefreshArray(array);
    }
    {
        std::lock_guard lock(m_arrayMutex);
        PruneOverRatio(ArrayOf(EBoardArray::OverRatio));
    }
    if (stop.stop_requested()) {
        return;
    }
    m_bLoaded.store(true);
    Report([](ILinkListener& listener) { listener.OnConfigLoaded(true); });
}
