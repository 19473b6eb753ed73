// The intro's own texts: the artist's credits, shown at shutdown ahead of the framework's,
// and the greetings line of the scroller. Plain NUL-terminated single-byte strings.
#pragma once

// Artist line, blank, e-mail, web, name, two address lines, blank, intro author and e-mail;
// lines separated by '\n', no final line break.
extern const char g_szArtistCredits[];

// One line: "Greetings to: ", 61 names separated by ". ", a closing ".", 11 blanks,
// "Have a nice day!", a blank and the artist's four-character signature.
extern const char g_szGreetings[];
