#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes the installed program folder read-only, and
# starts both programs from there as an ordinary user: each must make its per-user program folder
# under the XDG data home from the installed one, use it, and leave the installed folder alone.
# usage: install-test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'chmod -R u+w "$root"; rm -rf "$root"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

prefix=$root/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
installed=$prefix/lib/orvella-configurator
for file in orvella-configurator orvella-cli liborvella-images.so liborvella-network.so Orvella81.mdb OrvSettings.mdb OrvLibraries81.mdb \
    "Orvella Help.html" Skins/Default/Background.jpg Images/Error.ico Playlists; do
  [ -e "$installed/$file" ] || fail "the installed program folder lacks $file"
done
for file in bin/orvella-configurator bin/orvella-cli; do
  [ -x "$prefix/$file" ] || fail "no launcher $file"
done
for file in share/applications/orvella-configurator.desktop \
    share/icons/hicolor/scalable/apps/orvella-configurator.svg \
    share/icons/hicolor/48x48/apps/orvella-configurator.png; do
  [ -f "$prefix/$file" ] || fail "no $file"
done

unit=$prefix/lib/systemd/user/orvella-follow.service
[ -f "$unit" ] || fail "no systemd user unit orvella-follow.service"
grep -qx "ExecStart=$prefix/bin/orvella-cli watch --follow" "$unit" || fail "the unit does not run the installed launcher"

chmod -R a-w "$installed"
before=$(cd "$installed" && find . -type f -exec md5sum {} + | sort)

# Root may write anywhere, so the programs run as nobody then.
home=$root/home
mkdir -p "$home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$root"
  chown 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
user_env=(env HOME="$home" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen)

settings=$("${user_env[@]}" "${as_user[@]}" "$prefix/bin/orvella-cli" settings list) ||
  fail "orvella-cli settings list"
grep -q $'^InitialUse\tTrue$' <<<"$settings" || fail "settings list does not show the first-use settings"
own=$home/data/orvella-configurator
for file in Orvella81.mdb OrvSettings.mdb OrvLibraries81.mdb "Orvella Help.html" Skins/Default/Logo.gif Playlists; do
  [ -e "$own/$file" ] || fail "the per-user program folder lacks $file"
done
for file in orvella-configurator orvella-cli; do
  [ ! -e "$own/$file" ] || fail "the program $file was copied into the per-user folder"
done

"${user_env[@]}" "${as_user[@]}" "$prefix/bin/orvella-cli" settings set MusicPath /srv/music/ ||
  fail "orvella-cli settings set"
[ "$("${user_env[@]}" "${as_user[@]}" "$prefix/bin/orvella-cli" settings get MusicPath)" = /srv/music/ ] ||
  fail "the setting did not stay in the per-user folder"
after=$(cd "$installed" && find . -type f -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "the installed program folder changed"

# The windowed program makes its own per-user folder the same way and keeps running (it waits on
# its welcome window) until it is stopped.
env HOME="$home" XDG_DATA_HOME="$home/data2" QT_QPA_PLATFORM=offscreen \
  "${as_user[@]}" "$prefix/bin/orvella-configurator" >/dev/null 2>&1 &
app=$!
for _ in $(seq 300); do
  [ -f "$home/data2/orvella-configurator/OrvSettings.mdb" ] || ! kill -0 $app 2>/dev/null && break
  sleep 0.1
done
kill -0 $app 2>/dev/null || { wait $app; fail "orvella-configurator ended with status $?"; }
kill $app; wait $app || true
[ -f "$home/data2/orvella-configurator/OrvSettings.mdb" ] || fail "orvella-configurator made no per-user folder"
echo "installed programs use the per-user program folder"
