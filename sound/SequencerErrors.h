#pragma once

#include <cstdint>

// The answers of MultimediaService::sendString, which both sides of the
// sound line give: the back end's interpreter and the program's loader.

namespace mm {

// Results of a sequencer command. The game only tells zero from non-zero; the
// distinct values are there for logs and tests.
enum class SeqError : std::uint32_t {
    None = 0,
    UnknownCommand = 1,    // the verb is not open/play/stop/close
    AliasNotOpen = 2,      // play/stop/close of a name that has no sequence
    AliasAlreadyOpen = 3,  // open of a name that already has one
    CannotOpenFile = 4,    // missing or unreadable file
    NotMidiFile = 5,       // empty, truncated or not a standard MIDI file
    BadSyntax = 6,         // right verb, malformed arguments
    NoDevice = 7,          // no audio output or no soundfont
};

inline constexpr std::uint32_t toCode(SeqError e) { return static_cast<std::uint32_t>(e); }

}  // namespace mm
