#pragma once
// The framework's integer texts.
//
// StrToInt's grammar, byte by byte:
//   - leading spaces are skipped (spaces only: a tab or any other control
//     character is an ordinary character and makes the text invalid);
//   - then either an optional "-" or "+" followed by decimal digits, or, with no
//     sign, one of the prefixes "$", "x", "X", "0x", "0X" followed by at least one
//     hexadecimal digit of either case;
//   - nothing may follow the digits, not even a blank.
// A decimal value must fit a signed 32-bit integer. A hexadecimal value must fit
// in 32 bits and is taken as the 32-bit pattern ("$FFFFFFFF" is -1,
// "$100000000" is invalid). Leading zeros never count against the range.

#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// The value of the text; throws EConvertError
// "'<text>' is not a valid integer value" when the text breaks the grammar.
std::int32_t StrToInt(std::string_view text);

// Like StrToInt, but answers false (value untouched) instead of throwing.
bool TryStrToInt(std::string_view text, std::int32_t& value) noexcept;

// The value of the text, or the default when it is not a valid integer.
std::int32_t StrToIntDef(std::string_view text, std::int32_t default_value) noexcept;

// The message of the conversion error for this text.
std::string InvalidIntegerMessage(std::string_view text);

// Decimal text of a value ("-12").
std::string IntToStr(std::int64_t value);

// Upper-case hexadecimal text of the value's 32-bit pattern, padded with zeros to
// at least `digits` digits (IntToHex(-1, 2) is "FFFFFFFF", IntToHex(10, 4) "000A").
// Digits below 1 give the shortest text; more than 32 are taken as 32.
std::string IntToHex(std::uint32_t value, int digits);

}  // namespace plat
