// SPDX-License-Identifier: MIT
#include "settings/ListFiles.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace brisquel {

const char* const learnedWordsHeader =
    "### LEARNED WORDS LIST ###\n"
    "# Edit space-separated words that should be translated between layouts.\n"
    "# Words are added here when pressing Option (Alt) after typing.\n"
    "# You can manually add or remove words.\n"
    "# Save the file (Cmd + S) to apply changes.";

const char* const ignoredAppsHeader =
    "### IGNORED APPS LIST ###\n"
    "# Auto-layout switcher will not work in these apps.\n"
    "# You can also append '|terminal' to an app name (e.g. myapp|terminal) \n"
    "# to treat it as a terminal (native Ctrl+X, Cmd+C+Ctrl+C for copy).\n"
    "# Add app names below or drag & drop an app here to auto-paste its path.\n"
    "# Save the file (Cmd + S) to apply changes.";

const char* const ignoredShortcutsAppsHeader =
    "### IGNORED SHORTCUTS APPS LIST ###\n"
    "# This file is ONLY for shortcuts exclusions.\n"
    "# Ctrl/Fn -> Command shortcut replacements will not work in these apps.\n"
    "# This is useful for terminal apps where you want native Ctrl+C, Ctrl+X to work.\n"
    "# Note: TypoDetector will STILL work in these apps.\n"
    "#\n"
    "# Formatting:\n"
    "# 1. Just the app name (e.g. terminal.app): ALL shortcuts are ignored for this app.\n"
    "# 2. App name with specific keys (e.g. terminal.app|c|x|z): ONLY these specific shortcuts are ignored.\n"
    "# 3. App name with 'terminal' flag (e.g. myapp|terminal): Applies special terminal logic (Ctrl+X works "
    "native, Cmd+C+Ctrl+C for copy).\n"
    "#\n"
    "# Add app names below or drag & drop an app here to auto-paste its path.\n"
    "# Save the file (Cmd + S) to apply changes.";

const StringList& defaultIgnoredApps() {
  static const StringList apps = {
      "anydesk",
      "teamviewer",
      "rustdesk",
      "remotedesktop",
      "vncviewer",
      "parsec",
      "moonlight",
      "splashtop",
      "logmein",
      "virtualbox",
      "com.microsoft.rdc.macos",
      "com.microsoft.rdc.mac",
      "com.teamviewer.TeamViewer",
      "com.anydesk.Anydesk.mac",
      "com.philandro.anydesk",
      "com.parallels.desktop.console",
      "com.vmware.fusion",
      "net.sf.cord",
      "com.realvnc.vncviewer",
      "com.tigervnc.vncviewer",
      "com.citrix.receiver.nomas",
      "com.citrix.XenAppViewer",
      "com.apple.ScreenSharing",
      "com.moonlight-stream.Moonlight",
      "com.splashtop.splashtop-business",
      "com.splashtop.splashtop-personal",
      "com.rustdesk.RustDesk",
      "RustDesk",
      "com.p5sys.jump.mac.viewer",
      "com.logmein.ignitionmac",
      "org.virtualbox.app.VirtualBoxVM",
      "com.utmapp.UTM",
      "com.google.android.emulator",
      "tv.parsec.www",
      "com.nvidia.gfnpc.mall",
      "com.valvesoftware.steam",
      "com.electron.shadow",
  };
  return apps;
}

const StringList& defaultIgnoredShortcutsApps() {
  static const StringList rules = {
      "com.apple.terminal|c|x|z|d|w|a|r",   "com.googlecode.iterm2|c|x|z|d|w|a|r",
      "co.zeit.hyper|c|x|z|d|w|a|r",        "net.kovidgoyal.kitty|c|x|z|d|w|a|r",
      "com.github.wez.wezterm|c|x|z|d|w|a|r", "io.alacritty|c|x|z|d|w|a|r",
      "org.alacritty|c|x|z|d|w|a|r",
      // The same terminals, and others, as Linux desktops name their programs.
      "xterm|c|x|z|d|w|a|r",   "konsole|c|x|z|d|w|a|r",    "foot|c|x|z|d|w|a|r",
      "kgx|c|x|z|d|w|a|r",     "org.gnome.console|c|x|z|d|w|a|r", "tilix|c|x|z|d|w|a|r",
      "terminator|c|x|z|d|w|a|r", "urxvt|c|x|z|d|w|a|r",   "kitty|c|x|z|d|w|a|r",
      "alacritty|c|x|z|d|w|a|r", "wezterm|c|x|z|d|w|a|r",
  };
  return rules;
}

