#!/usr/bin/env bash
# Builds the Debian package from build/ (set up and built as for the tests, so
# nothing is compiled twice): build/orvikjoint_VERSION_ARCH.deb.
# --check then unpacks it into a temporary root and runs the installed programs
# there as a user would: what the package holds and needs, help and version
# without a display, the headless export of a copy of the sample rig (the same
# tables as the build tree's programs write) and the window's start-up on it.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE="$PWD"
bash scripts/setup.sh
rm -f build/orvikjoint_*.deb
(cd build && cpack -G DEB >build-package.log 2>&1) || { cat build/build-package.log; exit 1; }
DEB="$(ls "$SOURCE"/build/orvikjoint_*.deb)"
echo "package: $DEB"
[ "${1:-}" = "--check" ] || exit 0

fail() {
    echo "package check: $*" >&2
    exit 1
}
ROOT="$(mktemp -d)"
trap 'rm -rf "$ROOT"' EXIT
dpkg -x "$DEB" "$ROOT/pkg"
BIN="$ROOT/pkg/usr/bin"
VERSION="$(dpkg-deb -f "$DEB" Version)"

for f in bin/orvikjoint bin/orvikjoint-cli bin/nona2 share/applications/orvikjoint.desktop \
    share/mime/packages/orvikjoint.xml share/icons/hicolor/scalable/apps/orvikjoint.svg \
    share/icons/hicolor/48x48/apps/orvikjoint.png share/doc/orvikjoint/README.md \
    share/doc/orvikjoint/copyright; do
    [ -s "$ROOT/pkg/usr/$f" ] || fail "/usr/$f is missing"
done
EXTRA="$(dpkg -c "$DEB" | grep -E 'riggen|_tests|_bench' || true)"
[ -z "$EXTRA" ] || fail "developer programs in the package: $EXTRA"
DEPENDS="$(dpkg-deb -f "$DEB" Depends)"
grep -q libqt5widgets5 <<<"$DEPENDS" || fail "dependencies not computed: '$DEPENDS'"
if grep -qi hugin <<<"$DEPENDS"; then fail "depends on Hugin: $DEPENDS"; fi
desktop-file-validate "$ROOT/pkg/usr/share/applications/orvikjoint.desktop"
# The type file must parse and give .pto files the type the desktop entry opens.
mkdir -p "$ROOT/mime" && cp -r "$ROOT/pkg/usr/share/mime/packages" "$ROOT/mime/"
update-mime-database "$ROOT/mime" >/dev/null 2>&1
grep -q 'application/x-ptoptimizer-script:\*\.pto' "$ROOT/mime/globs2" ||
    fail "orvikjoint.xml gives .pto no type"

for program in orvikjoint orvikjoint-cli; do
    out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$BIN/$program" --version)" ||
        fail "$program --version failed"
    [ "$out" = "$program $VERSION" ] || fail "$program --version says '$out', the package is $VERSION"
    env -u DISPLAY -u WAYLAND_DISPLAY "$BIN/$program" --help | grep -q "^Usage: $program" ||
        fail "$program --help shows no usage"
done

# Run from / so that nothing is found through the current folder.
for tree in installed build; do
    mkdir -p "$ROOT/$tree" && cp -r samples/ring4 "$ROOT/$tree/"
done
(cd / && "$BIN/orvikjoint-cli" export --auto "$ROOT/installed/ring4/ring4.pto" >"$ROOT/export.log" 2>&1) ||
    { cat "$ROOT/export.log"; fail "the installed orvikjoint-cli export failed"; }
(cd / && "$SOURCE/build/bin/orvikjoint-cli" export --auto "$ROOT/build/ring4/ring4.pto" >/dev/null)
for table in Camera_2K_Project.tab Camera_4K_Project.tab QuickWeave_Projcet.tab; do
    [ -s "$ROOT/installed/ring4/$table" ] || fail "the installed export wrote no $table"
    cmp "$ROOT/installed/ring4/$table" "$ROOT/build/ring4/$table" ||
        fail "$table differs from the build tree's"
done

# The window loads the rig with the nona2 beside it and leaves no camera out.
(cd / && ORVIKJOINT_EXIT_AFTER_START=1 XDG_CONFIG_HOME="$ROOT/config" xvfb-run -a \
    "$BIN/orvikjoint" "$ROOT/installed/ring4/ring4.pto" >"$ROOT/window.log" 2>&1) ||
    { cat "$ROOT/window.log"; fail "the installed window did not start"; }
grep -q "^camara size:4" "$ROOT/window.log" && ! grep -q "left out\|not found" "$ROOT/window.log" ||
    { cat "$ROOT/window.log"; fail "the installed window did not load the sample rig"; }
echo "package check: passed ($(dpkg-deb -f "$DEB" Package) $VERSION)"
