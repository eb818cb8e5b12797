// SPDX-License-Identifier: MIT
#pragma once
// Marks a function that runs for every key typed anywhere on the desktop.
// Between two keys the other programs evict our code from the caches and the
// TLB; the compiler places these functions side by side, so that a key
// touches a few pages of code instead of dozens spread over the library.
#if defined(__GNUC__)
#define BRISQUEL_KEY_PATH [[gnu::hot]]
#else
#define BRISQUEL_KEY_PATH
#endif