namespace {

std::optional<icu::UnicodeString> decodeUtf8(std::string_view bytes) {
  if (bytes.size() > static_cast<size_t>(INT32_MAX / 2)) return std::nullopt;
  const auto length = static_cast<int32_t>(bytes.size());
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = 0;
  u_strFromUTF8(nullptr, 0, &needed, bytes.data(), length, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  icu::UnicodeString text;
  status = U_ZERO_ERROR;
  UChar* buffer = text.getBuffer(needed + 1);
  if (buffer == nullptr) return std::nullopt;
  u_strFromUTF8(buffer, needed + 1, &needed, bytes.data(), length, &status);
  text.releaseBuffer(U_SUCCESS(status) ? needed : 0);
  if (U_FAILURE(status)) return std::nullopt;
  return text;
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Line feed, carriage return, next line, and the mandatory breaks (vertical
// tab, form feed, line and paragraph separators).
bool isLineSeparator(UChar32 c) {
  switch (u_getIntPropertyValue(c, UCHAR_LINE_BREAK)) {
    case U_LB_LINE_FEED:
    case U_LB_CARRIAGE_RETURN:
    case U_LB_NEXT_LINE:
    case U_LB_MANDATORY_BREAK:
      return true;
    default:
      return false;
  }
}

bool isBlank(UChar32 c) { return c == u'\t' || u_charType(c) == U_SPACE_SEPARATOR; }

icu::UnicodeString trimmed(const icu::UnicodeString& s) {
  int32_t start = 0;
  int32_t end = s.length();
  while (start < end && isBlank(s.char32At(start))) start = s.moveIndex32(start, 1);
  while (end > start) {
    const int32_t prev = s.moveIndex32(end, -1);
    if (!isBlank(s.char32At(prev))) break;
    end = prev;
  }
  return icu::UnicodeString(s, start, end - start);
}

// A NUL or another control character (the tab aside) is no part of a name
// or a word, and the settings file could not hold it: such a line is skipped.
bool hasControlCharacter(const icu::UnicodeString& s) {
  for (int32_t i = 0; i < s.length(); i = s.moveIndex32(i, 1)) {
    const UChar32 c = s.char32At(i);
    if (c != u'\t' && u_charType(c) == U_CONTROL_CHAR) return true;
  }
  return false;
}

std::vector<icu::UnicodeString> split(const icu::UnicodeString& s, UChar separator) {
  std::vector<icu::UnicodeString> pieces;
  int32_t start = 0;
  for (;;) {
    const int32_t at = s.indexOf(separator, start);
    if (at < 0) break;
    pieces.emplace_back(s, start, at - start);
    start = at + 1;
  }
  pieces.emplace_back(s, start, s.length() - start);
  return pieces;
}

std::optional<std::vector<icu::UnicodeString>> entryLines(std::string_view bytes) {
  auto text = decodeUtf8(bytes);
  if (!text) return std::nullopt;
  // Editors that save with a byte-order mark would otherwise turn the header's
  // first comment into an entry.
  if (text->length() > 0 && text->charAt(0) == 0xFEFF) text->remove(0, 1);

  std::vector<icu::UnicodeString> lines;
  auto take = [&lines](const icu::UnicodeString& line) {
    icu::UnicodeString t = trimmed(line);
    if (!t.isEmpty() && t.charAt(0) != u'#' && !hasControlCharacter(t)) lines.push_back(std::move(t));
  };
  int32_t start = 0;
  for (int32_t i = 0; i < text->length(); i = text->moveIndex32(i, 1)) {
    if (isLineSeparator(text->char32At(i))) {
      take(icu::UnicodeString(*text, start, i - start));
      start = text->moveIndex32(i, 1);
    }
  }
  take(icu::UnicodeString(*text, start, text->length() - start));
  return lines;
}

const icu::Normalizer2* nfc() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
  return U_SUCCESS(status) ? n : nullptr;
}

std::string composed(const std::string& utf8) {
  const icu::Normalizer2* n = nfc();
  if (n == nullptr) return utf8;
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString out = n->normalize(icu::UnicodeString::fromUTF8(utf8), status);
  return U_SUCCESS(status) ? toUtf8(out) : utf8;
}

std::string joinLines(std::string_view header, const StringList& entries) {
  std::string text(header);
  text += "\n";
  for (const auto& entry : entries) {
    text += "\n";
    text += entry;
  }
  return text;
}

}  // namespace

std::string_view leadingLines(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  const auto lastLine = text.substr(0, limit).rfind('\n');
  return text.substr(0, lastLine == std::string_view::npos ? 0 : lastLine + 1);
}


bool holdsControlCharacters(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t' && (c < '\n' || c > '\r')) || c == 0x7F) return true;
    // C1 controls, U+0080 to U+009F, next line (U+0085) aside.
    if (c == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F && next != 0x85) return true;
    }
  }
  return false;
}

