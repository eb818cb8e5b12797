#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Builds the simulated keyboard's layout table from the X11 keyboard data.

Runs `xkbcli compile-keymap` (libxkbcommon-tools) on Debian's xkb-data for each
basic layout, keeps the plain and Shift levels of the ANSI main-block keys and
Space, names characters through keysymdef.h (x11proto-dev), and writes
src/adapters/sim/LayoutTables.cpp.

    scripts/gen_layouts.py [--out FILE]
"""

import argparse
import pathlib
import re
import subprocess
import sys

LAYOUTS = [("us", "en"), ("ru", "ru"), ("ua", "uk"), ("il", "he"), ("ara", "ar"), ("gr", "el")]

# X11 key name -> virtual key code of the same position on a US keyboard.
KEYS = [
    ("TLDE", 50), ("AE01", 18), ("AE02", 19), ("AE03", 20), ("AE04", 21), ("AE05", 23), ("AE06", 22),
    ("AE07", 26), ("AE08", 28), ("AE09", 25), ("AE10", 29), ("AE11", 27), ("AE12", 24),
    ("AD01", 12), ("AD02", 13), ("AD03", 14), ("AD04", 15), ("AD05", 17), ("AD06", 16), ("AD07", 32),
    ("AD08", 34), ("AD09", 31), ("AD10", 35), ("AD11", 33), ("AD12", 30), ("BKSL", 42),
    ("AC01", 0), ("AC02", 1), ("AC03", 2), ("AC04", 3), ("AC05", 5), ("AC06", 4), ("AC07", 38),
    ("AC08", 40), ("AC09", 37), ("AC10", 41), ("AC11", 39),
    ("AB01", 6), ("AB02", 7), ("AB03", 8), ("AB04", 9), ("AB05", 11), ("AB06", 45), ("AB07", 46),
    ("AB08", 43), ("AB09", 47), ("AB10", 44), ("SPCE", 49),
]

# Dead keys: combining mark and the spacing character a dead key then Space gives.
DEAD = {
    "dead_acute": (0x0301, 0x00B4),
    "dead_grave": (0x0300, 0x0060),
    "dead_circumflex": (0x0302, 0x005E),
    "dead_tilde": (0x0303, 0x007E),
    "dead_diaeresis": (0x0308, 0x00A8),
    "dead_cedilla": (0x0327, 0x00B8),
    "dead_caron": (0x030C, 0x02C7),
    "dead_abovering": (0x030A, 0x02DA),
    "dead_macron": (0x0304, 0x00AF),
    "dead_breve": (0x0306, 0x02D8),
    "dead_abovedot": (0x0307, 0x02D9),
    "dead_doubleacute": (0x030B, 0x02DD),
    "dead_ogonek": (0x0328, 0x02DB),
}


def keysym_table(path):
    table = {}
    pattern = re.compile(r"#define XK_(\w+)\s+0x([0-9a-fA-F]+)\s*/\*\s*\(?U\+([0-9A-Fa-f]{4,6})")
    for line in pathlib.Path(path).read_text(encoding="utf-8", errors="replace").splitlines():
        m = pattern.match(line)
        if m:
            table.setdefault(m.group(1), int(m.group(3), 16))
    return table


def keysym_char(name, table):
    if name in table:
        return chr(table[name])
    m = re.fullmatch(r"U([0-9A-Fa-f]{4,6})", name)
    if m:
        return chr(int(m.group(1), 16))
    if len(name) == 1:
        return name
    raise ValueError(f"keysym without a character: {name}")


def compile_keymap(layout):
    return subprocess.run(
        ["xkbcli", "compile-keymap", "--rules", "evdev", "--model", "pc105", "--layout", layout],
        check=True, capture_output=True, text=True).stdout


def shift_levels(keymap):
    """Type name -> zero-based level that Shift alone selects."""
    types = {}
    section = keymap[keymap.index("xkb_types"):keymap.index("xkb_compatibility")]
    for m in re.finditer(r'type "([^"]+)" \{(.*?)\n\t\};', section, re.S):
        body = m.group(2)
        s = re.search(r"map\[Shift\]\s*=\s*(?:Level)?(\d+)", body)
        types[m.group(1)] = int(s.group(1)) - 1 if s else 0
    return types


def symbols(keymap):
    """Key name -> (type or None, [keysym names])."""
    section = keymap[keymap.index("xkb_symbols"):]
    keys = {}
    for m in re.finditer(r"key <(\w+)>\s*\{(.*?)\};", section, re.S):
        body = m.group(2)
        t = re.search(r'type(?:\[Group1\])?\s*=\s*"([^"]+)"', body)
        s = re.search(r"\[([^\]]*)\]\s*$", body.strip()) or re.search(r"\[([^\]]*)\]", body)
        syms = [x.strip() for x in s.group(1).split(",")] if s else []
        keys[m.group(1)] = (t.group(1) if t else None, syms)
    return keys


def level_pair(key_type, syms, types):
    if key_type is None:
        shift = 1 if len(syms) >= 2 else 0
    else:
        shift = types.get(key_type, 0)
    plain = syms[0] if syms else "NoSymbol"
    shifted = syms[shift] if shift < len(syms) else "NoSymbol"
    if shifted == "NoSymbol":
        shifted = plain
    return plain, shifted


def cxx_u16(text):
    out = []
    for ch in text:
        cp = ord(ch)
        if cp > 0xFFFF:
            cp -= 0x10000
            out.append("\\u%04X\\u%04X" % (0xD800 + (cp >> 10), 0xDC00 + (cp & 0x3FF)))
        elif 0x20 <= cp < 0x7F and ch not in '"\\?':
            out.append(ch)
        else:
            out.append("\\u%04X" % cp if cp >= 0xA0 else "\\x%02X" % cp)
    # A hex escape followed by a hex digit would swallow it: close the literal.
    s = "".join(out)
    return 'u"' + re.sub(r"(\\x[0-9A-F]{2})(?=[0-9A-Fa-f])", r'\1" u"', s) + '"'


def level_cxx(name, table):
    if name.startswith("dead_"):
        if name not in DEAD:
            raise ValueError(f"unknown dead key {name}")
        return '{u"", "%s"}' % name
    return '{%s, ""}' % cxx_u16(keysym_char(name, table))


def package_version(name):
    try:
        return subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True, text=True,
                              check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", default=str(root / "src/adapters/sim/LayoutTables.cpp"))
    parser.add_argument("--keysymdef", default="/usr/include/X11/keysymdef.h")
    args = parser.parse_args()
    table = keysym_table(args.keysymdef)

    lines = [
        "// SPDX-License-Identifier: MIT",
        "// Generated by scripts/gen_layouts.py from xkb-data %s (xkbcli %s, keysymdef.h %s)."
        % (package_version("xkb-data"), package_version("libxkbcommon-tools"), package_version("x11proto-dev")),
        "// Do not edit: run the script again.",
        "// Rules evdev, model pc105, levels 1 and 2 of the ANSI main-block keys and Space.",
        "",
        '#include "sim/KeyboardLayouts.h"',
        "",
        "namespace brisquel::sim {",
        "namespace {",
        "",
    ]
    used_dead = set()
    for layout, _code in LAYOUTS:
        keymap = compile_keymap(layout)
        types = shift_levels(keymap)
        keys = symbols(keymap)
        lines.append("constexpr LayoutKey k_%s[] = {" % layout)
        for xkb, code in KEYS:
            if xkb not in keys:
                raise ValueError(f"{layout}: key {xkb} missing")
            plain, shifted = level_pair(*keys[xkb], types)
            for name in (plain, shifted):
                if name.startswith("dead_"):
                    used_dead.add(name)
            lines.append("    {%d, \"%s\", {%s, %s}},  // %s %s" %
                         (code, xkb, level_cxx(plain, table), level_cxx(shifted, table), plain, shifted))
        lines.append("};")
        lines.append("")
    lines.append("constexpr DeadKey k_dead[] = {")
    for name in sorted(used_dead):
        mark, spacing = DEAD[name]
        lines.append("    {\"%s\", %s, %s}," % (name, cxx_u16(chr(mark)), cxx_u16(chr(spacing))))
    lines.append("};")
    lines.append("")
    lines.append("constexpr KeyboardLayout k_layouts[] = {")
    for layout, code in LAYOUTS:
        lines.append("    {\"%s\", \"%s\", k_%s}," % (layout, code, layout))
    lines.append("};")
    lines.append("")
    lines.append("}  // namespace")
    lines.append("")
    lines.append("std::span<const KeyboardLayout> keyboardLayouts() { return k_layouts; }")
    lines.append("std::span<const DeadKey> deadKeys() { return k_dead; }")
    lines.append("")
    lines.append("}  // namespace brisquel::sim")
    pathlib.Path(args.out).write_text("\n".join(lines) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
