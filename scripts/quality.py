#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How well the typo detector does on real sentences.

Runs `brisquel fix` over the corpus (one sentence per line, six languages) and
prints, per language and direction:
  right  the sentence typed with its own layout active: how many come out unchanged
  wrong  the same keys typed with the other layout active: how many come out restored
and, per row, the share of words that come out as meant. The "typeable" columns
leave out sentences with characters the layout has no key for at levels 1 and 2
(Latin letters on the other scripts, `/` on the Ukrainian layout, `$` on the
Russian one): typed as keys they come out as other characters whatever the
detector does. Layouts are enabled as
a person of that language has them: en plus the language (English sentences:
en plus each other language in turn, typed right and typed wrong). --dump FILE
writes every failing sentence with the cause of its first wrong word (left as
typed, or the correction that produced it).

--mixed adds the mixed rows: each sentence typed right, followed by one word of
the other language typed on the same (wrong) layout. There "as meant" counts the
lines whose sentence part came out intact, and "words" the appended words restored.
--rows TEXT runs only the rows whose name ("el wrong", "en right with he",
"mixed en+ru") contains TEXT.

  scripts/quality.py [--brisquel PATH] [--corpus DIR] [--lines N] [--show N] [--dump FILE] [--mixed] [--rows TEXT]
"""
import argparse
import concurrent.futures
import json
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
LANGUAGES = ["en", "ru", "uk", "he", "ar", "el"]


def run_fix(brisquel, lines, keys, active, layouts, app=None):
    text = "".join(line + "\n" for line in lines)
    proc = subprocess.run(
        [brisquel, "fix", "--json", "--keys", keys, "--active", active, "--layouts", ",".join(layouts)]
        + (["--app", app] if app else []),
        input=text.encode("utf-8"), stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if proc.returncode != 0:
        sys.exit(f"brisquel fix failed ({proc.returncode}): {proc.stderr.decode('utf-8', 'replace').strip()}")
    out = proc.stdout.decode("utf-8").split("\n")
    if out and out[-1] == "":
        out.pop()
    if len(out) != len(lines):
        sys.exit(f"brisquel fix printed {len(out)} lines for {len(lines)}")
    return [json.loads(o) for o in out]


def convert_words(brisquel, words, other):
    """Each word as the keys that type it give it with the other layout of en,OTHER active."""
    proc = subprocess.run([brisquel, "convert", "--layouts", f"en,{other}"], input="".join(w + "\n" for w in words).encode("utf-8"),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if proc.returncode != 0:
        sys.exit(f"brisquel convert failed ({proc.returncode}): {proc.stderr.decode('utf-8', 'replace').strip()}")
    out = proc.stdout.decode("utf-8").split("\n")[: len(words)]
    if len(out) != len(words):
        sys.exit(f"brisquel convert printed {len(out)} lines for {len(words)}")
    return out


def appended_words(corpus, lang, count):
    """One word of the language per sentence: letters only, three at least, picked at random (seeded)."""
    pool = sorted({w.strip(".,;:!?()\"«»") for line in corpus[lang] for w in line.split()})
    # In the language's own letters: the Latin names in the other corpora are no words of theirs.
    pool = [w for w in pool if len(w) >= 3 and w.isalpha() and (lang == "en") == w.isascii()]
    rng = random.Random(f"mixed {lang}")
    return [rng.choice(pool) for _ in range(count)]


def words_as_meant(want, got):
    """Words of the wanted sentence that come out the same at the same place."""
    w, g = want.split(), got.split()
    return sum(1 for a, b in zip(w, g) if a == b), len(w)


def first_wrong_cause(want, result):
    """The first word that differs and what made it so."""
    w, g = want.split(), result["text"].split()
    i = next((k for k in range(min(len(w), len(g))) if w[k] != g[k]), min(len(w), len(g)))
    wanted = w[i] if i < len(w) else ""
    got = g[i] if i < len(g) else ""
    for c in result["corrections"]:
        if got and got in c["result"].split():
            return wanted, got, f"{c['kind']}: {c['typed']} -> {c['result']}"
    return wanted, got, "left as typed"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--brisquel", default=os.path.join(ROOT, "build", "release", "src", "brisquel"))
    ap.add_argument("--corpus", default=os.path.join(ROOT, "..", "shared", "data", "corpus"))
    ap.add_argument("--lines", type=int, default=0, help="sentences per language (default: all)")
    ap.add_argument("--show", type=int, default=0, help="print up to N failing sentences per row")
    ap.add_argument("--dump", help="write every failing sentence with the cause of its first wrong word here")
    ap.add_argument("--mixed", action="store_true", help="add the rows of sentences followed by a word of the other language")
    ap.add_argument("--rows", default="", help="run only the rows whose name contains this")
    args = ap.parse_args()
    if not os.access(args.brisquel, os.X_OK):
        subprocess.run([os.path.join(HERE, "setup.sh"), os.path.join(ROOT, "build", "release")], check=True)

    corpus = {}
    for lang in LANGUAGES:
        with open(os.path.join(args.corpus, f"{lang}.txt"), encoding="utf-8") as f:
            lines = [l.rstrip("\n") for l in f if l.strip()]
        corpus[lang] = lines[: args.lines] if args.lines else lines

    # (language, direction, layouts, keys, active, lines typed, lines wanted)
    rows = []
    for other in LANGUAGES[1:]:
        rows.append(("en", "right" if other == "ru" else f"right with {other}", ["en", other], "en", "en",
                     corpus["en"], corpus["en"]))
    for lang in LANGUAGES[1:]:
        rows.append((lang, "right", ["en", lang], lang, lang, corpus[lang], corpus[lang]))
        rows.append((lang, "wrong", ["en", lang], lang, "en", corpus[lang], corpus[lang]))
    for lang in LANGUAGES[1:]:
        rows.append(("en", f"wrong on {lang}", ["en", lang], "en", lang, corpus["en"], corpus["en"]))
    if args.mixed:
        # A sentence typed right, then a word of the other language with the same layout still on.
        for lang in LANGUAGES[1:]:
            meant = appended_words(corpus, lang, len(corpus["en"]))
            typed = convert_words(args.brisquel, meant, lang)
            rows.append(("en", f"mixed en+{lang}", ["en", lang], "en", "en",
                         [f"{l} {w}" for l, w in zip(corpus["en"], typed)],
                         [f"{l} {w}" for l, w in zip(corpus["en"], meant)]))
        for lang in LANGUAGES[1:]:
            meant = appended_words(corpus, "en", len(corpus[lang]))
            typed = convert_words(args.brisquel, meant, lang)
            rows.append((lang, f"mixed {lang}+en", ["en", lang], lang, lang,
                         [f"{l} {w}" for l, w in zip(corpus[lang], typed)],
                         [f"{l} {w}" for l, w in zip(corpus[lang], meant)]))
    rows = [r for r in rows if args.rows in f"{r[0]} {r[1]}"]

    # Which characters of each corpus the layout types as themselves, typed into an
    # application on the first-start ignore list, where the detector stays out.
    def typeable_chars(lang):
        chars = sorted({c for line in corpus[lang] for c in line if not c.isspace()})
        out = run_fix(args.brisquel, chars, lang, lang, ["en", lang] if lang != "en" else ["en", "ru"],
                      app="com.teamviewer.TeamViewer")
        return lang, {c for c, r in zip(chars, out) if r["text"] == c}

    def job(row):
        lang, direction, layouts, keys, active, typed, wanted = row
        out = run_fix(args.brisquel, typed, keys, active, layouts)
        if direction.startswith("mixed"):
            # The sentence part must stay as typed; the appended word is counted apart.
            bad = [(w, r["text"], r) for w, r in zip(wanted, out) if r["text"].rsplit(" ", 1)[0] != w.rsplit(" ", 1)[0]]
            good_words = [(int(r["text"].rsplit(" ", 1)[-1] == w.rsplit(" ", 1)[-1]), 1) for w, r in zip(wanted, out)]
        else:
            bad = [(w, r["text"], r) for w, r in zip(wanted, out) if w != r["text"]]
            good_words = [words_as_meant(w, r["text"]) for w, r in zip(wanted, out)]
        return row, len(typed), bad, good_words

    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = list(pool.map(job, rows))
        typeable = dict(pool.map(typeable_chars, LANGUAGES))

    def can_type(lang, line):
        return all(c.isspace() or c in typeable[lang] for c in line)

    # Latin letters in a sentence of another script have no keys of their own on its layout:
    # they are pressed on the US positions and come out in the active layout's letters.
    def has_latin(line):
        return any("a" <= c.lower() <= "z" for c in line)

    print(f"{'language':<9}{'direction':<14}{'layouts':<8}{'sentences':>10}{'as meant':>10}{'share':>9}"
          f"{'no Latin':>10}{'share':>9}{'typeable':>10}{'share':>9}{'words':>9}{'no-Latin words':>16}")
    dump = open(args.dump, "w", encoding="utf-8") if args.dump else None
    for (lang, direction, layouts, _, active, _, wanted), n, bad, good_words in results:
        ok = n - len(bad)
        # Mixed rows: the sentence part decides whether a line counts.
        sentence = (lambda l: l.rsplit(" ", 1)[0]) if direction.startswith("mixed") else (lambda l: l)
        pure = [l for l in wanted if not has_latin(sentence(l))] if lang != "en" else wanted
        bad_pure = [b for b in bad if lang == "en" or not has_latin(sentence(b[0]))]
        pure_ok = len(pure) - len(bad_pure)
        keyed = [l for l in wanted if can_type(lang, sentence(l))]
        keyed_ok = len(keyed) - sum(1 for b in bad if can_type(lang, sentence(b[0])))
        words_ok = sum(k for k, _ in good_words)
        words_all = sum(t for _, t in good_words)
        pure_words = [gw for l, gw in zip(wanted, good_words) if lang == "en" or not has_latin(sentence(l))]
        pure_words_ok = sum(k for k, _ in pure_words)
        pure_words_all = sum(t for _, t in pure_words)
        print(f"{lang:<9}{direction:<14}{','.join(layouts):<8}{n:>10}{ok:>10}{100.0 * ok / max(n, 1):>8.1f}%"
              f"{len(pure):>10}{100.0 * pure_ok / max(len(pure), 1):>8.1f}%"
              f"{len(keyed):>10}{100.0 * keyed_ok / max(len(keyed), 1):>8.1f}%"
              f"{100.0 * words_ok / max(words_all, 1):>8.1f}%{100.0 * pure_words_ok / max(pure_words_all, 1):>15.1f}%")
        for typed, got, _ in bad[: args.show]:
            print(f"    want: {typed}\n    got:  {got}")
        if dump:
            dump.write(f"# {lang} {direction} (layouts {','.join(layouts)}, typed with {active} active): "
                       f"{len(bad)} failing\n")
            for typed, got, result in bad:
                wanted, wrong, cause = first_wrong_cause(typed, result)
                latin = " [Latin]" if lang != "en" and has_latin(sentence(typed)) else ""
                latin += "" if can_type(lang, sentence(typed)) else " [untypeable]"
                dump.write(f"want: {typed}\ngot:  {got}\nfirst wrong: {wanted!r} -> {wrong!r}: {cause}{latin}\n\n")
    if dump:
        dump.close()


if __name__ == "__main__":
    main()