std::optional<StringList> listFileEntries(std::string_view text) {
  auto lines = entryLines(text);
  if (!lines) return std::nullopt;
  StringList entries;
  entries.reserve(lines->size());
  for (const auto& line : *lines) entries.push_back(toUtf8(line));
  return entries;
}

std::optional<StringList> parseAppList(std::string_view text) { return listFileEntries(text); }

std::optional<StringMap> parseLearnedWords(std::string_view text) {
  auto lines = entryLines(text);
  if (!lines) return std::nullopt;
  StringMap words;
  for (const auto& line : *lines) {
    icu::UnicodeString typed;
    icu::UnicodeString result;
    if (line.indexOf(u'\t') >= 0) {
      auto fields = split(line, u'\t');
      typed = trimmed(fields[0]);
      result = trimmed(fields[1]);
      if (typed.isEmpty() || result.isEmpty()) continue;
    } else {
      std::vector<icu::UnicodeString> pieces;
      // Each word trimmed of the other spaces too, as the tab form's fields
      // are: the tab form is what gets written back.
      for (const auto& piece : split(line, u' ')) {
        icu::UnicodeString word = trimmed(piece);
        if (!word.isEmpty()) pieces.push_back(std::move(word));
      }
      if (pieces.size() < 2) continue;
      typed = pieces[0];
      result = pieces[1];
    }
    const std::string typedUtf8 = toUtf8(typed);
    const std::string resultUtf8 = toUtf8(result);
    words[typedUtf8] = resultUtf8;
    words[resultUtf8] = resultUtf8;
  }
  return words;
}

std::string formatLearnedWords(const StringMap& words) {
  // Ascending by the scalar values of the composed keys: UTF-8 byte order is
  // scalar order. Raw keys break ties between canonically equivalent keys.
  struct Item {
    std::string key;
    std::string value;
    std::string composedKey;
    std::string composedValue;
  };
  std::vector<Item> items;
  items.reserve(words.size());
  for (const auto& [key, value] : words) items.push_back({key, value, composed(key), composed(value)});
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    return std::tie(a.composedKey, a.key) < std::tie(b.composedKey, b.key);
  });

  StringList lines;
  std::set<std::string> seen;
  for (const auto& item : items) {
    if (item.composedKey == item.composedValue) continue;
    if (seen.contains(item.composedKey)) continue;
    lines.push_back(item.key + "\t" + item.value);
    seen.insert(item.composedKey);
    seen.insert(item.composedValue);
  }
  return joinLines(learnedWordsHeader, lines);
}

std::string formatAppList(std::string_view header, const StringList& entries) { return joinLines(header, entries); }

}  // namespace brisquel
