#!/usr/bin/env bash
# The Debian package of this build: made with CPack, checked by lintian, installed with
# dpkg into an empty root; there the installed drovik-cli must answer --help, the menu
# entry must pass desktop-file-validate, and every file must land where the package
# promises it. Its declared dependencies must be installable here.
# Usage: package.sh BUILD_DIR WORK_DIR     (exit 77: a tool it needs is missing)
set -euo pipefail
build=$1
work=$2/package
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg dpkg-deb lintian desktop-file-validate xmllint; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool" >&2; exit 77; }
done

rm -rf "$work"
mkdir -p "$work"
# A package folder of its own, so that a package made by hand in the build is not taken.
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack did not make the package"; }
deb=$(find "$work/out" -maxdepth 1 -name 'drovik_*.deb')
[ -n "$deb" ] && [ "$(echo "$deb" | wc -l)" -eq 1 ] || fail "expected one drovik_*.deb, found: $deb"

# Dependencies come from the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libsdl2 libsdl2-ttf zlib1g libpng16 pkexec; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = drovik ] || fail "the package is not named drovik"

# lintian's errors fail; its warnings are printed for people to read.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then
  fail "lintian reports errors"
fi

# Installed into an empty root, as dpkg installs on a system; the root has none of the
# dependencies, so only their absence is forgiven.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; fail "dpkg could not install the package"; }
dpkg --root="$root" -s drovik | grep -q '^Status: install ok installed' || fail "dpkg does not list drovik as installed"

expect_file() {
  [ -f "$root/$1" ] || fail "missing /$1"
}
for file in usr/bin/drovik usr/bin/drovik-cli \
            usr/share/drovik/manual.htm usr/share/drovik/manual-en.htm \
            usr/share/drovik/drovik.urrs usr/share/drovik/images/browse.png \
            usr/share/applications/drovik.desktop \
            usr/share/polkit-1/actions/com.drovik.drovik.policy \
            usr/share/man/man1/drovik-cli.1.gz usr/share/man/man1/drovik.1.gz \
            usr/share/doc/drovik/copyright usr/share/doc/drovik/changelog.gz; do
  expect_file "$file"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=usr/share/icons/hicolor/${size}x${size}/apps/drovik.png
  expect_file "$icon"
  file "$root/$icon" | grep -q "PNG image data, $size x $size" || fail "$icon is not a $size-pixel PNG"
done
# Nothing outside /usr, and nothing left in the build tree's layout.
stray=$(cd "$root" && find . -path ./var -prune -o -type f -print | grep -v '^\./usr/' || true)
[ -z "$stray" ] || fail "files outside /usr: $stray"

# The installed programs run from where they landed.
"$root/usr/bin/drovik-cli" --help >"$work/help.txt" || fail "drovik-cli --help failed"
grep -q '^NAME' "$work/help.txt" || fail "drovik-cli --help does not describe the program"
man -l "$root/usr/share/man/man1/drovik-cli.1.gz" 2>/dev/null | grep -q 'drovik-cli - read drives' ||
  fail "the manual page does not name the program"

desktop-file-validate "$root/usr/share/applications/drovik.desktop" || fail "the menu entry is not valid"
grep -q '^Exec=pkexec /usr/bin/drovik$' "$root/usr/share/applications/drovik.desktop" ||
  fail "the menu entry does not ask for privilege"
xmllint --noout "$root/usr/share/polkit-1/actions/com.drovik.drovik.policy" || fail "the policy is not well-formed"
grep -q 'exec.path">/usr/bin/drovik<' "$root/usr/share/polkit-1/actions/com.drovik.drovik.policy" ||
  fail "the policy does not name the installed program"

# Every dependency is installable from what this system has: apt resolves the package
# without downloading anything new but the package itself.
if command -v apt-get >/dev/null; then
  apt-get install -s -q "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt cannot resolve the dependencies"; }
fi
echo "package: $(basename "$deb") installs and runs"
