// The headless display: no window, no input, and a virtual clock that moves only when the
// program waits (GetMessage for the next timer, Sleep), so frames come as fast as they are
// drawn and every run is the same. Pictures stay in presentation (present.cpp) for capture
// and tests; message boxes cannot be shown and are printed.
#include "world.h"

namespace portable {
namespace {

class CHeadlessDisplay final : public CDisplay {
public:
    bool Start(std::string&) override { return true; }
    void Shutdown() override {}
    DWORD Now() override { return m_dwNow; }
    void ShowWindow(const char*, const SIconImage*) override {}
    void HideWindow() override {}
    void DestroyWindow() override {}
    void ShowPicture(const std::uint8_t* (*)()) override {}
    void SetCursorVisible(bool) override {}
    bool TakesInput() override { return false; }
    void PumpEvents(DWORD waitMs) override { m_dwNow += waitMs; }
    void Wait(DWORD ms) override { m_dwNow += ms; }
    bool ShowBox(const char*, const char*) override
    {
        m_nBoxes += m_bHoldBoxes;
        return m_bHoldBoxes;
    }
    bool BoxUp() override { return m_nBoxes > 0; }
    void CloseBox() override { --m_nBoxes; }

    DWORD m_dwNow = 0;
    bool m_bHoldBoxes = false;
    int m_nBoxes = 0;
};

CHeadlessDisplay g_Headless;
CDisplay* g_pDisplay = &g_Headless;  // tests run headless; start-up may choose another

}  // namespace

CDisplay& Display()
{
    return *g_pDisplay;
}

void UseDisplay(CDisplay& display)
{
    g_pDisplay = &display;
}

CDisplay& HeadlessDisplay()
{
    return g_Headless;
}

void ResetHeadlessDisplay()
{
    g_Headless = CHeadlessDisplay{};
}

void HoldHeadlessBoxes(bool bHold)
{
    g_Headless.m_bHoldBoxes = bHold;
}

}  // namespace portable
