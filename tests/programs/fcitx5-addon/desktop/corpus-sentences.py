#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Corpus sentences typed on the wrong layout, and what came of them.

  corpus-sentences.py make BRISQUEL CORPUS_DIR N SEED
      N sentences, Russian ones typed on the US layout and English ones on the
      Russian layout, as lines "keys<TAB>layout<TAB>expected<TAB>as typed".
  corpus-sentences.py judge BRISQUEL CASES RESULTS
      RESULTS holds what the field held, a line per case. A sentence is
      corrected (the expected text), left as typed where some words stay as
      typed (a quality miss), or corrupted: a word that is neither what was
      meant nor what was typed, in either layout, or words lost or added.
      Prints the counts and the corrupted sentences; exit 1 on any corrupted.
"""
import random
import subprocess
import sys


def convert(brisquel, lines):
    out = subprocess.run([brisquel, "convert", "--force", "--layouts", "en,ru"], input="\n".join(lines) + "\n",
                         capture_output=True, text=True, check=True).stdout
    return out.split("\n")[: len(lines)]


def typable(keys):
    return all(" " <= c <= "~" for c in keys)


def make(brisquel, corpus, count, seed):
    rng = random.Random(seed)
    pools = {}
    for language in ("ru", "en"):
        with open(f"{corpus}/{language}.txt", encoding="utf-8") as f:
            pools[language] = [line.strip() for line in f if 4 <= len(line.split()) <= 12]
    cases = []
    while len(cases) < count:
        language = "ru" if len(cases) % 2 == 0 else "en"
        sentence = rng.choice(pools[language])
        swapped = convert(brisquel, [sentence])[0]
        keys, layout, typed = (swapped, "keyboard-us", swapped) if language == "ru" else (sentence, "keyboard-ru", swapped)
        if typable(keys) and len(swapped.split()) == len(sentence.split()):
            cases.append((keys, layout, sentence, typed))
    for case in cases:
        print("\t".join(case))


def judge(brisquel, cases_file, results_file):
    with open(cases_file, encoding="utf-8") as f:
        cases = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    with open(results_file, encoding="utf-8") as f:
        results = [line.rstrip("\n") for line in f]
    results += [""] * (len(cases) - len(results))
    corrected = as_typed = 0
    corrupted = []
    for (keys, _layout, expected, typed), held in zip(cases, results):
        if held == expected:
            corrected += 1
            continue
        words, meant, keyed = held.split(" "), expected.split(" "), typed.split(" ")
        ok = len(words) == len(meant) == len(keyed)
        if ok:
            swapped = convert(brisquel, words)
            ok = all(w in (m, k) or s in (m, k) for w, s, m, k in zip(words, swapped, meant, keyed))
        if ok:
            as_typed += 1
        else:
            corrupted.append((keys, expected, held))
    print(f"sentences: {len(cases)}  corrected: {corrected}  left partly as typed: {as_typed}  "
          f"corrupted: {len(corrupted)}")
    for keys, expected, held in corrupted:
        print(f"  CORRUPTED keys [{keys}] meant [{expected}] held [{held}]")
    return 1 if corrupted else 0


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5])
    else:
        sys.exit(judge(sys.argv[2], sys.argv[3], sys.argv[4]))
