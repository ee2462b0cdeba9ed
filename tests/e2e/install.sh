#!/usr/bin/env bash
# cmake --install into a fresh prefix: the program and its companion files in
# lib/tovel/, the tovel command, the desktop entry and the icons. The command
# starts the program (also through a link elsewhere on the PATH); with the
# install folder writable the settings live beside the program, with it
# read-only they go to the per-user folder.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
[ -n "${TOVEL_BUILD_DIR:-}" ] || fail "TOVEL_BUILD_DIR is not set"
PREFIX="$WORK/prefix"
cmake --install "$TOVEL_BUILD_DIR" --prefix "$PREFIX" > "$WORK/install.log" 2>&1 \
    || fail "cmake --install failed: $(tail -5 "$WORK/install.log")"
APPDIR="$PREFIX/lib/tovel"

for f in Tovel Tovel.txt LibDev4410.s79 BaudCalc.exe TVS_B.html tovel/TV_P.html Dev4410Hdr/dev4410.h; do
    [ -f "$APPDIR/$f" ] || fail "$APPDIR/$f was not installed"
done
for f in Tovel BaudCalc.exe; do [ -x "$APPDIR/$f" ] || fail "$f is not executable"; done
[ -x "$PREFIX/bin/tovel" ] || fail "bin/tovel is missing"
# tovel-cli, its manual page and its completion come along.
"$PREFIX/bin/tovel-cli" --version | grep -qx 'tovel-cli [0-9][0-9.]*' || fail "bin/tovel-cli --version does not answer"
for page in tovel tovel-cli; do
    [ -f "$PREFIX/share/man/man1/$page.1.gz" ] || fail "the manual page $page(1) is missing"
done
[ -f "$PREFIX/share/bash-completion/completions/tovel-cli" ] || fail "the bash completion of tovel-cli is missing"
for size in 16 24 32 48 64 128; do
    icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/tovel.png"
    [ -f "$icon" ] || fail "icon $size is missing"
    expect_eq "${size}x${size}" "$(identify -format '%wx%h' "$icon")" "icon size"
done
DESKTOP="$PREFIX/share/applications/tovel.desktop"
[ -f "$DESKTOP" ] || fail "the desktop entry is missing"
expect_eq "$PREFIX/bin/tovel %F" "$(ini_get "$DESKTOP" "Desktop Entry" Exec)" "desktop entry's command"
expect_eq tovel "$(ini_get "$DESKTOP" "Desktop Entry" Icon)" "desktop entry's icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$DESKTOP" || fail "the desktop entry is not valid"
    log "ok: desktop entry valid"
fi
grep -qx "$DESKTOP" "$TOVEL_BUILD_DIR/install_manifest.txt" || fail "the desktop entry is not in the install manifest"

# Writable install folder: the command, reached through a link on the PATH,
# starts the installed program, whose settings live beside it.
ln -s "$PREFIX/bin/tovel" "$WORK/bin/tovel"
start_tovel tovel
wait_for 10 test -f "$APPDIR/Tovel.ini" || fail "no Tovel.ini in the install folder"
expect_eq "$APPDIR/" "$(ini_get "$APPDIR/Tovel.ini" Last AppPath)" "AppPath of the installed program"
wait_for 10 test -s "$OPENED" || fail "the introduction was not opened"
expect_eq "file://$APPDIR/Tovel.txt" "$(tail -1 "$OPENED")" "introduction of the installed program"
quit_with Escape
rm "$APPDIR/Tovel.ini"

# Read-only install folder: a read-only bind mount where that is allowed,
# else a read-only folder and an unprivileged user (E2E_READONLY=modes
# chooses that way).
USERDIR="$XDG_CONFIG_HOME/tovel"
if [ "$(id -u)" -eq 0 ] && [ "${E2E_READONLY:-}" != modes ] && unshare -m sh -c "mount --bind -o ro '$APPDIR' '$APPDIR'" 2>/dev/null; then
    log "read-only by a bind mount"
    start_tovel unshare -m sh -c "mount --bind -o ro '$APPDIR' '$APPDIR' && exec '$PREFIX/bin/tovel'"
elif [ "$(id -u)" -ne 0 ]; then
    log "read-only by file modes"
    chmod -R a-w "$APPDIR"
    start_tovel tovel
elif command -v setpriv >/dev/null; then
    log "read-only by file modes, run as nobody"
    chmod -R a-w "$APPDIR"
    chmod 755 "$WORK" "$WORK/bin" "$PREFIX" "$PREFIX/bin" "$PREFIX/lib"
    chmod 777 "$WORK/config" "$WORK/home"
    chmod 666 "$OPENED" 2>/dev/null || true
    start_tovel setpriv --reuid=65534 --regid=65534 --clear-groups "$PREFIX/bin/tovel"
else
    skip "no way to make the install folder read-only here"
fi
wait_for 10 test -f "$USERDIR/Tovel.ini" || fail "no Tovel.ini in the per-user folder $USERDIR"
expect_eq "$APPDIR/" "$(ini_get "$USERDIR/Tovel.ini" Last AppPath)" "AppPath in the per-user settings"
[ ! -e "$APPDIR/Tovel.ini" ] || fail "a settings file appeared in the read-only folder"
# Settings still persist: a library added now is in the per-user file.
key alt+a
picker=$(wait_window '^Select Library Source$' 10) || fail "Alt+A opened no picker"
activate "$picker"
key ctrl+a
type_text "$APPDIR/LibDev4410.s79"
key Return
wait_for 10 ini_has "$USERDIR/Tovel.ini" Last Library "$APPDIR/LibDev4410.s79" \
    || fail "the added library was not recorded in the per-user file"
log "ok: library recorded in the per-user file"
quit_with Escape
log "passed"
