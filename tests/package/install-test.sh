#!/bin/sh
# Builds the Debian package from build/, checks it with lintian, installs it into this machine
# (dpkg -i, apt-get -f install) and tries what the package promises, with nothing from the build
# tree: the installed checker run by an ordinary user finds the events the build tree finds, the
# installed desktop program draws its windows under Xvfb, a program folder another user can
# change is refused, the service's command stores a watched folder's result and ends a check as
# interrupted on SIGTERM, and removing the package leaves only data behind.
#
# Needs root (it installs a package and creates users); skips with a message otherwise. Uses the
# test media of the test suite (run after `ctest --test-dir build`).
set -eu

cd "$(dirname "$0")/../.."
root=$(pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "install test skipped: installing the package needs root"
  exit 0
fi

media=$root/build/test-media/faults.mxf
[ -s "$media" ] || tests/media/make_media.sh build/test-media >/dev/null

work=$(mktemp -d /tmp/quarvik-install-XXXXXX)
chmod 755 "$work"
runner=""
cleanup() {
  [ -z "$runner" ] || kill "$runner" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "install test FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }
# Runs a command as USER with a login's plain environment (no QUARVIK_HOME, no build tree).
as() {
  user=$1; shift
  runuser -u "$user" -- env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$(getent passwd "$user" | cut -d: -f6)" "$@"
}

step "package and lintian"
./tools/package.sh >"$work/package.log" || { cat "$work/package.log" >&2; fail "tools/package.sh failed"; }
deb=$(tail -n 1 "$work/package.log")
version=$(cat build/version/version.txt)
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not the build's $version"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "no computed library dependencies"

step "install"
# dpkg leaves the package unconfigured when a dependency is missing; apt-get brings it in.
dpkg -i "$deb" || true
DEBIAN_FRONTEND=noninteractive apt-get -f install -y >/dev/null
dpkg-query -W -f='${Status}' quarvik | grep -q "install ok installed" || fail "the package is not installed"
dpkg -L quarvik >"$work/files"
for f in /usr/bin/quarvik /usr/bin/quarvik-check /usr/bin/quarvik-export /usr/bin/quarvik-farm /usr/lib/quarvik/libbrindle.so \
         /usr/share/applications/quarvik.desktop /usr/share/metainfo/quarvik.metainfo.xml \
         /usr/share/icons/hicolor/48x48/apps/quarvik.png /usr/share/icons/hicolor/256x256/apps/quarvik.png \
         /lib/systemd/system/quarvik-tasks.service; do
  [ -e "$f" ] || fail "$f is not installed"
done
for program in quarvik quarvik-check quarvik-export quarvik-farm; do
  [ "$(/usr/bin/$program --version)" = "$program (Quarvik) $version" ] || fail "$program --version is not $version"
  # Read from the package: a minimal system may be set to leave manual pages out.
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man1/$program.1.gz | zcat >"$work/$program.1"
  grep -q -- "--version" "$work/$program.1" || fail "the manual page of $program lacks its options"
  grep -q "QUARVIK_HOME" "$work/$program.1" || fail "the manual page of $program lacks the environment"
done
if ldd /usr/bin/quarvik | grep -q "$root"; then fail "the installed program takes a library from the build tree"; fi
getent passwd quarvik >/dev/null || fail "no system user quarvik"
[ "$(stat -c %U /var/lib/quarvik)" = quarvik ] || fail "/var/lib/quarvik does not belong to quarvik"
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify --man=no /lib/systemd/system/quarvik-tasks.service || fail "the service file does not verify"
fi

step "installed checker as an ordinary user"
id qc-operator >/dev/null 2>&1 || useradd -m -s /bin/sh qc-operator
operator_home=$(getent passwd qc-operator | cut -d: -f6)
rm -rf "$operator_home/.local/share/quarvik"  # a first run of the installed program
cp "$media" "$work/clip.mxf"
chmod 644 "$work/clip.mxf"
mkdir -p "$work/build-home"
events() { grep -E '^ +[0-9]+ ' | grep -v 'fault events' || true; }
QUARVIK_HOME=$work/build-home build/apps/quarvik-check "$work/clip.mxf" | events >"$work/build.events" || true
as qc-operator /usr/bin/quarvik-check "$work/clip.mxf" | events >"$work/installed.events" || true
[ -s "$work/build.events" ] || fail "the build tree's checker found no events in the test clip"
diff "$work/build.events" "$work/installed.events" || fail "the installed checker finds other events"
[ -d "$operator_home/.local/share/quarvik" ] || fail "the user's data folder was not made"

step "installed desktop program under Xvfb"
as qc-operator sh -c "mkdir -p \$HOME/qc-cache && quarvik-check --set-cache \$HOME/qc-cache"
grab=$(as qc-operator mktemp -d)
as qc-operator env QT_QPA_PLATFORM=xcb xvfb-run -a /usr/bin/quarvik --grab "$grab" || fail "quarvik --grab failed"
[ -s "$grab/about.png" ] && [ -s "$grab/history.png" ] || fail "quarvik --grab wrote no pictures"
rm -rf "$grab"

step "a program folder others can change is refused"
# Planted by another user (root here), then the user's own but open to every user.
mkdir -p "$work/planted"
touch "$work/planted/ave.dat"
for expected in "belongs to root, not to qc-operator" "writable by every user"; do
  if as qc-operator env QUARVIK_HOME="$work/planted" /usr/bin/quarvik-check "$work/clip.mxf" >/dev/null 2>"$work/err"; then
    fail "a program folder that $expected was used"
  fi
  grep -q "refusing the program folder.*$expected" "$work/err" || fail "no clear message: $(cat "$work/err")"
  chown -R qc-operator "$work/planted"
  chmod 1777 "$work/planted"
done
# Without HOME (a service) the folder once taken was /tmp/.local/share/quarvik, which anyone can
# make first: now it is the account's home folder, and the planted one goes unread.
planted=/tmp/.local/share/quarvik
if [ ! -e /tmp/.local ]; then
  mkdir -p -m 0777 "$planted"
  head -c 648 /dev/zero >"$planted/ave.dat"
  status=0
  runuser -u nobody -- env -i PATH=/usr/bin:/bin /usr/bin/quarvik-check "$work/clip.mxf" 2>"$work/err" |
    events >"$work/nobody.events" || status=$?
  rm -rf /tmp/.local
  diff "$work/build.events" "$work/nobody.events" || fail "a user without HOME checked with other parameters: $(cat "$work/err")"
fi

step "the service's command as the service runs it"
unit=/lib/systemd/system/quarvik-tasks.service
service_user=$(sed -n 's/^User=//p' "$unit")
service_home=$(sed -n 's/^Environment=QUARVIK_HOME=//p' "$unit")
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
service() { runuser -u "$service_user" -- env -i PATH=/usr/bin:/bin QUARVIK_HOME="$service_home" "$@"; }
mkdir -p "$work/incoming" "$work/cache"
chown "$service_user" "$work/incoming" "$work/cache"
service /usr/bin/quarvik-check --set-cache "$work/cache"
service /usr/bin/quarvik-check --add-task incoming folder path="$work/incoming" interval=1 >/dev/null
cp "$media" "$work/incoming/first.mxf"
# setpriv, unlike runuser, leaves no process between the signal and the runner.
( cd "$service_home" && exec setpriv --reuid="$service_user" --regid="$service_user" --init-groups \
    env -i PATH=/usr/bin:/bin QUARVIK_HOME="$service_home" $exec_start >"$work/runner.log" 2>&1 ) &
runner=$!
# Waits up to $1 seconds for a line matching $2 in the runner's output.
await() {
  i=0
  while ! grep -q "$2" "$work/runner.log"; do
    i=$((i + 1))
    [ "$i" -le $(($1 * 5)) ] || { cat "$work/runner.log" >&2; fail "no '$2' within $1 s"; }
    sleep 0.2
  done
}
await 90 "first.mxf: 检测完毕"
# A long file: SIGTERM while it is being checked.
ffmpeg -nostdin -v fatal -stream_loop 5 -i "$media" -c copy -f mxf "$work/long.part"
mv "$work/long.part" "$work/incoming/long.mxf"
await 60 "long.mxf: 正在检测"
kill -TERM "$runner"
i=0
while kill -0 "$runner" 2>/dev/null; do
  i=$((i + 1)); [ "$i" -le 100 ] || fail "the runner did not end within 20 s of SIGTERM"
  sleep 0.2
done
wait "$runner" || fail "the runner ended with status $? on SIGTERM"
runner=""
python3 - "$service_home/task.db" <<'PY' || fail "the watched folder's results are not stored as expected"
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
rows = {name.rsplit("/", 1)[-1]: (state, end) for name, state, end in db.execute("select szFilename, nState, tmEnd from Results")}
print("stored results (state, end):", rows)
# A finished check keeps its checking state (8) or says complete (12), with its end time;
# the one stopped by SIGTERM is interrupted (13).
first, long = rows.get("first.mxf", (0, 0)), rows.get("long.mxf", (0, 0))
sys.exit(0 if first[0] in (8, 12) and first[1] > 0 and long[0] == 13 else 1)
PY

step "remove"
DEBIAN_FRONTEND=noninteractive apt-get remove -y quarvik >/dev/null
while read -r f; do
  [ -d "$f" ] || [ ! -e "$f" ] || fail "$f is left after removing the package"
done <"$work/files"
[ -d "$operator_home/.local/share/quarvik" ] || fail "the user's data went with the package"
[ -f "$service_home/task.db" ] || fail "the service's results went with the package"
dpkg --purge quarvik >/dev/null
[ ! -e "$service_home" ] || fail "purging left $service_home"
echo "install test passed"
