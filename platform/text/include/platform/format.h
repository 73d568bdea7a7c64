#pragma once
// Format(fmt, args...): printf-style text with the arguments checked against the
// format when the program is compiled.
//
// The format must be known at compile time (a literal or a constexpr text), so a
// user's text can only ever be an argument, never the format. Conversions:
//   %d %i       any integer type (not bool), printed with its value; an unsigned
//               value prints as the number it is, never as a negative one
//   %u %x %X %o any integer type; as printf does it, a signed value of 32 bits or
//               less is taken as its 32-bit pattern (%X of -1 is FFFFFFFF), a
//               64-bit one as its 64-bit pattern
//   %c          any integer type: the byte of its low 8 bits (a zero byte included)
//   %s          const char* (null prints nothing), char arrays, std::string,
//               std::string_view; the whole text, zero bytes included
//   %%          a percent sign
// Flags "-", "+", " ", "#", "0", a width and a ".precision" (decimal digits, no
// "*") work as in printf; a precision cuts a %s text to that many bytes. Length
// modifiers (l, h, ...) are refused: the argument's type decides the width.
// A wrong count or kind of arguments stops the compilation with a function name
// that tells what is wrong.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace plat {
namespace format_detail {

enum class ArgKind : unsigned char { kInteger, kText, kOther };

template <typename T>
constexpr ArgKind KindOf() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, bool>) {
    return ArgKind::kOther;
  } else if constexpr (std::is_integral_v<U>) {
    return ArgKind::kInteger;
  } else if constexpr (!std::is_null_pointer_v<U> && std::is_convertible_v<const U&, std::string_view>) {
    return ArgKind::kText;
  } else {
    return ArgKind::kOther;
  }
}

enum class FormatError : unsigned char {
  kNone,
  kLonePercent,
  kUnknownConversion,
  kFieldTooWide,
  kTooFewArguments,
  kTooManyArguments,
  kIntegerExpected,
  kTextExpected,
};

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  int width = -1;
  int precision = -1;
  char conversion = 0;
  std::size_t end = 0;  // index just past the conversion character
};

inline constexpr int kMaxField = 4096;

// Reads the conversion whose "%" stands at fmt[pos] (not a "%%").
constexpr FormatError ParseSpec(std::string_view fmt, std::size_t pos, Spec& spec) {
  std::size_t i = pos + 1;
  for (; i < fmt.size(); ++i) {
    const char c = fmt[i];
    if (c == '-') spec.left = true;
    else if (c == '+') spec.plus = true;
    else if (c == ' ') spec.space = true;
    else if (c == '#') spec.alternate = true;
    else if (c == '0') spec.zero = true;
    else break;
  }
  auto number = [&](int& out) -> bool {
    out = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      out = out * 10 + (fmt[i] - '0');
      if (out > kMaxField) return false;
      ++i;
    }
    return true;
  };
  if (i < fmt.size() && fmt[i] >= '1' && fmt[i] <= '9' && !number(spec.width)) return FormatError::kFieldTooWide;
  if (i < fmt.size() && fmt[i] == '.') {
    ++i;
    if (!number(spec.precision)) return FormatError::kFieldTooWide;
  }
  if (i == fmt.size()) return FormatError::kLonePercent;
  switch (fmt[i]) {
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c': case 's':
      spec.conversion = fmt[i];
      spec.end = i + 1;
      return FormatError::kNone;
    default:
      return FormatError::kUnknownConversion;
  }
}

constexpr FormatError Check(std::string_view fmt, const ArgKind* kinds, std::size_t count) {
  std::size_t arg = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%') continue;
    if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
      ++i;
      continue;
    }
    Spec spec;
    if (const FormatError e = ParseSpec(fmt, i, spec); e != FormatError::kNone) return e;
    if (arg == count) return FormatError::kTooFewArguments;
    const ArgKind wanted = spec.conversion == 's' ? ArgKind::kText : ArgKind::kInteger;
    if (kinds[arg] != wanted) {
      return wanted == ArgKind::kText ? FormatError::kTextExpected : FormatError::kIntegerExpected;
    }
    ++arg;
    i = spec.end - 1;
  }
  return arg == count ? FormatError::kNone : FormatError::kTooManyArguments;
}

template <typename... Args>
constexpr FormatError CheckFormat(std::string_view fmt) {
  constexpr std::array<ArgKind, sizeof...(Args)> kinds{KindOf<Args>()...};
  return Check(fmt, kinds.data(), kinds.size());
}

// Not constexpr on purpose: reaching one while the format is checked at compile
// time stops the compilation, and the name says why.
inline void format_has_a_lone_percent_sign() {}
inline void format_has_an_unknown_conversion_or_a_length_modifier() {}
inline void format_field_width_or_precision_too_large() {}
inline void format_has_more_conversions_than_arguments() {}
inline void format_has_fewer_conversions_than_arguments() {}
inline void format_conversion_wants_an_integer_argument() {}
inline void format_conversion_wants_a_text_argument() {}

consteval void Report(FormatError e) {
  switch (e) {
    case FormatError::kNone: return;
    case FormatError::kLonePercent: format_has_a_lone_percent_sign(); return;
    case FormatError::kUnknownConversion: format_has_an_unknown_conversion_or_a_length_modifier(); return;
    case FormatError::kFieldTooWide: format_field_width_or_precision_too_large(); return;
    case FormatError::kTooFewArguments: format_has_more_conversions_than_arguments(); return;
    case FormatError::kTooManyArguments: format_has_fewer_conversions_than_arguments(); return;
    case FormatError::kIntegerExpected: format_conversion_wants_an_integer_argument(); return;
    case FormatError::kTextExpected: format_conversion_wants_a_text_argument(); return;
  }
}

template <typename... Args>
class FormatString {
 public:
  template <typename S>
    requires std::is_convertible_v<const S&, std::string_view>
  consteval FormatString(const S& text) : text_(text) {  // NOLINT: implicit on purpose
    Report(CheckFormat<Args...>(text_));
  }
  constexpr std::string_view View() const { return text_; }

 private:
  std::string_view text_;
};

struct Arg {
  ArgKind kind = ArgKind::kOther;
  bool is_signed = false;
  unsigned char size = 0;
  std::uint64_t bits = 0;  // the value, sign-extended for signed types
  std::string_view text;
};

template <typename T>
Arg MakeArg(const T& value) {
  using U = std::remove_cvref_t<T>;
  if constexpr (KindOf<T>() == ArgKind::kInteger) {
    return Arg{ArgKind::kInteger, std::is_signed_v<U>, static_cast<unsigned char>(sizeof(U)),
               static_cast<std::uint64_t>(value), {}};
  } else {
    static_assert(KindOf<T>() == ArgKind::kText, "Format takes integers and texts only");
    if constexpr (std::is_pointer_v<U>) {
      if (value == nullptr) return Arg{ArgKind::kText, false, 0, 0, {}};
    }
    return Arg{ArgKind::kText, false, 0, 0, std::string_view(value)};
  }
}

std::string FormatArgs(std::string_view fmt, const Arg* args, std::size_t count);

}  // namespace format_detail

template <typename... Args>
std::string Format(format_detail::FormatString<std::type_identity_t<Args>...> fmt, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return format_detail::FormatArgs(fmt.View(), nullptr, 0);
  } else {
    const format_detail::Arg packed[] = {format_detail::MakeArg(args)...};
    return format_detail::FormatArgs(fmt.View(), packed, sizeof...(Args));
  }
}

}  // namespace plat
