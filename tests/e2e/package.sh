#!/usr/bin/env bash
# The Debian package:
#   package.sh build   BUILD_DIR OUT_DIR   builds it with CPack into OUT_DIR and
#                                          checks its control fields and contents,
#                                          and that cmake --install keeps bin/
#   package.sh lintian BUILD_DIR OUT_DIR   runs lintian on it: no error, no warning
set -euo pipefail
step="$1"; build="$2"; out="$3"
fail() { echo "FAIL: $*"; exit 1; }

case "$step" in
build)
  rm -rf "$out"
  mkdir -p "$out"
  (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack"; }
  deb=$(ls "$out"/agarhold_*.deb)
  echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
  dpkg-deb -I "$deb" control
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = agarhold ] || fail "Package: $(field Package)"
  [ "$(field Section)" = games ] || fail "Section: $(field Section)"
  [ -n "$(field Maintainer)" ] || fail "no Maintainer"
  [ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
  # Dependencies come from the shared libraries the program links (its sound
  # goes to the server through PulseAudio's client library).
  deps=$(field Depends)
  for lib in libc6 libqt6widgets6 libjpeg62-turbo libpulse0; do
    echo "$deps" | grep -q "\b$lib\b" || fail "Depends lacks $lib: $deps"
  done
  # The face the screens were laid out in comes with the game, and Qt's
  # Wayland platform is recommended for a Wayland-only desktop.
  echo "$deps" | grep -Eq '(^|, )fonts-liberation2(,|$)' || fail "Depends lacks fonts-liberation2: $deps"
  echo "$(field Recommends)" | grep -Eq '(^|, )qt6-wayland(,|$)' || fail "Recommends lacks qt6-wayland: $(field Recommends)"
  dpkg-deb -c "$deb" | awk '{print $1, $6}' >"$out/contents"
  for f in ./usr/games/agarhold ./usr/share/applications/agarhold.desktop ./usr/share/man/man6/agarhold.6.gz \
           ./usr/share/doc/agarhold/copyright ./usr/share/doc/agarhold/changelog.gz \
           ./usr/share/icons/hicolor/512x512/apps/agarhold.png \
           ./usr/share/metainfo/io.github.agarhold.agarhold.metainfo.xml; do
    grep -q " $f\$" "$out/contents" || fail "$f not in the package"
  done
  grep -v ' ./usr/' "$out/contents" | grep -v ' ./$' && fail "files outside /usr"
  # The program is in /usr/games only, whatever the build folder was configured with.
  [ "$(grep -Ec '/(s?bin|games)/agarhold$' "$out/contents")" = 1 ] || fail "more than one program in the package"
  # Stripped: no symbol table left in the program.
  rm -rf "$out/root"; dpkg-deb -x "$deb" "$out/root"
  grep -q '\.symtab' <<<"$(readelf -S "$out/root/usr/games/agarhold")" && fail "usr/games/agarhold is not stripped"
  rm -rf "$out/root"
  # The same build folder's own install keeps GNU bin/ and leaves games/ to the package.
  DESTDIR="$out/destdir" cmake --install "$build" --prefix /opt/agarhold >"$out/install.log" 2>&1 ||
    { cat "$out/install.log"; fail "cmake --install"; }
  [ -x "$out/destdir/opt/agarhold/bin/agarhold" ] || fail "cmake --install put no bin/agarhold"
  [ ! -e "$out/destdir/opt/agarhold/games" ] || fail "cmake --install made games/"
  [ -f "$out/destdir/opt/agarhold/share/applications/agarhold.desktop" ] || fail "cmake --install left out the desktop entry"
  rm -rf "$out/destdir"
  ;;
lintian)
  deb=$(ls "$out"/agarhold_*.deb)
  # Every error and warning counts. Information tags are shown, not counted:
  # spelling-error-in-binary finds words in the bytes of the embedded pictures.
  rc=0
  lintian --tag-display-limit 0 --display-info --pedantic "$deb" >"$out/lintian.log" 2>&1 || rc=$?
  cat "$out/lintian.log"
  [ $rc -le 1 ] || fail "lintian did not run (exit status $rc)"
  # AppStream's check of the installed tree: its one accepted finding is the
  # homepage the project does not have (a warning since AppStream 1.0, which
  # lintian then reports as appstream-metadata-validation-failed).
  rm -rf "$out/root"; dpkg-deb -x "$deb" "$out/root"
  tree=$(appstreamcli validate-tree --no-net --pedantic "$out/root" 2>&1) || true
  echo "appstreamcli validate-tree: $tree"
  rm -rf "$out/root"
  bad=0
  homepage_only=0
  while read -r kind where tag what; do
    case "$kind $tag $what" in
      "W: url-homepage-missing ") homepage_only=1 ;;
      "I: unknown-tag developer") ;;  # AppStream before 1.0 does not know <developer>
      *) echo "FAIL: appstreamcli validate-tree: $kind $where $tag $what"; bad=1 ;;
    esac
  done < <(echo "$tree" | grep -E '^ *[EWIP]: ')
  while read -r kind _ tag _; do
    case "$kind $tag" in
      "W: appstream-metadata-validation-failed") [ $homepage_only = 1 ] && [ $bad = 0 ] ||
                                                   { echo "FAIL: lintian $kind $tag"; bad=1; } ;;
      E:*|W:*) echo "FAIL: lintian $kind $tag"; bad=1 ;;
    esac
  done <"$out/lintian.log"
  [ $bad = 0 ] || exit 1
  ;;
*) fail "unknown step $step" ;;
esac
echo "1 passed, 0 failed"
