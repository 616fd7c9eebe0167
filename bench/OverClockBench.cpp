// Prints what the over-clock page costs on the simulated demo board, served
// over a real pseudo-terminal, with the real main window (offscreen):
//
//   apply: from the Apply button to the rows reloaded with the values the
//       board reads back
//   refresh: from the Refresh button to the rows reloaded
//   each in both link timings, on the board that answers at once and on the
//   one behind a modelled radio
//   event loop: the longest the window's event loop went without running a
//       zero-interval timer while each operation was in flight, and while idle
//
// The lock and poster polls run beside the page, as they do for a user.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "bench/BenchLink.h"
#include "bench/LoopWatch.h"
#include "data/IniPaths.h"
#include "data/LocaleStringTable.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/Protocol.h"
#include "platform/LocaleId.h"
#include "screens/COCControl.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "screens/IMessageBox.h"
#include "shell/CDeviceFrame.h"
#include "shell/CListenerBridge.h"
#include "shell/CTunevoDlg.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/TempDir.h"
#include "widgets/ScreenLayout.h"

namespace {

constexpr int kRuns = 5;

class CCountingMessageBox final : public IMessageBox {
public:
    void ShowMessage(const QString& strText) override {
        std::fprintf(stderr, "bench: message \"%s\"\n", strText.toUtf8().constData());
        ++m_nShown;
    }
    bool AskYesNo(const QString&, EDefault) override { return false; }
    int m_nShown = 0;
};

// The letters of every over-clock item, whose frames the operations make.
std::set<uint8_t> OverclockLetters(const CDeviceLink& link) {
    std::set<uint8_t> letters;
    for (EBoardArray array : kOverclockArrays) {
        for (const BoardItem& item : link.GetArray(array)) {
            letters.insert(static_cast<uint8_t>(WToL(item.ValueCmd)));
            letters.insert(static_cast<uint8_t>(WToL(item.RangeCmd)));
        }
    }
    letters.erase(0);
    return letters;
}

size_t OverclockFrames(const CBoardModel& board, const std::set<uint8_t>& letters) {
    const auto requests = board.Requests();
    return static_cast<size_t>(std::count_if(requests.begin(), requests.end(), [&](const auto& f) {
        return f.size() > 2 && letters.count(f[2]) != 0;
    }));
}

struct Figures {
    std::vector<double> durations;
    size_t nExchanges = 0;
    double dLongestBlockMs = 0;
};
struct PageFigures {
    Figures apply;
    Figures refresh;
    double dIdleBlockMs = 0;
    size_t nRows = 0;
};

// The page against one board in one timing, with the lock and poster polls
// running beside it as they do for a user.
std::optional<PageFigures> MeasurePage(const BenchBoard& benchBoard, ELinkTiming timing) {
    TempDir dir;
    g_szProgramDir = dir.Path();
    std::filesystem::copy_file(TUNEVO_LOCALE_FILE, dir.Path() + "/BT_LocaleStr.ini");
    LocaleStringTable::Instance().Load(dir.Path(), GetSystemDefaultLCID());
    const std::shared_ptr<CBoardModel> pBoard = MakeBenchBoard(benchBoard);
    CPtyBoardServer server(pBoard);
    CRecordingListener loading;
    const std::unique_ptr<CDeviceLink> pLink = StartBenchLink(dir.Path(), server, loading, timing);
    if (!pLink) {
        return std::nullopt;
    }
    CDeviceLink& link = *pLink;
    CListenerBridge bridge;
    link.SetListener(&bridge);
    CCountingMessageBox messageBox;
    CDeviceFrame frame(kDefaultClientSize);
    CTunevoDlg dlg(link, bridge, messageBox, frame);
    frame.show();
    dlg.Run();
    QTest::qWait(2000);  // the lock check, and the polls it starts

    CSubScreen_OverClock& page = dlg.OverClockPage();
    const std::set<uint8_t> letters = OverclockLetters(link);
    CLoopWatch watch;
    const auto measure = [&](QPushButton& button, Figures& figures) {
        const size_t nFramesBefore = OverclockFrames(*pBoard, letters);
        QElapsedTimer clock;
        watch.Start();
        clock.start();
        button.click();
        if (!QTest::qWaitFor([&] { return !page.IsWaiting(); }, 60000)) {
            std::fprintf(stderr, "bench: the page kept waiting\n");
            return false;
        }
        figures.durations.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        figures.dLongestBlockMs = std::max(figures.dLongestBlockMs, watch.Stop());
        figures.nExchanges = OverclockFrames(*pBoard, letters) - nFramesBefore;
        return true;
    };

    PageFigures figures;
    for (int nRun = 0; nRun < kRuns; ++nRun) {
        // Each apply moves two voltages and a ratio, and back on the next run.
        for (COCControl* pControl : page.Controls()) {
            if (pControl->GetName() == u"CPU Vcore" || pControl->GetName() == u"DRAM Voltage" ||
                pControl->GetName() == u"Ring Ratio") {
                nRun % 2 == 0 ? pControl->StepUp() : pControl->StepDown();
            }
        }
        if (!measure(dlg.ControlBar().ApplyButton(), figures.apply) ||
            !measure(dlg.ControlBar().RefreshButton(), figures.refresh)) {
            return std::nullopt;
        }
    }
    watch.Start();
    QTest::qWait(3000);
    figures.dIdleBlockMs = watch.Stop();
    figures.nRows = page.Controls().size();
    if (messageBox.m_nShown != 0) {
        std::fprintf(stderr, "bench: %d operations failed\n", messageBox.m_nShown);
        return std::nullopt;
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("over-clock page of the demo board over a pseudo-terminal, %d runs each\n", kRuns);
    PrintTimingHeader();
    for (const BenchBoard& benchBoard : kBenchBoards) {
        std::map<ELinkTiming, PageFigures> byTiming;
        for (const ELinkTiming timing : kBenchTimings) {
            std::optional<PageFigures> figures = MeasurePage(benchBoard, timing);
            if (!figures) {
                return 1;
            }
            byTiming[timing] = std::move(*figures);
        }
        PageFigures& fixed = byTiming[ELinkTiming::Fixed];
        PageFigures& fast = byTiming[ELinkTiming::Fast];
        PrintTimingRow({"apply with its read-back", &benchBoard, Median(fixed.apply.durations),
                        Median(fast.apply.durations), fast.apply.nExchanges, kReadPreparationMs});
        PrintTimingRow({"refresh", &benchBoard, Median(fixed.refresh.durations),
                        Median(fast.refresh.durations), fast.refresh.nExchanges,
                        kReadPreparationMs});
        std::printf(
            "  longest event-loop block: apply %.1f / %.1f ms, refresh %.1f / %.1f ms, idle "
            "%.1f / %.1f ms (fixed / fast)\n",
            fixed.apply.dLongestBlockMs, fast.apply.dLongestBlockMs, fixed.refresh.dLongestBlockMs,
            fast.refresh.dLongestBlockMs, fixed.dIdleBlockMs, fast.dIdleBlockMs);
    }
    return 0;
}
