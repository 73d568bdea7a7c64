#include "platform/format.h"

#include <cstdio>

namespace plat::format_detail {
namespace {

void Pad(std::string& out, std::string_view body, const Spec& spec) {
  const std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
  const std::size_t fill = width > body.size() ? width - body.size() : 0;
  if (!spec.left) out.append(fill, ' ');
  out.append(body);
  if (spec.left) out.append(fill, ' ');
}

void AppendInteger(std::string& out, const Spec& spec, const Arg& arg) {
  // The conversion handed to snprintf always carries "ll", so its argument is
  // always a long long or an unsigned long long, whatever the caller's type.
  char conversion = spec.conversion;
  bool as_signed = false;
  unsigned long long magnitude = 0;
  long long value = 0;
  if (conversion == 'd' || conversion == 'i') {
    if (arg.is_signed || arg.bits <= 0x7FFFFFFFFFFFFFFFull) {
      as_signed = true;
      value = static_cast<long long>(arg.bits);
    } else {
      conversion = 'u';
      magnitude = arg.bits;
    }
  } else {
    magnitude = arg.size <= 4 ? static_cast<std::uint32_t>(arg.bits) : arg.bits;
  }

  std::string directive = "%";
  if (spec.left) directive += '-';
  if (spec.plus) directive += '+';
  if (spec.space) directive += ' ';
  if (spec.alternate) directive += '#';
  if (spec.zero) directive += '0';
  if (spec.width > 0) directive += std::to_string(spec.width);
  if (spec.precision >= 0) directive += '.' + std::to_string(spec.precision);
  directive += "ll";
  directive += conversion;

  auto print = [&](char* buffer, std::size_t size) {
    return as_signed ? std::snprintf(buffer, size, directive.c_str(), value)
                     : std::snprintf(buffer, size, directive.c_str(), magnitude);
  };
  char small[64];
  const int length = print(small, sizeof small);
  if (length < 0) return;
  const auto size = static_cast<std::size_t>(length);
  if (size < sizeof small) {
    out.append(small, size);
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + size + 1);
  print(out.data() + start, size + 1);
  out.resize(start + size);
}

}  // namespace

std::string FormatArgs(std::string_view fmt, const Arg* args, std::size_t count) {
  std::string out;
  out.reserve(fmt.size() + 16 * count);
  std::size_t arg = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] != '%') {
      out.push_back(fmt[i]);
      continue;
    }
    if (i + 1 < fmt.size() && fmt[i + 1] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    Spec spec;
    // The format passed the same check at compile time; this only guards the
    // indexes should someone build a FormatString some other way.
    if (ParseSpec(fmt, i, spec) != FormatError::kNone || arg == count) break;
    const Arg& a = args[arg++];
    if (spec.conversion == 's') {
      std::string_view text = a.text;
      if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < text.size()) {
        text = text.substr(0, static_cast<std::size_t>(spec.precision));
      }
      Pad(out, text, spec);
    } else if (spec.conversion == 'c') {
      const char byte = static_cast<char>(a.bits & 0xFFu);
      Pad(out, std::string_view(&byte, 1), spec);
    } else {
      AppendInteger(out, spec, a);
    }
    i = spec.end - 1;
  }
  return out;
}

}  // namespace plat::format_detail
