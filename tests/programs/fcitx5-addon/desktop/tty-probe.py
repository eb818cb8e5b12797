#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A terminal program reading a line as a shell would, with the terminal in raw
mode: BackSpace (DEL or ^H) deletes the character before the cursor, the
arrows Left and Right move it. Writes every change to OUT as
"<realtime us> TEXT '<text>'" and "FINAL '<text>'" on Return; then quits, or
with "stay" starts the next line.
  tty-probe.py OUT [stay]"""
import os
import sys
import termios
import time
import tty


def main():
    out = open(sys.argv[1], "w", encoding="utf-8")
    stay = sys.argv[2:] == ["stay"]
    fd = sys.stdin.fileno()
    saved = termios.tcgetattr(fd)
    tty.setraw(fd)
    line, cursor, pending = [], 0, b""

    def report(kind):
        print(f"{time.time_ns() // 1000} {kind} '{''.join(line)}'", file=out, flush=True)

    try:
        while True:
            pending += os.read(fd, 4096)
            changed = False
            while pending:
                if pending[:1] in (b"\r", b"\n"):
                    pending = pending[1:]
                    if changed:
                        report("TEXT")
                        changed = False
                    report("FINAL")
                    if not stay:
                        return
                    line, cursor = [], 0
                elif pending[:1] in (b"\x7f", b"\x08"):
                    pending = pending[1:]
                    if cursor:
                        del line[cursor - 1]
                        cursor -= 1
                        changed = True
                elif pending[:1] == b"\x1b":
                    if len(pending) < 3:
                        break
                    if pending[:3] in (b"\x1b[D", b"\x1bOD"):
                        cursor = max(0, cursor - 1)
                    elif pending[:3] in (b"\x1b[C", b"\x1bOC"):
                        cursor = min(len(line), cursor + 1)
                    pending = pending[3:]
                else:
                    width = next((n for n in range(1, 5) if len(pending) >= n and _complete(pending[:n])), 0)
                    if not width:
                        break
                    line.insert(cursor, pending[:width].decode("utf-8"))
                    cursor += 1
                    pending = pending[width:]
                    changed = True
            if changed:
                report("TEXT")
    finally:
        termios.tcsetattr(fd, termios.TCSADRAIN, saved)


def _complete(chunk):
    try:
        chunk.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


if __name__ == "__main__":
    main()
