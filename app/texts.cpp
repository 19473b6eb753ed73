// The intro's texts. Every name and address here is invented; addresses use reserved domains.
// The scroller's wrap point assumes the greetings line's length, so both lengths are pinned.
#include "texts.h"

const char g_szArtistCredits[] =
    "ILKA MARROWAY - music from the deep end\n"
    "\n"
    "ilka@marroway.example.org\n"
    "http://www.marroway.example.org\n"
    "Ilka Marroway\n"
    "Lindenstieg 17\n"
    "99999 Musterstadt\n"
    "\n"
    "Intro code by Tamsin Quell\n"
    "quell@example.net";

const char g_szGreetings[] =
    "Greetings to: "
    "Quillmoth. Tarnwick. Vellichor. Brambles. Oxlip & Fern. Cobalt^Hare. Nimbus Works. "
    "Ferrowind. Grisette. Halcyon Drift. Inkwell. Juniper. Kestrelle. Lumen^Dusk. Mossgrave. "
    "Nettle. Orrery 7. Pelican Tide. Quarrow. Rustle & Hum. Saffron. Tinderbox. Umbrage. "
    "Velvet Null. Wickerlight. Xanthe. Yarrow. Zephyr^Loom. Amberlode. Bittern. Cinders. "
    "Dapplewood. Emberquill. Fathom & Flint. Glimmer. Hollowtone. Ironpetal. Jackdaw. "
    "Kilnworks. Larkspur. Marrowlight. Nightjar. Ochre Tide. Pewterfox. Quiverleaf. Ravelous. "
    "Sorrel. Thimble. Underbrook. Vesper. Willowisp. Xylo^Gnat. Yewstaff. Zinnober. Alderhush. "
    "Brindle. Copperkettle. Driftglass. Elmsong. Foxglove. Gossamer."
    "           "
    "Have a nice day! -IM-";

// The credits must fit the framework's 200-character text; the scroller's pass length
// (1,358 frames until the wrap at 9500) is tuned to a 708-character line.
static_assert(sizeof(g_szArtistCredits) == 191 + 1, "credits text is 191 characters");
static_assert(sizeof(g_szGreetings) == 708 + 1, "greetings line is 708 characters");
