#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

/// ATCS addresses as the unit's address routines handle them: packed as
/// nibbles, two to a byte, the first in the high nibble.
namespace AtcsAddress {

/// Packs the hexadecimal digits of `text` (either case) into the existing
/// bytes of `nibbles`, one digit per nibble from the high nibble of byte 0 on;
/// the vector's size is never changed. Mode 0 is the only mode there is.
///
/// Every nibble that the text does not give is set to 0: a short text leaves
/// zeros after its last digit, and the conversion stops at the first character
/// that is not a hexadecimal digit. Returns 0 when every character was a digit
/// and had a nibble to go to, -1 otherwise (an unknown mode changes nothing).
int StringToNibbles(std::string text, std::vector<uint8_t>& nibbles, int mode);

}  // namespace AtcsAddress

/// The value of one hexadecimal digit, either case; -1 for any other character.
int HexDigitValue(char c);

/// Prints `count` bytes as uppercase hexadecimal, two digits each: a 5-byte
/// address gives 10 digits. `spaced` puts one blank between bytes. Returns 0
/// when the text reached `out`, non-zero when the stream failed.
int PrintBinaryBasic(const uint8_t* bytes, unsigned count, std::ostream& out, bool spaced);
