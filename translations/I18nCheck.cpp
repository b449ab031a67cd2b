#include "I18nCheck.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <vector>

namespace q17::i18n {
namespace {

bool HasCyrillic(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) return true;
  }
  return false;
}

QSet<QString> Placeholders(const QString& text) {
  static const QRegularExpression re(QStringLiteral("%L?([0-9]{1,2}|n)"));
  QSet<QString> found;
  for (auto it = re.globalMatch(text); it.hasNext();) found.insert(it.next().captured(1));
  return found;
}

struct TMessage {
  QString Context;
  QString Source;
  QString Type;
  QStringList Translations;  // one, or one per plural form
};

QString Describe(const TMessage& m, const QString& what) {
  QString source = m.Source;
  source.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  if (source.size() > 60) source = source.left(57) + QStringLiteral("...");
  return QStringLiteral("%1: \"%2\": %3").arg(m.Context, source, what);
}

QStringList Judge(const TMessage& m, bool cyrillicTarget) {
  if (m.Type == QLatin1String("unfinished")) return {Describe(m, QStringLiteral("not translated yet"))};
  if (m.Type == QLatin1String("vanished") || m.Type == QLatin1String("obsolete"))
    return {Describe(m, QStringLiteral("no longer in the program (update_translations drops it)"))};
  QStringList problems;
  for (const QString& t : m.Translations) {
    if (t.isEmpty()) {
      problems << Describe(m, QStringLiteral("empty translation"));
    } else if (!cyrillicTarget && t == m.Source && HasCyrillic(m.Source)) {
      problems << Describe(m, QStringLiteral("translation is the Russian text itself"));
    } else if (!cyrillicTarget && HasCyrillic(t)) {
      problems << Describe(m, QStringLiteral("Russian letters in the translation: ") + t);
    } else if (Placeholders(t) != Placeholders(m.Source)) {
      problems << Describe(m, QStringLiteral("its %1, %2 ... differ from the source's: ") + t);
    }
  }
  if (m.Translations.isEmpty()) problems << Describe(m, QStringLiteral("empty translation"));
  return problems;
}

}  // namespace

QStringList CheckTranslations(const QByteArray& ts) {
  QXmlStreamReader xml(ts);
  QStringList problems;
  bool cyrillicTarget = false;
  QString context;
  TMessage message;
  bool sawTs = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    const auto name = xml.name();
    if (name == QLatin1String("TS")) {
      sawTs = true;
      const QLocale target(xml.attributes().value(QLatin1String("language")).toString());
      cyrillicTarget = target.language() != QLocale::C && target.script() == QLocale::CyrillicScript;
    } else if (name == QLatin1String("context")) {
      context.clear();
    } else if (name == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (name == QLatin1String("message")) {
      message = TMessage{context, {}, {}, {}};
    } else if (name == QLatin1String("source")) {
      message.Source = xml.readElementText();
    } else if (name == QLatin1String("translation")) {
      message.Type = xml.attributes().value(QLatin1String("type")).toString();
      // Plural forms come as elements of their own; a plain translation is text.
      QString text;
      while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isCharacters()) {
          text += xml.text();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
          message.Translations << xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("translation")) {
          break;
        }
      }
      if (message.Translations.isEmpty()) message.Translations << text;
      problems << Judge(message, cyrillicTarget);
    }
  }
  if (xml.hasError()) problems << QStringLiteral("not a readable translation file: ") + xml.errorString();
  else if (!sawTs) problems << QStringLiteral("not a translation file: no <TS>");
  return problems;
}

