// SPDX-License-Identifier: MIT
#include "fcitx5/XkbLayouts.h"

#include <unicode/locid.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>
#include <xkbcommon/xkbregistry.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <memory>

#include "base/Text.h"
#include "base/KeyCodes.h"
#include "fcitx5/KeyMapping.h"

namespace brisquel::fcitx5 {
namespace {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* p) const {
    Free(p);
  }
};
template <typename T, auto Free>
using Owned = std::unique_ptr<T, Deleter<Free>>;

using Context = Owned<xkb_context, xkb_context_unref>;
using Keymap = Owned<xkb_keymap, xkb_keymap_unref>;
using ComposeTable = Owned<xkb_compose_table, xkb_compose_table_unref>;
using ComposeState = Owned<xkb_compose_state, xkb_compose_state_unref>;

std::string deadKeyName(xkb_keysym_t sym) {
  char name[64];
  if (xkb_keysym_get_name(sym, name, sizeof name) <= 0) return {};
  const std::string_view view(name);
  return view.starts_with("dead_") ? std::string(view) : std::string();
}

// The compose table of the user's locale, as applications use it.
ComposeTable composeTable(xkb_context* context) {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* locale = std::getenv(variable);
    if (!locale || !*locale) continue;
    if (ComposeTable table{xkb_compose_table_new_from_locale(context, locale, XKB_COMPOSE_COMPILE_NO_FLAGS)})
      return table;
    break;
  }
  return ComposeTable{xkb_compose_table_new_from_locale(context, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS)};
}

std::optional<std::u16string> compose(xkb_compose_table* table, xkb_keysym_t dead, xkb_keysym_t base) {
  ComposeState state{xkb_compose_state_new(table, XKB_COMPOSE_STATE_NO_FLAGS)};
  if (!state) return std::nullopt;
  xkb_compose_state_feed(state.get(), dead);
  xkb_compose_state_feed(state.get(), base);
  if (xkb_compose_state_get_status(state.get()) != XKB_COMPOSE_COMPOSED) return std::nullopt;
  char utf8[64];
  if (xkb_compose_state_get_utf8(state.get(), utf8, sizeof utf8) <= 0) return std::nullopt;
  return text::fromUtf8(utf8);
}

}  // namespace

std::optional<XkbLayoutName> xkbLayoutOf(std::string_view inputMethod) {
  static constexpr std::string_view prefix = "keyboard-";
  if (!inputMethod.starts_with(prefix) || inputMethod.size() == prefix.size()) return std::nullopt;
  inputMethod.remove_prefix(prefix.size());
  const auto dash = inputMethod.find('-');
  if (dash == std::string_view::npos) return XkbLayoutName{std::string(inputMethod), {}};
  return XkbLayoutName{std::string(inputMethod.substr(0, dash)), std::string(inputMethod.substr(dash + 1))};
}

std::optional<KeyboardTable> xkbKeyboardTable(const XkbLayoutName& name) {
  Context context{xkb_context_new(XKB_CONTEXT_NO_FLAGS)};
  if (!context) return std::nullopt;
  xkb_context_set_log_level(context.get(), XKB_LOG_LEVEL_CRITICAL);  // an unknown layout is an answer, not an error
  const xkb_rule_names names{"evdev", "pc105", name.layout.c_str(), name.variant.c_str(), nullptr};
  Keymap keymap{xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS)};
  if (!keymap) return std::nullopt;

  KeyboardTable table;
  struct Dead {
    std::string name;
    xkb_keysym_t sym;
  };
  std::vector<Dead> deadKeys;
  std::vector<std::pair<xkb_keysym_t, std::u16string>> bases;
  for (const auto& [xkbKeycode, keyCode] : typingKeys()) {
    KeyboardKey& key = table.keys.emplace_back();
    key.keyCode = keyCode;
    const auto code = static_cast<xkb_keycode_t>(xkbKeycode);
    const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap.get(), code, 0);
    for (xkb_level_index_t level = 0; level < 2; ++level) {
      // A one-level key (Space) types the same with Shift.
      const xkb_keysym_t* syms = nullptr;
      if (xkb_keymap_key_get_syms_by_level(keymap.get(), code, 0, level < levels ? level : 0, &syms) != 1) continue;
      KeyOutput& out = key.levels[level];
      out.text = charactersOf(static_cast<fcitx::KeySym>(syms[0]));
      if (out.text.empty()) out.deadKey = deadKeyName(syms[0]);
      if (!out.deadKey.empty()) {
        if (std::none_of(deadKeys.begin(), deadKeys.end(), [&](const Dead& d) { return d.sym == syms[0]; }))
          deadKeys.push_back({out.deadKey, syms[0]});
      } else if (!out.text.empty() && keyCode != KeyCode::Space) {
        bases.emplace_back(syms[0], out.text);
      }
    }
  }
  if (deadKeys.empty()) return table;
  ComposeTable composeRules = composeTable(context.get());
  if (!composeRules) return table;
  for (const Dead& dead : deadKeys) {
    if (auto spacing = compose(composeRules.get(), dead.sym, XKB_KEY_space))
      table.compositions.push_back({dead.name, u" ", *spacing});
    for (const auto& [sym, text] : bases)
      if (auto composed = compose(composeRules.get(), dead.sym, sym))
        table.compositions.push_back({dead.name, text, *composed});
  }
  return table;
}

std::vector<std::string> xkbRegistryLanguages(const XkbLayoutName& name) {
  // Parsed once: the registry is a large XML file.
  static const auto languages = [] {
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> byLayout;
    Owned<rxkb_context, rxkb_context_unref> context{rxkb_context_new(RXKB_CONTEXT_NO_FLAGS)};
    if (!context || !rxkb_context_parse_default_ruleset(context.get())) return byLayout;
    for (rxkb_layout* layout = rxkb_layout_first(context.get()); layout; layout = rxkb_layout_next(layout)) {
      std::vector<std::string>& codes =
          byLayout[{rxkb_layout_get_name(layout), rxkb_layout_get_variant(layout) ? rxkb_layout_get_variant(layout) : ""}];
      for (rxkb_iso639_code* code = rxkb_layout_get_iso639_first(layout); code; code = rxkb_iso639_code_next(code)) {
        // The registry names ISO 639-3 codes; the program speaks the two-letter ones where they exist.
        const std::string language = icu::Locale::createCanonical(rxkb_iso639_code_get_code(code)).getLanguage();
        if (!language.empty() && std::find(codes.begin(), codes.end(), language) == codes.end())
          codes.push_back(language);
      }
    }
    return byLayout;
  }();
  for (const auto& key : {std::pair{name.layout, name.variant}, std::pair{name.layout, std::string()}}) {
    if (auto it = languages.find(key); it != languages.end() && !it->second.empty()) return it->second;
  }
  return {};
}

std::vector<std::string> layoutLanguages(std::string_view inputMethod) {
  static constexpr std::array<std::pair<std::string_view, const char*>, 6> kLanguages = {{
      {"us", "en"}, {"ru", "ru"}, {"ua", "uk"}, {"il", "he"}, {"ara", "ar"}, {"gr", "el"},
  }};
  const auto name = xkbLayoutOf(inputMethod);
  if (!name) return {};
  for (const auto& [layout, language] : kLanguages)
    if (name->layout == layout) return {language};
  return xkbRegistryLanguages(*name);
}

}  // namespace brisquel::fcitx5
