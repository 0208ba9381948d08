#pragma once
// The program's version: printed by --version, shown in the about window and the lobby, written
// by the tally tool, and reported at login (net/protocol.h), where the host compares it.

namespace mb {

inline constexpr char kProgramVersion[] = "1.0.0";

}  // namespace mb
