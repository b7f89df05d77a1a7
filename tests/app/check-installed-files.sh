#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop expects of
# it: the programs, their data where they look for it, the desktop entry, the
# project file type, the icons, the software-centre description and the manual
# pages. Usage: check-installed-files.sh BUILD_DIR SCRATCH_DIR
set -euo pipefail
build=$1
scratch=$2
prefix=$scratch/usr
rm -rf "$scratch"
mkdir -p "$scratch"
cmake --install "$build" --prefix "$prefix" > "$scratch/install.log"

fail=0
need() {
  if [ ! -e "$prefix/$1" ]; then
    echo "missing after install: $1"
    fail=1
  fi
}
need bin/warplet
need bin/warplet-cli
need share/warplet/default.gif
need share/warplet/help/help.css
need share/warplet/help/en/help-1.html
need share/warplet/help/zh/help-1.html
need share/applications/warplet.desktop
need share/mime/packages/warplet-kib.xml
need share/metainfo/org.example.warplet.metainfo.xml
need share/man/man1/warplet.1
need share/man/man1/warplet-cli.1
for size in 16 22 24 32 48 64 128 256; do
  need "share/icons/hicolor/${size}x${size}/apps/warplet.png"
done
if [ -e "$prefix/bin/default.gif" ]; then
  echo "data file installed among the programs: bin/default.gif"
  fail=1
fi

desktop-file-validate "$prefix/share/applications/warplet.desktop" || fail=1
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.warplet.metainfo.xml" || fail=1

# The installed warplet-cli finds its default picture in share/warplet: a project
# whose picture has gone shows it.
cp "$prefix/share/warplet/default.gif" "$scratch/photo.gif"
"$prefix/bin/warplet-cli" new "$scratch/photo.gif" -o "$scratch/photo.kib"
rm "$scratch/photo.gif"
if ! "$prefix/bin/warplet-cli" info "$scratch/photo.kib" | grep -q "\"loaded\": \"$prefix/share/warplet/default.gif\""; then
  echo "the installed warplet-cli does not show share/warplet/default.gif for a missing picture"
  fail=1
fi

[ "$fail" -eq 0 ] && rm -rf "$scratch"
exit "$fail"
