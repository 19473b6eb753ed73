// Parsing of the portable program's options (see options.h). Usage errors exit with code 2.
#include "options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace portable {
namespace {

const char kUsage[] =
    "Usage: korvan [options]\n"
    "  --window               run in a window instead of fullscreen (Alt+Enter toggles)\n"
    "  --headless             run without a display, on a virtual clock\n"
    "  --no-vsync             present frames at once instead of at the display's refresh\n"
    "  --drawn-boxes          draw message boxes in the intro's window, not the system's\n"
    "  --display-format F     emulated display: 565 (default), 555, 8 or 32\n"
    "  --capture DIR          write every presented frame to DIR/frame-NNNNNN.png\n"
    "  --replace-frames       let --capture replace the frame-NNNNNN.png files an earlier\n"
    "                         capture left in DIR (without it such a folder is refused)\n"
    "  --frames N             press Escape after the N-th presented frame\n"
    "                         (headless, 1000 when not given: ten seconds of the intro)\n"
    "  --key FRAME:KEY        press KEY (ESCAPE, F1, RETURN, SPACE, A...) after FRAME\n"
    "  --help, --version      print this text or the version and exit\n"
    "Exit status: 0 the intro ended normally; 1 it could not run or failed (no display,\n"
    "out of memory, a frame or standard output could not be written); 2 usage error or\n"
    "capture folder refused; 128+N ended by signal N (129 SIGHUP, 130 SIGINT, 143 SIGTERM).\n";

bool ParseCount(const std::string& text, int& nValue)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    nValue = std::atoi(text.c_str());
    return true;
}

bool ParseKeyName(std::string name, UINT& nVk)
{
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const struct {
        const char* pszName;
        UINT nVk;
    } kNames[] = {{"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE},   {"RETURN", VK_RETURN},
                  {"ENTER", VK_RETURN},  {"SPACE", VK_SPACE},  {"TAB", VK_TAB},
                  {"BACK", VK_BACK},     {"LEFT", VK_LEFT},    {"RIGHT", VK_RIGHT},
                  {"UP", VK_UP},         {"DOWN", VK_DOWN},    {"HOME", VK_HOME},
                  {"END", VK_END}};
    for (const auto& entry : kNames) {
        if (name == entry.pszName) {
            nVk = entry.nVk;
            return true;
        }
    }
    int nF = 0;
    if (name.size() >= 2 && name[0] == 'F' && ParseCount(name.substr(1), nF) && nF >= 1 && nF <= 12) {
        nVk = VK_F1 + static_cast<UINT>(nF - 1);
        return true;
    }
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        nVk = static_cast<UINT>(name[0]);  // letters and digits are their own codes
        return true;
    }
    return false;
}

bool ParseFormat(const std::string& text, DisplayFormat& format)
{
    if (text == "565")
        format = DisplayFormat::Rgb565;
    else if (text == "555")
        format = DisplayFormat::Rgb555;
    else if (text == "8")
        format = DisplayFormat::Palette8;
    else if (text == "32")
        format = DisplayFormat::Rgb32;
    else
        return false;
    return true;
}

// The setting an option without a value switches; nullptr for other options.
bool* FlagOf(const std::string& name, CSettings& settings)
{
    if (name == "--window")
        return &settings.bWindowed;
    if (name == "--headless")
        return &settings.bHeadless;
    if (name == "--no-vsync")
        return &settings.bVsync;
    if (name == "--drawn-boxes")
        return &settings.bDrawnBoxes;
    if (name == "--replace-frames")
        return &settings.bReplaceFrames;
    return nullptr;
}

SOptionsOutcome Fail(const std::string& message)
{
    return {false, 2, "korvan: " + message + "\nTry 'korvan --help'.\n"};
}

// Applies one option that takes a value; false when the value is not valid.
bool ApplyValue(const std::string& name, const std::string& value, CSettings& settings)
{
    if (name == "--display-format")
        return ParseFormat(value, settings.format);
    if (name == "--capture") {
        settings.captureDir = value;
        return !value.empty();
    }
    if (name == "--frames")
        return ParseCount(value, settings.nFrames) && settings.nFrames > 0;
    const std::size_t nColon = value.find(':');
    SKeyAt key{};
    if (nColon == std::string::npos || !ParseCount(value.substr(0, nColon), key.nFrame) ||
        !ParseKeyName(value.substr(nColon + 1), key.nVk))
        return false;
    settings.keys.push_back(key);
    return true;
}

}  // namespace

SOptionsOutcome ParseOptions(int argc, const char* const* argv, CSettings& settings)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        const std::size_t nEquals = arg.find('=');
        const bool bInlineValue = arg.rfind("--", 0) == 0 && nEquals != std::string::npos;
        if (bInlineValue) {
            value = arg.substr(nEquals + 1);
            arg.resize(nEquals);
        }
        if (arg == "--help")
            return {false, 0, kUsage};
        if (arg == "--version")
            return {false, 0, "korvan " KORVAN_VERSION "\n"};
        if (bool* pFlag = FlagOf(arg, settings)) {
            if (bInlineValue)
                return Fail("option " + arg + " takes no value");
            *pFlag = arg != "--no-vsync";
            continue;
        }
        if (arg != "--display-format" && arg != "--capture" && arg != "--frames" && arg != "--key")
            return Fail("unknown option '" + std::string(argv[i]) + "'");
        if (!bInlineValue) {
            if (i + 1 >= argc)
                return Fail("option " + arg + " needs a value");
            value = argv[++i];
        }
        if (!ApplyValue(arg, value, settings))
            return Fail("invalid value '" + value + "' for " + arg);
    }
    if (settings.bReplaceFrames && settings.captureDir.empty())
        return Fail("--replace-frames goes with --capture DIR");
    return {};
}

}  // namespace portable
