#!/usr/bin/env python3
"""How well the typo detector does on real sentences.

Runs `brisquel fix` over the corpus (one sentence per line, six languages) and
prints, per language and direction:
  right  the sentence typed with its own layout active: how many come out unchanged
  wrong  the same keys typed with the other layout active: how many come out restored
Layouts are enabled as a person of that language has them: en plus the
language (English sentences: en plus each other language in turn).

  scripts/quality.py [--brisquel PATH] [--corpus DIR] [--lines N] [--show N]
"""
import argparse
import concurrent.futures
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
LANGUAGES = ["en", "ru", "uk", "he", "ar", "el"]


def run_fix(brisquel, lines, keys, active, layouts):
    text = "".join(line + "\n" for line in lines)
    proc = subprocess.run(
        [brisquel, "fix", "--keys", keys, "--active", active, "--layouts", ",".join(layouts)],
        input=text.encode("utf-8"), stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    if proc.returncode != 0:
        sys.exit(f"brisquel fix failed ({proc.returncode}): {proc.stderr.decode('utf-8', 'replace').strip()}")
    out = proc.stdout.decode("utf-8").split("\n")
    if out and out[-1] == "":
        out.pop()
    if len(out) != len(lines):
        sys.exit(f"brisquel fix printed {len(out)} lines for {len(lines)}")
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--brisquel", default=os.path.join(ROOT, "build", "release", "src", "brisquel"))
    ap.add_argument("--corpus", default=os.path.join(ROOT, "..", "shared", "data", "corpus"))
    ap.add_argument("--lines", type=int, default=0, help="sentences per language (default: all)")
    ap.add_argument("--show", type=int, default=0, help="print up to N failing sentences per row")
    args = ap.parse_args()
    if not os.access(args.brisquel, os.X_OK):
        subprocess.run([os.path.join(HERE, "setup.sh"), os.path.join(ROOT, "build", "release")], check=True)

    corpus = {}
    for lang in LANGUAGES:
        with open(os.path.join(args.corpus, f"{lang}.txt"), encoding="utf-8") as f:
            lines = [l.rstrip("\n") for l in f if l.strip()]
        corpus[lang] = lines[: args.lines] if args.lines else lines

    # (language, direction, layouts, keys, active)
    rows = [("en", "right", ["en", "ru"], "en", "en")]
    for lang in LANGUAGES[1:]:
        rows.append((lang, "right", ["en", lang], lang, lang))
        rows.append((lang, "wrong", ["en", lang], lang, "en"))
    for lang in LANGUAGES[1:]:
        rows.append(("en", f"wrong on {lang}", ["en", lang], "en", lang))

    def job(row):
        lang, direction, layouts, keys, active = row
        lines = corpus[lang]
        out = run_fix(args.brisquel, lines, keys, active, layouts)
        bad = [(a, b) for a, b in zip(lines, out) if a != b]
        return row, len(lines), bad

    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        results = list(pool.map(job, rows))

    # Latin letters in a sentence of another script have no keys of their own on its layout:
    # they are pressed on the US positions and come out in the active layout's letters.
    def has_latin(line):
        return any("a" <= c.lower() <= "z" for c in line)

    print(f"{'language':<9}{'direction':<13}{'layouts':<8}{'sentences':>10}{'as meant':>10}{'share':>9}"
          f"{'no Latin':>10}{'share':>9}")
    for (lang, direction, layouts, _, _), n, bad in results:
        ok = n - len(bad)
        pure = [l for l in corpus[lang] if not has_latin(l)] if lang != "en" else corpus[lang]
        bad_pure = [b for b in bad if lang == "en" or not has_latin(b[0])]
        pure_ok = len(pure) - len(bad_pure)
        print(f"{lang:<9}{direction:<13}{','.join(layouts):<8}{n:>10}{ok:>10}{100.0 * ok / max(n, 1):>8.1f}%"
              f"{len(pure):>10}{100.0 * pure_ok / max(len(pure), 1):>8.1f}%")
        for typed, got in bad[: args.show]:
            print(f"    want: {typed}\n    got:  {got}")


if __name__ == "__main__":
    main()
