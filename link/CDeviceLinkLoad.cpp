// The configuration download and the start-up load that follows it.

#include <algorithm>
#include <optional>
#include <vector>

#include "data/CBoardConfig.h"
#include "data/FileStore.h"
#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
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

std::optional<std::string> CDeviceLink::FetchChunk(ISerialPort& port, uint8_t nIndex,
                                                   size_t nShortest) {
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    const Frame request = BuildChunkRequest(nIndex);
    for (int nTry = 0; nTry < kChunkTries && !stop.stop_requested(); ++nTry) {
        const Exchange exchange = Ask(port, request, stop, EReplyShape::Chunk);
        if (!exchange.bWritten) {
            ReportLinkLost();
            continue;
        }
        const EChunkCheck check = CheckChunk(exchange, nIndex);
        const size_t nText = exchange.nCount - std::min(exchange.nCount, kChunkReplyOverhead);
        if (check == EChunkCheck::Good && nText >= nShortest) {
            return std::string(
                reinterpret_cast<const char*>(exchange.reply.data()) + kOffsetChunkText, nText);
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
    // The board cuts its text into pieces of about one size, the last maybe
    // shorter: a piece more than a byte shorter than a longer one was cut off
    // on the line, and is asked for again.
    std::vector<std::string> chunks(static_cast<size_t>(*nChunks));
    size_t nLongest = 0;
    auto fetch = [&](int nChunk) {
        const bool bLast = nChunk + 1 == *nChunks;
        const size_t nShortest = bLast || nLongest == 0 ? 0 : nLongest - 1;
        std::optional<std::string> text =
            FetchChunk(*use.pPort, static_cast<uint8_t>(nChunk), nShortest);
        if (!text) {
            return false;
        }
        if (!bLast) {
            nLongest = std::max(nLongest, text->size());
        }
        chunks[static_cast<size_t>(nChunk)] = std::move(*text);
        return true;
    };
    for (int nChunk = 0; nChunk < *nChunks; ++nChunk) {
        Report([nChunk, nOf = *nChunks](ILinkListener& listener) {
            listener.OnProgress(ILinkListener::EProgress::ReadingDescription, nChunk + 1, nOf);
        });
        if (stop.stop_requested() || !fetch(nChunk)) {
            fail(kErrorConfigDownload, kTextConfigDownload);
            return;
        }
    }
    for (int nChunk = 0; nChunk + 1 < *nChunks; ++nChunk) {
        if (chunks[static_cast<size_t>(nChunk)].size() + 1 < nLongest && !fetch(nChunk)) {
            fail(kErrorConfigDownload, kTextConfigDownload);
            return;
        }
    }
    std::string text;
    for (const std::string& chunk : chunks) {
        text += chunk;
    }
    // Only a whole description replaces the last one.
    std::string strWhy;
    if (!ReplaceFileWhole(strPath, text, &strWhy)) {
        {
            std::lock_guard lock(m_arrayMutex);
            m_strConfigFileProblem = strPath + ": " + strWhy;
        }
        fail(kErrorConfigFile, kTextConfigFile);
    }
}

void CDeviceLink::LoadConfiguration() {
    auto pConfig = std::make_shared<CBoardConfig>(g_szProgramDir);
    pConfig->LoadDocuments();
    std::string strBytes;
    ReadRegularFile(pConfig->GetBoardFilePath(), strBytes);
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

    int nArray = 0;
    for (EBoardArray array : kOverclockArrays) {
        Report([n = ++nArray,
                nOf = static_cast<int>(std::size(kOverclockArrays))](ILinkListener& listener) {
            listener.OnProgress(ILinkListener::EProgress::ReadingValues, n, nOf);
        });
        LoadArray(array);
        RefreshArray(array);
    }
    {
        std::lock_guard lock(m_arrayMutex);
        PruneOverRatio(ArrayOf(EBoardArray::OverRatio));
    }
    for (EBoardArray array : kHardwareArrays) {
        LoadArray(array);
    }
    if (stop.stop_requested()) {
        return;
    }
    m_bLoaded.store(true);
    Report([](ILinkListener& listener) { listener.OnConfigLoaded(true); });
}
