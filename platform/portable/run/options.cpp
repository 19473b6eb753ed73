// Parsing of the portable program's options (see options.h) from one table, which also makes
// the usage text `--help` prints. Usage errors exit with code 2.
#include "options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace portable {
namespace {

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

// The options that take a value apply it to the settings; false when it is not valid.
bool ApplyFormat(const std::string& value, CSettings& settings)
{
    return ParseFormat(value, settings.format);
}

bool ApplyScale(const std::string& value, CSettings& settings)
{
    static const struct {
        const char* pszName;
        Scaling scaling;
    } kScalings[] = {{"sharp", Scaling::Sharp}, {"integer", Scaling::Integer}, {"nearest", Scaling::Nearest}};
    for (const auto& entry : kScalings) {
        if (value == entry.pszName) {
            settings.scaling = entry.scaling;
            return true;
        }
    }
    return false;
}

bool ApplyCapture(const std::string& value, CSettings& settings)
{
    settings.captureDir = value;
    return !value.empty();
}

bool ApplyFrames(const std::string& value, CSettings& settings)
{
    return ParseCount(value, settings.nFrames) && settings.nFrames > 0;
}

bool ApplyKey(const std::string& value, CSettings& settings)  // FRAME:KEY
{
    const std::size_t nColon = value.find(':');
    SKeyAt key{};
    if (nColon == std::string::npos || !ParseCount(value.substr(0, nColon), key.nFrame) ||
        !ParseKeyName(value.substr(nColon + 1), key.nVk))
        return false;
    settings.keys.push_back(key);
    return true;
}

std::string Usage();

std::string Version()
{
    return "korvan " KORVAN_VERSION "\n";
}

// One option of the command line. It switches a flag of the settings, applies its value to
// them, or answers (usage, version) and ends the program. An option without help lines is
// listed on the next option's line ("--help, --version").
struct SOption {
    const char* pszName;
    const char* pszArgument = nullptr;  // the value's name in the usage; nullptr: takes none
    const char* pszHelp = nullptr;      // usage lines, '\n' between
    bool CSettings::*pFlag = nullptr;   // what an option without a value sets...
    bool bFlagValue = true;             // ...to this
    bool (*pfnApply)(const std::string& value, CSettings& settings) = nullptr;
    const char* pszValues = nullptr;  // the values it takes, named when one given is not
    std::string (*pfnAnswer)() = nullptr;  // the text an option that ends the program prints
};

// The options in the order of the usage text. README's options table and the manual page's
// OPTIONS section name the same ones (tests/release/check_metadata.sh holds them to it).
const SOption kOptions[] = {
    {.pszName = "--window",
     .pszHelp = "run in a window instead of fullscreen (Alt+Enter toggles)",
     .pFlag = &CSettings::bWindowed},
    {.pszName = "--headless",
     .pszHelp = "run without a display, on a virtual clock",
     .pFlag = &CSettings::bHeadless},
    {.pszName = "--no-vsync",
     .pszHelp = "present frames at once instead of at the display's refresh",
     .pFlag = &CSettings::bVsync,
     .bFlagValue = false},
    {.pszName = "--drawn-boxes",
     .pszHelp = "draw message boxes in the intro's window, not the system's",
     .pFlag = &CSettings::bDrawnBoxes},
    {.pszName = "--display-format",
     .pszArgument = "F",
     .pszHelp = "emulated display: 565 (default), 555, 8 or 32",
     .pfnApply = ApplyFormat},
    {.pszName = "--scale",
     .pszArgument = "MODE",
     .pszHelp = "how the picture is scaled to fit: sharp (default: even pixels,\n"
                "edges blended), integer (whole multiples, wider bars) or nearest",
     .pfnApply = ApplyScale,
     .pszValues = "sharp, integer or nearest"},
    {.pszName = "--capture",
     .pszArgument = "DIR",
     .pszHelp = "write every presented frame to DIR/frame-NNNNNN.png",
     .pfnApply = ApplyCapture},
    {.pszName = "--replace-frames",
     .pszHelp = "let --capture replace the frame-NNNNNN.png files an earlier\n"
                "capture left in DIR (without it such a folder is refused)",
     .pFlag = &CSettings::bReplaceFrames},
    {.pszName = "--frames",
     .pszArgument = "N",
     .pszHelp = "press Escape after the N-th presented frame\n"
                "(headless, 1000 when not given: ten seconds of the intro)",
     .pfnApply = ApplyFrames},
    {.pszName = "--key",
     .pszArgument = "FRAME:KEY",
     .pszHelp = "press KEY (ESCAPE, F1, RETURN, SPACE, A...) after FRAME",
     .pfnApply = ApplyKey},
    {.pszName = "--help", .pfnAnswer = Usage},
    {.pszName = "--version",
     .pszHelp = "print this text or the version and exit",
     .pfnAnswer = Version},
};

const char kExitStatus[] =
    "Exit status: 0 the intro ended normally; 1 it could not run or failed (no display,\n"
    "out of memory, a frame or standard output could not be written); 2 usage error or\n"
    "capture folder refused; 128+N ended by signal N (129 SIGHUP, 130 SIGINT, 143 SIGTERM).\n";

constexpr std::size_t kHelpColumn = 25;  // where help lines start, right of the options

// "  --frames N             press Escape..." and the help's further lines under its first.
// Split by hand: a string stream would bring the iostreams library into the web page.
std::string UsageEntry(const std::string& names, const char* pszHelp)
{
    std::string entry, column = "  " + names;
    for (const char* pszLine = pszHelp; *pszLine;) {
        const char* pszEnd = std::strchr(pszLine, '\n');
        const std::size_t nLength = pszEnd ? pszEnd - pszLine : std::strlen(pszLine);
        column.resize(std::max(column.size() + 2, kHelpColumn), ' ');
        entry += column + std::string(pszLine, nLength) + '\n';
        column.clear();
        pszLine += nLength + (pszEnd ? 1 : 0);
    }
    return entry;
}

std::string Usage()
{
    std::string usage = "Usage: korvan [options]\n", names;
    for (const SOption& option : kOptions) {
        if (!names.empty())
            names += ", ";
        names += option.pszName;
        if (option.pszArgument)
            names += std::string(" ") + option.pszArgument;
        if (option.pszHelp) {
            usage += UsageEntry(names, option.pszHelp);
            names.clear();
        }
    }
    return usage + kExitStatus;
}

const SOption* FindOption(const std::string& name)
{
    for (const SOption& option : kOptions)
        if (name == option.pszName)
            return &option;
    return nullptr;
}

SOptionsOutcome Fail(const std::string& message)
{
    return {false, 2, "korvan: " + message + "\nTry 'korvan --help'.\n"};
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
        const SOption* pOption = FindOption(arg);
        if (!pOption)
            return Fail("unknown option '" + std::string(argv[i]) + "'");
        if (pOption->pfnAnswer)
            return {false, 0, pOption->pfnAnswer()};
        if (!pOption->pszArgument) {
            if (bInlineValue)
                return Fail("option " + arg + " takes no value");
            settings.*pOption->pFlag = pOption->bFlagValue;
            continue;
        }
        if (!bInlineValue) {
            if (i + 1 >= argc)
                return Fail("option " + arg + " needs a value");
            value = argv[++i];
        }
        if (!pOption->pfnApply(value, settings))
            return Fail("invalid value '" + value + "' for " + arg +
                        (pOption->pszValues ? std::string(" (") + pOption->pszValues + ")" : ""));
    }
    if (settings.bReplaceFrames && settings.captureDir.empty())
        return Fail("--replace-frames goes with --capture DIR");
    return {};
}

}  // namespace portable
