#!/usr/bin/env bash
# Builds the Debian package from the build tree into a scratch folder, unpacks it into a
# scratch root (dpkg-deb -x, no installation) and runs the programs from there.
#   checkpackage.sh CPACK CPACK_CONFIG VERSION
set -euo pipefail
cpack="$1" config="$2" version="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

fail() { echo "checkpackage: $*" >&2; exit 1; }
command -v dpkg-shlibdeps >/dev/null || fail "dpkg-shlibdeps is missing: scripts/install-deps.sh installs dpkg-dev"

"$cpack" -G DEB --config "$config" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack failed"; }
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb="${debs[0]}"
echo "package: $(basename "$deb")"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# What the binaries link, as dpkg-shlibdeps found it, and what they load by name.
for needed in libc6 libqt6widgets6 tesseract-ocr-eng tesseract-ocr-chi-tra fonts-noto-cjk adwaita-icon-theme libqt6svg6; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed"
done

dpkg-deb -x "$deb" "$scratch/root"
for file in usr/bin/tovikrag usr/bin/rag usr/share/applications/tovikrag.desktop \
  usr/share/icons/hicolor/scalable/apps/tovikrag.svg usr/share/icons/hicolor/48x48/apps/tovikrag.png \
  usr/share/man/man1/tovikrag.1 usr/share/man/man1/rag.1 usr/share/tovikrag/PRIVACY.md \
  usr/share/doc/tovikrag/copyright; do
  [ -f "$scratch/root/$file" ] || fail "the package lacks /$file"
done
ls "$scratch"/root/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "the package lacks its metainfo"

said="$(QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/tovikrag" --version)"
echo "tovikrag --version: $said"
[ "$said" = "tovikRAG $version" ] || fail "expected tovikRAG $version"
said="$("$scratch/root/usr/bin/rag" --version)"
echo "rag --version: $said"
[ "$said" = "rag $version" ] || fail "expected rag $version"
echo "checkpackage: ok"
