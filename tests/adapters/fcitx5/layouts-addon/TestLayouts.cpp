// SPDX-License-Identifier: MIT
// Keyboard input methods for tests that run fcitx5 in-process, where the
// daemon's own keyboard engine (linked into the fcitx5 program) is absent:
// "keyboard-us", "keyboard-ru", ... that let every key through, as the
// real ones do for a layout the client's keyboard already types.
#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/inputmethodengine.h>
#include <fcitx/inputmethodentry.h>

namespace {

class TestLayouts final : public fcitx::InputMethodEngine {
 public:
  std::vector<fcitx::InputMethodEntry> listInputMethods() override {
    std::vector<fcitx::InputMethodEntry> entries;
    for (const auto& [layout, language] : {std::pair{"us", "en"}, std::pair{"ru", "ru"}, std::pair{"ua", "uk"},
                                           std::pair{"il", "he"}, std::pair{"gr", "el"}}) {
      entries.emplace_back(std::string("keyboard-") + layout, layout, language, "brisquel-testlayouts");
      entries.back().setLabel(layout);
    }
    return entries;
  }
  void keyEvent(const fcitx::InputMethodEntry&, fcitx::KeyEvent&) override {}
};

class TestLayoutsFactory final : public fcitx::AddonFactory {
  fcitx::AddonInstance* create(fcitx::AddonManager*) override { return new TestLayouts; }
};

}  // namespace

FCITX_ADDON_FACTORY(TestLayoutsFactory)
