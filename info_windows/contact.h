#pragma once
// The product's own contact and ownership texts, shown by the About window and the help page.

namespace vcd::info_windows::contact {

inline constexpr char kEmail[] = "vcdplayer@example.com";
inline constexpr char kDownloadUrl[] = "https://voren.example.org/vcdplayer";  // also the first web address
inline constexpr char kSupportUrl[] = "https://www.example.com/voren/support";
inline constexpr char kMessenger[] = "555 010 203";
inline constexpr char kMobile[] = "+44 7700 900461";
inline constexpr char kAuthorCredit[] = "Written by Voren Software, 2003";

// Under which terms the program may be passed on: one paragraph, wrapped by the label.
inline constexpr char kTerms[] =
    "This program is freeware. You may copy it and give it to others free of charge, "
    "provided that all of its files are passed on together, unchanged, with this notice. "
    "It may not be sold, rented out or bundled with any product that is sold without the "
    "written permission of Voren Software.";

}  // namespace vcd::info_windows::contact