namespace {

enum class TKind { Word, Text, Punct };

struct TToken {
  TKind Kind;
  QString Text;
  int Line;
};

bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// The tokens of a C++ source without its comments; `untranslated` gets the
// lines of comments that say "untranslated:".
std::vector<TToken> Tokens(const QString& s, QSet<int>& untranslated) {
  std::vector<TToken> tokens;
  int line = 1;
  qsizetype i = 0;
  const qsizetype n = s.size();
  auto at = [&](qsizetype k) { return k < n ? s[k] : QChar(); };
  while (i < n) {
    const QChar c = s[i];
    if (c == QLatin1Char('\n')) {
      ++line;
      ++i;
    } else if (c.isSpace()) {
      ++i;
    } else if (c == QLatin1Char('/') && at(i + 1) == QLatin1Char('/')) {
      const qsizetype end = s.indexOf(QLatin1Char('\n'), i);
      const QString comment = s.mid(i, end < 0 ? -1 : end - i);
      if (comment.contains(QLatin1String("untranslated:"))) untranslated.insert(line);
      i = end < 0 ? n : end;
    } else if (c == QLatin1Char('/') && at(i + 1) == QLatin1Char('*')) {
      qsizetype end = s.indexOf(QLatin1String("*/"), i + 2);
      end = end < 0 ? n : end + 2;
      const QString comment = s.mid(i, end - i);
      line += static_cast<int>(comment.count(QLatin1Char('\n')));
      if (comment.contains(QLatin1String("untranslated:"))) untranslated.insert(line);
      i = end;
    } else if (IsWordChar(c)) {
      qsizetype end = i;
      // Numbers take their digit separators (1'000) along.
      const bool number = c.isDigit();
      while (end < n && (IsWordChar(s[end]) || (number && (s[end] == QLatin1Char('\'') || s[end] == QLatin1Char('.')))))
        ++end;
      const QString word = s.mid(i, end - i);
      static const QStringList prefixes{QStringLiteral("u8"), QStringLiteral("u"), QStringLiteral("U"),
                                        QStringLiteral("L"),  QStringLiteral("R"), QStringLiteral("u8R"),
                                        QStringLiteral("uR"), QStringLiteral("UR"), QStringLiteral("LR")};
      if (at(end) == QLatin1Char('"') && prefixes.contains(word)) {
        i = end;  // the literal follows, read below with its prefix known
        if (word.endsWith(QLatin1Char('R'))) {
          const qsizetype open = s.indexOf(QLatin1Char('('), i);
          const QString delimiter = s.mid(i + 1, open - i - 1);
          const QString close = QLatin1Char(')') + delimiter + QLatin1Char('"');
          const qsizetype stop = s.indexOf(close, open);
          const qsizetype last = stop < 0 ? n : stop + close.size();
          tokens.push_back({TKind::Text, s.mid(open + 1, (stop < 0 ? n : stop) - open - 1), line});
          line += static_cast<int>(s.mid(i, last - i).count(QLatin1Char('\n')));
          i = last;
        }
        continue;
      }
      tokens.push_back({TKind::Word, word, line});
      i = end;
    } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      qsizetype end = i + 1;
      while (end < n && s[end] != c && s[end] != QLatin1Char('\n')) end += s[end] == QLatin1Char('\\') ? 2 : 1;
      if (c == QLatin1Char('"')) tokens.push_back({TKind::Text, s.mid(i + 1, end - i - 1), line});
      i = end + 1;
    } else if (c == QLatin1Char(':') && at(i + 1) == QLatin1Char(':')) {
      tokens.push_back({TKind::Punct, QStringLiteral("::"), line});
      i += 2;
    } else {
      tokens.push_back({TKind::Punct, QString(c), line});
      ++i;
    }
  }
  return tokens;
}

bool IsWord(const std::vector<TToken>& t, qsizetype k, const QStringList& words) {
  return k >= 0 && t[static_cast<std::size_t>(k)].Kind == TKind::Word &&
         words.contains(t[static_cast<std::size_t>(k)].Text);
}

bool IsPunct(const std::vector<TToken>& t, qsizetype k, const char* p) {
  return k >= 0 && t[static_cast<std::size_t>(k)].Kind == TKind::Punct &&
         t[static_cast<std::size_t>(k)].Text == QLatin1String(p);
}

// The literal at k is the text argument of a translation call: tr("..."),
// translate("context", "..."), QT_TRANSLATE_NOOP("context", "..."), also
// when it is one piece of adjacent literals.
bool Marked(const std::vector<TToken>& t, qsizetype k) {
  static const QStringList textFirst{QStringLiteral("tr"), QStringLiteral("QT_TR_NOOP")};
  static const QStringList contextFirst{QStringLiteral("translate"), QStringLiteral("QT_TRANSLATE_NOOP"),
                                        QStringLiteral("QT_TRANSLATE_NOOP3")};
  while (k - 1 >= 0 && t[static_cast<std::size_t>(k - 1)].Kind == TKind::Text) --k;
  if (IsPunct(t, k - 1, "(")) return IsWord(t, k - 2, textFirst);
  return IsPunct(t, k - 1, ",") && k - 2 >= 0 && t[static_cast<std::size_t>(k - 2)].Kind == TKind::Text &&
         IsPunct(t, k - 3, "(") && IsWord(t, k - 4, contextFirst);
}

}  // namespace

QStringList UnmarkedTexts(const QString& source) {
  QSet<int> untranslated;
  const std::vector<TToken> tokens = Tokens(source, untranslated);
  QStringList found;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const TToken& token = tokens[k];
    if (token.Kind != TKind::Text || !HasCyrillic(token.Text)) continue;
    if (untranslated.contains(token.Line) || untranslated.contains(token.Line - 1)) continue;
    if (Marked(tokens, static_cast<qsizetype>(k))) continue;
    found << QStringLiteral("%1: \"%2\"").arg(token.Line).arg(token.Text);
  }
  return found;
}

}  // namespace q17::i18n
