#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// The text form of stored values, as operators type and read them:
///   numbers        unsigned decimal, digits only (in the host's byte order)
///   Ipv4           dotted quad, four decimal octets 0-255, no leading zeros
///   AtcsAddress    exactly 10 hex digits, either case (printed uppercase)
///   Char           one character; a byte outside '!'..'~' prints as \xNN
///                  (lowercase hex), which is also accepted back
/// Each takes or gives exactly the encoding's width of bytes; a parser leaves
/// `stored` untouched and gives a short reason when the text does not fit.

bool PrintNumber(const uint8_t* stored, uint32_t width, std::string& text);
bool ParseNumber(const std::string& text, uint32_t width, std::vector<uint8_t>& stored, std::string& error);
bool PrintChar(const uint8_t* stored, std::string& text);
bool ParseChar(const std::string& text, std::vector<uint8_t>& stored, std::string& error);
bool PrintIpv4(const uint8_t* stored, std::string& text);
bool ParseIpv4(const std::string& text, std::vector<uint8_t>& stored, std::string& error);
bool PrintAtcsAddress(const uint8_t* stored, std::string& text);
bool ParseAtcsAddress(const std::string& text, std::vector<uint8_t>& stored, std::string& error);

/// Lowercase hex digit of a value 0-15.
inline constexpr char kHexDigits[] = "0123456789abcdef";
