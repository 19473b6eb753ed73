// The framework's own texts: the credits appended to the application's text at shutdown and
// the F1 about box. Plain single-byte strings; no dependencies.
#pragma once

inline constexpr char g_szShutdownCredits[] =
    "This program uses CSurfaceWnd,\na class for easy DirectDraw usage.\n\n"
    "1998 by Halvard Brenneke\n\n"
    "halvard@example.org\nhttp://www.example.org/surfacewnd/";

inline constexpr char g_szAboutText[] =
    "CSurfaceWnd, a class for\neasy DirectDraw usage.\n\n"
    "1998 by Halvard Brenneke\n\n"
    "halvard@example.org\nhttp://www.example.org/surfacewnd/";

inline constexpr char g_szAboutCaption[] = "CSurfaceWnd";
