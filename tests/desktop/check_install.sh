#!/usr/bin/env bash
# Checks of what `cmake --install` and `cpack -G DEB` produce, run by ctest:
#   check_install.sh tree|desktop|metainfo|mime|shlibdeps|deb BUILD_DIR VERSION
# Each installs the built tree into a temporary DESTDIR (prefix /usr) first.
# A check whose tool is missing ends with status 77, which ctest reports as
# skipped (scripts/setup installs the tools).
set -euo pipefail

mode="$1"
build="$2"
version="$3"

skip() {
  echo "skipped: $*"
  exit 77
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup installs it)"
  done
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
install_tree() {
  DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" || {
    cat "$work/install.log"
    fail "cmake --install"
  }
}

case "$mode" in
tree)
  install_tree
  expected="usr/bin/brindlecut
usr/bin/join.exe
usr/share/applications/org.brindlecut.Brindlecut.desktop
usr/share/applications/org.brindlecut.Join.desktop
usr/share/doc/brindlecut/LICENSE
usr/share/doc/brindlecut/README.md
usr/share/icons/hicolor/scalable/apps/org.brindlecut.Brindlecut.svg
usr/share/icons/hicolor/scalable/apps/org.brindlecut.Join.svg
usr/share/man/man1/brindlecut.1.gz
usr/share/man/man1/join.exe.1.gz
usr/share/metainfo/org.brindlecut.Brindlecut.metainfo.xml
usr/share/mime/packages/org.brindlecut.Brindlecut.xml"
  actual="$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
  [ "$actual" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$actual"))"
  # join.exe is installed as built, beside the splitter that copies it onto disk #1.
  cmp "$build/bin/join.exe" "$root/usr/bin/join.exe" || fail "installed join.exe differs from the built one"
  for program in brindlecut join.exe; do
    [ -x "$root/usr/bin/$program" ] || fail "$program is not executable"
  done
  grep -q "GNU GENERAL PUBLIC LICENSE" "$root/usr/share/doc/brindlecut/LICENSE" || fail "LICENSE is not the GPL"
  grep -q "^ *Version 3, 29 June 2007" "$root/usr/share/doc/brindlecut/LICENSE" || fail "LICENSE is not version 3"
  # --help and --version answer without a display.
  for program in brindlecut join.exe; do
    out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --version)" ||
      fail "$program --version failed"
    [ "$out" = "$program $version" ] || fail "$program --version printed '$out', not '$program $version'"
    out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --help)" ||
      fail "$program --help failed"
    case "$out" in "Usage: $program "*) ;; *) fail "$program --help printed '$out'" ;; esac
    gzip -t "$root/usr/share/man/man1/$program.1.gz" || fail "$program.1.gz is not gzip"
    grep -q "^\.TH ${program^^} 1 " <<<"$(zcat "$root/usr/share/man/man1/$program.1.gz")" ||
      fail "$program.1 has no title line"
  done
  ;;
desktop)
  need desktop-file-validate
  install_tree
  for file in "$root"/usr/share/applications/*.desktop; do
    desktop-file-validate "$file" || fail "desktop-file-validate $(basename "$file")"
    exec_name="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$file")"
    icon="$(sed -n 's/^Icon=//p' "$file")"
    [ -x "$root/usr/bin/$exec_name" ] || fail "$(basename "$file") runs $exec_name, which is not installed"
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
      fail "$(basename "$file") shows icon $icon, which is not installed"
  done
  grep -qx "MimeType=application/x-brindlecut-manifest;application/x-brindlecut-joiner;" \
    "$root/usr/share/applications/org.brindlecut.Join.desktop" || fail "the joiner does not open both file types"
  ;;
metainfo)
  need appstreamcli
  install_tree
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.brindlecut.Brindlecut.metainfo.xml" ||
    fail "appstreamcli validate"
  grep -q "<launchable type=\"desktop-id\">org.brindlecut.Brindlecut.desktop</launchable>" \
    "$root/usr/share/metainfo/org.brindlecut.Brindlecut.metainfo.xml" || fail "metainfo launches no desktop entry"
  ;;
mime)
  need update-mime-database
  install_tree
  update-mime-database "$root/usr/share/mime" >"$work/mime.log" 2>&1 || {
    cat "$work/mime.log"
    fail "update-mime-database"
  }
  globs="$root/usr/share/mime/globs2"
  grep -qx "50:application/x-brindlecut-manifest:\*.inf.vek" "$globs" || fail "no glob for *.inf.vek: $(cat "$globs")"
  grep -qx "100:application/x-brindlecut-joiner:join.exe" "$globs" || fail "no glob for join.exe: $(cat "$globs")"
  grep -qx "application/x-brindlecut-manifest text/plain" "$root/usr/share/mime/subclasses" ||
    fail "a manifest is not a text file"
  ;;
shlibdeps)
  # join.exe alone: its trimmed section headers must still tell dpkg-shlibdeps
  # (through objdump) which libraries and symbol versions it needs.
  need dpkg-shlibdeps objdump
  install_tree
  mkdir -p "$work/shlibs/debian"
  printf 'Source: brindlecut\n\nPackage: brindlecut\nArchitecture: any\n' >"$work/shlibs/debian/control"
  depends="$(cd "$work/shlibs" && dpkg-shlibdeps -O "$root/usr/bin/join.exe" 2>"$work/shlibdeps.log")" || {
    cat "$work/shlibdeps.log"
    fail "dpkg-shlibdeps"
  }
  for library in "libc6 (>= 2.34)" "libqt6core6 (>= 6.4.0)" "libqt6gui6 (>=" "libqt6widgets6 (>=" "libstdc++6 (>="; do
    case "$depends" in *"$library"*) ;; *) fail "dpkg-shlibdeps found no $library in join.exe: '$depends'" ;; esac
  done
  # Read whole first: grep -q would stop early, and objdump's broken pipe
  # would fail the pipeline under pipefail now and then.
  symbols="$(objdump -T "$root/usr/bin/join.exe")"
  grep -q "(Qt_6) .*_ZN12QApplication4execEv" <<<"$symbols" ||
    fail "objdump lists no versioned Qt symbol of join.exe"
  ;;
deb)
  need cpack dpkg-deb dpkg-shlibdeps lintian
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    fail "cpack -G DEB"
  }
  deb="$(ls "$work"/out/brindlecut_*.deb)"
  [ "$(basename "$deb")" = "brindlecut_${version}-1_$(dpkg --print-architecture).deb" ] ||
    fail "package named $(basename "$deb")"
  depends="$(dpkg-deb -f "$deb" Depends)"
  for library in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libstdc++6; do
    case "$depends" in *"$library "*) ;; *) fail "Depends lacks $library: $depends" ;; esac
  done
  listing="$(dpkg-deb -c "$deb")"
  grep -q " \./usr/bin/join\.exe$" <<<"$listing" || fail "the package has no usr/bin/join.exe"
  dpkg-deb -x "$deb" "$work/x"
  cmp "$build/bin/join.exe" "$work/x/usr/bin/join.exe" || fail "the packaged join.exe differs from the built one"
  [ -f "$work/x/usr/share/doc/brindlecut/copyright" ] || fail "no copyright file"
  lintian --fail-on error --allow-root --display-info "$deb" || fail "lintian reports errors"
  ;;
*)
  fail "unknown check $mode"
  ;;
esac
echo "passed: $mode"
