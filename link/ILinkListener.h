#pragma once

#include <string>
#include <vector>

// Receives every report of the link. Reports are made on the link's worker
// threads; an implementation that touches windows must hand them over to its
// own thread.
class ILinkListener {
public:
    virtual ~ILinkListener() = default;

    // true: the port search found the board. false: not found, or the link was lost.
    virtual void OnLinkState(bool bConnected) = 0;
    // A command gave up; the text is fixed English ending in " \n".
    virtual void OnLinkError(int nKind, std::string strText) = 0;
    virtual void OnLockState(bool bShowLock) = 0;
    virtual void OnPosterText(int nCode, bool bCodeMode, std::string strText) = 0;
    virtual void OnPowerState(bool bOn) = 0;
    virtual void OnConfigLoaded(bool bOk) = 0;
    virtual void OnOverclockRefreshed(bool bOk) = 0;
    virtual void OnApplied(bool bOk) = 0;
    virtual void OnArrayRefreshed(int nArray, bool bOk) = 0;
    // (true, 255) acknowledged; (false, 255) nothing reached the board;
    // (false, 0) clearing CMOS refused while on; (false, 1 to 3) the action
    // went out but the board did not confirm it (it is never sent twice).
    virtual void OnPowerCommandDone(bool bOk, int nDetail) = 0;
    static constexpr int kPowerNotSent = 255;
    static constexpr int kPowerRefused = 0;
    static constexpr int kPowerUnconfirmed = 1;        // the PC's state is unknown
    static constexpr int kPowerUnconfirmedNowOn = 2;   // a status read says on
    static constexpr int kPowerUnconfirmedNowOff = 3;  // a status read says off
    virtual void OnMessageModeDone(bool bOk) = 0;

    // More than one board answered the search: the user picks one by its
    // place in the list (CDeviceLink::ChooseBoard). Each is named as the
    // user knows it.
    virtual void OnBoardChoice(std::vector<std::string> /*boards*/) {}

    // What the start-up is doing, for a progress display: n of nOf.
    enum class EProgress {
        SearchingPort,       // opening port n (0 to 8) of nOf ports
        ReadingDescription,  // asking for piece n of the board's nOf
        ReadingValues,       // reading array n of nOf
    };
    virtual void OnProgress(EProgress /*step*/, int /*n*/, int /*nOf*/) {}
};
