// MessageBoxA of the portable platform. Every box is recorded for tests. Headless, a box is
// printed to standard output and "closed" at once; with a display it is the system's box, or
// one the platform draws where the system has no way to show one (Wayland without zenity), and
// printed only when neither can be shown.
#include "faults.h"
#include "world.h"

#include <cstdio>

namespace portable {
namespace {

std::vector<test::MessageBoxRecord> g_Boxes;
std::function<void(const test::MessageBoxRecord&)> g_Hook;

void PrintBox(const char* pszText, const char* pszCaption)
{
    std::printf("[%s]\n%s\n", pszCaption, pszText);
    FlushStandardOutput();
}

}  // namespace

void ResetMessageBoxes()
{
    g_Boxes.clear();
    g_Hook = nullptr;
}

namespace test {

const std::vector<MessageBoxRecord>& MessageBoxes()
{
    return g_Boxes;
}

void SetMessageBoxHook(std::function<void(const MessageBoxRecord&)> hook)
{
    g_Hook = std::move(hook);
}

}  // namespace test
}  // namespace portable

using namespace portable;

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    HRESULT hr;
    if (FaultDue(test::Call::MessageBoxA, hr))
        return 0;  // what MessageBox returns when it cannot show the box
    const char* pszText = lpText ? lpText : "";
    const char* pszCaption = lpCaption ? lpCaption : "Error";  // Windows' default caption
    g_Boxes.push_back({hWnd, pszText, pszCaption, uType});
    const test::MessageBoxRecord record = g_Boxes.back();
    if (g_Hook)
        g_Hook(record);
    // Only an OK button is offered, so every way of closing the box answers IDOK. A run ended
    // by a signal or a failure prints its boxes: nobody may be there to close them.
    if (g_Settings.bHeadless || EndRequested() || !DisplayMessageBox(pszText, pszCaption))
        PrintBox(pszText, pszCaption);
    return IDOK;
}
