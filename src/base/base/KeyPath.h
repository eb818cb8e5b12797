// SPDX-License-Identifier: MIT
#pragma once
#include <cstddef>

// Marks a function that runs for every key typed anywhere on the desktop.
// Between two keys the other programs evict our code from the caches and the
// TLB; the compiler places these functions side by side, so that a key
// touches a few pages of code instead of dozens spread over the library.
#if defined(__GNUC__)
#define BRISQUEL_KEY_PATH [[gnu::hot]]
#else
#define BRISQUEL_KEY_PATH
#endif

namespace brisquel::keypath {

// The objects every key reads, asked for all at once as a key begins. Gone
// cold since the last key, they would otherwise miss one after the other down
// the key's chain of pointers. Used on the loop's thread only.
void warm();

// Keeps an object on the list that warm() asks for, for as long as it lives.
class KeptWarm {
 public:
  KeptWarm(const void* object, std::size_t bytes);
  ~KeptWarm();
  KeptWarm(const KeptWarm&) = delete;
  KeptWarm& operator=(const KeptWarm&) = delete;

 private:
  const void* object_;
};

}  // namespace brisquel::keypath
