// SPDX-License-Identifier: MIT
#include "settings/SettingsHelper.h"
#include "typo/TypoDetector.h"

namespace brisquel {

LearnedWordsStore LearnedWordsStore::of(SettingsHelper& settings) {
  std::weak_ptr<SettingsHelper> weak = settings.weak_from_this();
  return {[weak] {
            auto s = weak.lock();
            return s ? s->sharedLearnedWords() : nullptr;
          },
          [weak](const StringMap& words) {
            if (auto s = weak.lock()) s->setLearnedWords(words);
          }};
}

}  // namespace brisquel
