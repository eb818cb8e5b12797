// SPDX-License-Identifier: MIT
#include "fcitx5/Composing.h"

#include <fcitx/inputpanel.h>
#include <fcitx/text.h>

#include <string_view>

#include "base/KeyPath.h"
#include "base/Text.h"

namespace brisquel::fcitx5 {

BRISQUEL_KEY_PATH bool Composing::isUsedIn(const fcitx::InputContext& ic, const Session::Client& client,
                                           bool terminal) {
  // Terminals get a BackSpace as the DEL character it types, which is text
  // and keeps its place among the commits.
  if (terminal) return false;
  if (batchesKeys(ic, client)) return true;
  if (ic.capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) return false;
  return client.dbus || client.ibus;
}

BRISQUEL_KEY_PATH bool Composing::batchesKeys(const fcitx::InputContext& ic, const Session::Client& client) {
  return client.dbus && !ic.capabilityFlags().test(fcitx::CapabilityFlag::KeyEventOrderFix);
}

BRISQUEL_KEY_PATH int Composing::size(const fcitx::InputContext& ic) const {
  if (owner_.get() != &ic) return 0;
  return static_cast<int>(text::characterCount(text_));
}

BRISQUEL_KEY_PATH void Composing::use(fcitx::InputContext& ic) {
  if (owner_.get() == &ic) return;
  text_.clear();
  owner_ = ic.watch();
}

BRISQUEL_KEY_PATH void Composing::add(fcitx::InputContext& ic, std::u16string_view typed) {
  use(ic);
  std::size_t end = typed.size();
  while (end > 0 && !text::isWhiteSpace(typed[end - 1])) --end;
  if (end == 0) {
    text_ += typed;
    show(ic);
    return;
  }
  text_ += typed.substr(0, end);
  commit(ic);
  text_ = typed.substr(end);
  show(ic);
}

bool Composing::removeLast(fcitx::InputContext& ic) {
  if (owner_.get() != &ic || text_.empty()) return false;
  const auto characters = text::characters(text_);
  text_.resize(text_.size() - characters.back().size());
  show(ic);
  return true;
}

void Composing::commit(fcitx::InputContext& ic) {
  if (owner_.get() != &ic || text_.empty()) return;
  const std::string committed = text::toUtf8(text_);
  text_.clear();
  show(ic);
  ic.commitString(committed);
}

void Composing::forget() {
  text_.clear();
  owner_.unwatch();
}

BRISQUEL_KEY_PATH void Composing::show(fcitx::InputContext& ic) {
  if (owner_.get() != &ic) return;
  fcitx::Text shown;
  if (!text_.empty()) {
    const std::string utf8 = text::toUtf8(text_);
    shown.append(utf8, fcitx::TextFormatFlag::Underline);
    shown.setCursor(static_cast<int>(utf8.size()));
  }
  if (ic.capabilityFlags().test(fcitx::CapabilityFlag::Preedit)) {
    ic.inputPanel().setClientPreedit(shown);
  } else {
    ic.inputPanel().setPreedit(shown);
  }
  ic.updatePreedit();
  ic.updateUserInterface(fcitx::UserInterfaceComponent::InputPanel);
}

}  // namespace brisquel::fcitx5
