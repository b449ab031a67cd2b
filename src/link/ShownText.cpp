#include "link/ShownText.h"

#include <utility>

namespace q17 {

TShownText TShownText::Marked(const char* context, const char* text, std::vector<TShownText> args) {
  TShownText t;
  t.Kind = TKind::Marked;
  t.Context = context;
  t.Text = text;
  t.Parts = std::move(args);
  return t;
}

TShownText TShownText::Plain(std::string words) {
  TShownText t;
  t.Text = std::move(words);
  return t;
}

TShownText TShownText::Joined(std::vector<TShownText> parts) {
  TShownText t;
  t.Kind = TKind::Joined;
  t.Parts = std::move(parts);
  return t;
}

std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] == '%' && next >= '1' && next <= '9') {
      const auto n = static_cast<std::size_t>(next - '1');
      if (n < args.size()) {
        out += args[n];
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

std::string ComposeText(const TShownText& text) {
  switch (text.Kind) {
    case TShownText::TKind::Plain:
      return text.Text;
    case TShownText::TKind::Joined: {
      std::string out;
      for (const TShownText& part : text.Parts) out += ComposeText(part);
      return out;
    }
    case TShownText::TKind::Marked:
      break;
  }
  std::vector<std::string> args;
  args.reserve(text.Parts.size());
  for (const TShownText& part : text.Parts) args.push_back(ComposeText(part));
  return FillPlaceholders(text.Text, args);
}

}  // namespace q17
