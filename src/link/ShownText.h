#pragma once
// A text for the user made of parts, so that a window can show it in the
// user's language while the core keeps its Russian words: a text marked
// QT_TRANSLATE_NOOP(context, text) whose %1..%9 take the parts, a plain word
// shown as it is in every language (a number, a name, the system's words),
// or parts one after another. ComposeText gives the core's own text, for
// q17ctl and files; a window shows the same parts translated
// (ui::ShownText in ui/common/Language.h).
#include <string>
#include <vector>

namespace q17 {

struct TShownText {
  enum class TKind { Marked, Plain, Joined };
  TKind Kind = TKind::Plain;
  const char* Context = "";  // Marked: the context the text is marked under
  std::string Text;          // Marked: the Russian source; Plain: the words
  std::vector<TShownText> Parts;  // Marked: %1, %2 ...; Joined: in order

  static TShownText Marked(const char* context, const char* text, std::vector<TShownText> args = {});
  static TShownText Plain(std::string words);
  static TShownText Joined(std::vector<TShownText> parts);
};

// `pattern` with %1..%9 replaced by args[0..8] in one pass: an argument's own
// text is never read for placeholders. A placeholder without its argument,
// and any other %, stay as they are.
std::string FillPlaceholders(const std::string& pattern, const std::vector<std::string>& args);

// The core's words: every marked text as written (Russian), filled.
std::string ComposeText(const TShownText& text);

}  // namespace q17
