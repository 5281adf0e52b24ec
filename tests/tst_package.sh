#!/usr/bin/env bash
# Builds the .deb from a build dir and checks that it holds exactly what
# `cmake --install` puts under /usr, with the control fields a package needs.
#   tst_package.sh CMAKE CPACK BUILD_DIR
set -euo pipefail
cmake=$1
cpack=$2
build=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/log" 2>&1 \
    || fail "cpack: $(cat "$work/log")"
debs=("$work"/out/kestu_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single kestu_*.deb"
deb=${debs[0]}

DESTDIR=$work/root "$cmake" --install "$build" --prefix /usr >/dev/null
(cd "$work/root" && find . ! -type d | sed 's|^\.||' | sort) >"$work/installed"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$work/packaged"
[ -s "$work/installed" ] || fail "nothing installed"
if ! diff "$work/installed" "$work/packaged" >"$work/diff"; then
    fail "the package's files differ from the installed ones (< installed, > packaged):
$(cat "$work/diff")"
fi

for completion in /usr/share/bash-completion/completions/kestu-grep /usr/share/zsh/vendor-completions/_kestu-grep \
    /usr/share/fish/vendor_completions.d/kestu-grep.fish; do
    grep -qx "$completion" "$work/packaged" || fail "the package lacks $completion"
done

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kestu ] || fail "Package: $(field Package)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
# Dependencies come from the binaries: the Qt libraries and Oniguruma.
depends=$(field Depends)
for lib in libqt6widgets6 libqt6network6 libonig5 libc6; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
# Without a Japanese font the window shows an empty box for every Japanese
# character: the package asks for one.
[ "$(field Recommends)" = "fonts-noto-cjk | fonts-ipafont-gothic" ] \
    || fail "Recommends: $(field Recommends)"
[[ $(field Maintainer) != *example.org* ]] || fail "placeholder Maintainer: $(field Maintainer)"
dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kestu/copyright | grep -qx 'License: Expat' \
    || fail "the package's copyright file names no MIT (Expat) licence"
echo "package checked: $(basename "$deb")"
