#include "NameText.h"

#include <utf8.h>

namespace zephra::model {

namespace {
bool IsLead(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsTrail(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
}  // namespace

std::u16string FitName(std::u16string_view text, std::size_t width) {
  if (text.size() <= width) {
    std::u16string fitted(text);
    fitted.resize(width, u'\0');
    return fitted;
  }
  std::size_t cut = width;
  if (cut > 0 && IsLead(text[cut - 1]) && IsTrail(text[cut])) --cut;
  std::u16string fitted(text.substr(0, cut));
  fitted.resize(width, u'\0');
  return fitted;
}

std::u16string_view ShownName(std::u16string_view field) { return field.substr(0, field.find(u'\0')); }

std::u16string_view KeyName(std::u16string_view field) {
  const std::size_t end = field.find_last_not_of(std::u16string_view(u"\0 ", 2));
  return end == std::u16string_view::npos ? std::u16string_view() : field.substr(0, end + 1);
}

std::optional<std::u16string> Utf16Of(std::string_view text) {
  if (!utf8::is_valid(text.begin(), text.end())) return std::nullopt;
  std::u16string units;
  utf8::utf8to16(text.begin(), text.end(), std::back_inserter(units));
  return units;
}

std::string Utf8Of(std::u16string_view units) {
  std::u16string sound(units);
  for (std::size_t i = 0; i < sound.size(); ++i) {
    if (IsLead(sound[i]) && i + 1 < sound.size() && IsTrail(sound[i + 1])) {
      ++i;
    } else if (IsLead(sound[i]) || IsTrail(sound[i])) {
      sound[i] = u'\uFFFD';
    }
  }
  std::string text;
  utf8::utf16to8(sound.begin(), sound.end(), std::back_inserter(text));
  return text;
}

}  // namespace zephra::model
