#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR and checks the installed tree:
# its files, that the installed programs find their library from bin/, the
# desktop entry, the metainfo and the manual pages.
#   tst_install.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$2

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=/usr/local
root=$work/root
DESTDIR=$root "$cmake" --install "$build" --prefix "$prefix" >/dev/null
p=$root$prefix

# --- the files ------------------------------------------------------------
expected="bin/kestu bin/kestu-grep lib/kestu/libbregexp.so
share/applications/kestu.desktop
share/icons/hicolor/scalable/apps/kestu.svg
share/icons/hicolor/48x48/apps/kestu.png
share/icons/hicolor/256x256/apps/kestu.png
share/metainfo/org.kestu.kestu.metainfo.xml
share/man/man1/kestu.1.gz share/man/man1/kestu-grep.1.gz
share/man/ja/man1/kestu.1.gz share/man/ja/man1/kestu-grep.1.gz
share/bash-completion/completions/kestu-grep
share/zsh/vendor-completions/_kestu-grep share/fish/vendor_completions.d/kestu-grep.fish
share/doc/kestu/readme.txt share/doc/kestu/manual.html share/doc/kestu/copyright share/doc/kestu/changelog.gz"
for f in $expected; do
    [ -f "$p/$f" ] || fail "not installed: $f"
done
# Nothing else lands in bin/ or lib/ (no test programs, no stray libraries).
[ "$(cd "$p" && find bin lib -type f | sort | tr '\n' ' ')" = \
  "bin/kestu bin/kestu-grep lib/kestu/libbregexp.so " ] || fail "unexpected files in bin/ or lib/"
for f in bin/kestu bin/kestu-grep; do [ -x "$p/$f" ] || fail "$f is not executable"; done

png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
for size in 48 256; do
    [ "$(png_size "$p/share/icons/hicolor/${size}x${size}/apps/kestu.png")" = "${size}x${size}" ] \
        || fail "the ${size}px icon is not ${size}x${size}"
done

# --- the installed kestu-grep finds lib/kestu/libbregexp.so ----------------
text=$work/text
mkdir -p "$text"
printf '前書き\n第12章 始まり\n本文\n' > "$text/novel.txt"
set +e
out=$(env -u LD_LIBRARY_PATH "$p/bin/kestu-grep" -r '第[0-9]+章' "$text" 2>"$work/err")
rc=$?
set -e
[ $rc = 0 ] || fail "regex search with the installed kestu-grep: exit $rc: $(cat "$work/err")"
[ "$out" = "$text/novel.txt:2:1: 第12章 始まり" ] || fail "regex search printed: $out"

# Without the library beside bin/ the same search reports the missing library.
mv "$p/lib/kestu" "$p/lib/kestu.away"
set +e
env -u LD_LIBRARY_PATH "$p/bin/kestu-grep" -r '第[0-9]+章' "$text" >/dev/null 2>"$work/err"
rc=$?
set -e
mv "$p/lib/kestu.away" "$p/lib/kestu"
[ $rc = 2 ] && grep -q "BRegExp dll Error" "$work/err" \
    || fail "without lib/kestu the regex search gave exit $rc: $(cat "$work/err")"

# --- desktop entry, metainfo, manual pages --------------------------------
out=$(desktop-file-validate "$p/share/applications/kestu.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qx 'Exec=kestu %f' "$p/share/applications/kestu.desktop" || fail "desktop entry: Exec"
appstreamcli validate --no-net "$p/share/metainfo/org.kestu.kestu.metainfo.xml" >"$work/err" 2>&1 \
    || fail "appstreamcli validate: $(cat "$work/err")"
grep -q '<project_license>MIT</project_license>' "$p/share/metainfo/org.kestu.kestu.metainfo.xml" \
    || fail "the metainfo names no MIT licence"
# The copyright file is machine-readable and grants the licence of LICENSE.
copyright=$p/share/doc/kestu/copyright
grep -qx 'License: Expat' "$copyright" || fail "copyright: no Expat (MIT) licence"
! grep -qi 'all rights reserved' "$copyright" || fail "copyright still reserves all rights"
grep -q 'Permission is hereby granted, free of charge' "$copyright" || fail "copyright lacks the licence text"

for page in man1/kestu.1.gz man1/kestu-grep.1.gz ja/man1/kestu.1.gz ja/man1/kestu-grep.1.gz; do
    zcat "$p/share/man/$page" | groff -k -man -Tutf8 -ww -z 2>"$work/err" || fail "groff $page"
    [ ! -s "$work/err" ] || fail "$page: $(cat "$work/err")"
    ! zgrep -q '@[A-Z_]*@' "$p/share/man/$page" || fail "$page keeps a placeholder"
done
zgrep -q "^\.I $prefix/lib/kestu/libbregexp.so" "$p/share/man/man1/kestu-grep.1.gz" \
    || fail "kestu-grep.1 does not name the installed library"

bash -n "$p/share/bash-completion/completions/kestu-grep" || fail "bash completion"
# --- settings of a program whose folder is read-only ------------------------
# Root may write anywhere, so as root the window runs as nobody.
chmod 755 "$work"
user=$work/user
mkdir -p "$user/config/kestu" "$user/home" "$user/tmp"
chmod 700 "$user/tmp"
# The preset is read from the per-user place: it turns the single instance
# on, whose socket tells when the window is up.
printf '[Option]\r\nMutex=1\r\n' > "$user/config/kestu/kestu.ini"
run_as=()
if [ "$(id -u)" = 0 ]; then
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    chown -R 65534:65534 "$user"
fi
chmod a-w "$p/bin"
# exec: started in the background, the subshell becomes kestu itself, so $!
# is the window's process.
window() {
    exec "${run_as[@]}" env -u LD_LIBRARY_PATH -u XDG_RUNTIME_DIR HOME="$user/home" XDG_CONFIG_HOME="$user/config" \
        TMPDIR="$user/tmp" QT_QPA_PLATFORM=offscreen "$p/bin/kestu" "$@"
}
window "$text" >"$work/window.log" 2>&1 &
pid=$!
uid=$( [ ${#run_as[@]} = 0 ] && id -u || echo 65534)
socket=$user/tmp/kestu-$uid/ApplicationMutexKestuDblOpenChk
for _ in $(seq 600); do
    [ -S "$socket" ] && break
    kill -0 $pid 2>/dev/null || fail "the installed kestu ended early: $(cat "$work/window.log")"
    sleep 0.05
done
[ -S "$socket" ] || { kill $pid; fail "the installed kestu did not read its per-user settings (no single instance)"; }
# A second start hands its text over and ends with 1; the window's event
# loop is running by then, so the termination signal closes it.
set +e
(window -sHANDED_OVER >/dev/null 2>&1)
rc=$?
set -e
[ $rc = 1 ] || { kill $pid; fail "the second start gave $rc, not 1"; }
kill -TERM $pid
set +e
wait $pid
rc=$?
set -e
[ $rc = 0 ] || fail "the window closed with $rc: $(cat "$work/window.log")"
[ ! -e "$p/bin/kestu.ini" ] || fail "settings written into the read-only program folder"
grep -q 'HANDED_OVER' "$user/config/kestu/kestu.ini" || fail "the close did not write the per-user settings"
grep -q '^Mutex=1' "$user/config/kestu/kestu.ini" || fail "the per-user settings lost the preset"
chmod u+w "$p/bin"

echo "installed tree checked"
