#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package into a temporary folder and checks what a user
# installing it gets: the packages it pulls in and the files it installs.
#   check-package.sh BUILD_DIR PATH...   (each PATH must be in the package)
set -euo pipefail
build=$1
shift
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  exit 1
}
debs=("$out"/brisquel_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single brisquel_*.deb in: $(ls "$out")"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"
status=0

# Depends: "a (>= 1), b | c, d" -> one name per line.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g')
for wanted in fcitx5 fcitx5-frontend-gtk3 'fcitx5-frontend-qt[56]' \
  hunspell-en-us hunspell-ru hunspell-uk hunspell-he hunspell-ar hunspell-el 'libicu[0-9]+' 'libmarisa[0-9]+'; do
  grep -Eqx "$wanted" <<<"$depends" || { echo "Depends lacks $wanted: $(dpkg-deb -f "$deb" Depends)"; status=1; }
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||')
for path in "$@"; do
  grep -Fqx "$path" <<<"$contents" || { echo "missing from the package: $path"; status=1; }
done

# The addon file names a library fcitx5 finds, and the autostart entry starts
# the launcher the package installs.
dpkg-deb -x "$deb" "$out/root"
library=$(find "$out/root" -path '*/fcitx5/addon/brisquel.conf' -exec sed -n 's/^Library=//p' {} +)
if [ -z "$(find "$out/root" -path "*/fcitx5/$library.so")" ]; then
  echo "brisquel.conf names Library=$library, which is not in an fcitx5 folder of the package"
  status=1
fi
launcher=$(find "$out/root" -name com.mebrun.velmonte.desktop -exec sed -n 's/^Exec=//p' {} +)
[ -x "$out/root$launcher" ] || { echo "the autostart entry starts $launcher, which the package lacks"; status=1; }

# The AppStream entry is valid, and lintian finds no error or warning.
metainfo=$(find "$out/root" -name '*.metainfo.xml')
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net $metainfo >"$out/appstream.log" 2>&1 || { cat "$out/appstream.log"; status=1; }
fi
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$out/lintian.log" 2>&1 || {
    echo "lintian:"
    cat "$out/lintian.log"
    status=1
  }
  grep -v '^N:' "$out/lintian.log" || true
else
  echo "SKIP lintian: not installed (scripts/setup.sh installs it)"
fi

[ $status -eq 0 ] && echo "Depends: $(dpkg-deb -f "$deb" Depends)"
exit $status
