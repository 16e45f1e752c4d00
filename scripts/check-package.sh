#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it: its file list and dependencies,
# lintian, the desktop entry and AppStream metadata, the manual pages against the programs' own
# --help, the shell completion, and the unpacked programs run from a folder with no help files.
#   scripts/check-package.sh [BUILD_DIR]    (a configured build is packaged as it is)
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build/package}"
deb=$(scripts/package.sh "$build" | tail -n 1)
echo "check-package: $deb"
root=$(mktemp -d)
elsewhere=$(mktemp -d)
prefix=$(mktemp -d)
gui_pid=""
cleanup() {
  if [[ -n $gui_pid ]]; then kill "$gui_pid" 2>/dev/null || true; fi
  rm -rf "$root" "$elsewhere" "$prefix"
}
trap cleanup EXIT
failures=0
fail() {
  echo "check-package: FAIL: $*" >&2
  failures=$((failures + 1))
}

app_id=com.brellix.vantoro

# --- what the package holds: exactly these files, so no test, benchmark or fuzz binary slips in
expected=(
  usr/bin/vantoro usr/bin/vantoro-cli usr/bin/vantoro-bridge-sim
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
  usr/share/bash-completion/completions/vantoro-cli
  usr/share/doc/vantoro/changelog.gz usr/share/doc/vantoro/copyright
  usr/share/icons/hicolor/scalable/apps/vantoro.svg
  usr/share/man/man1/vantoro.1.gz usr/share/man/man1/vantoro-cli.1.gz
  usr/share/man/man1/vantoro-bridge-sim.1.gz
)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/vantoro.png")
done
for help in res/help/*.rtf; do
  expected+=("usr/share/vantoro/help/$(basename "$help")")
done
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) <(echo "$actual") >&2; then
  fail "file list differs (- expected, + in the package)"
fi

# --- cmake --install with a prefix puts the same files in the same places
cmake --install "$build" --prefix "$prefix" >/dev/null
if ! diff -u <(echo "$actual") <(cd "$prefix" && find . ! -type d | sed 's|^\./|usr/|' | sort) >&2; then
  fail "cmake --install differs from the package (- package, + install)"
fi

# --- dependencies from the shared-library analysis: the Qt libraries the programs link
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libc6 libstdc++6; do
  [[ $depends == *"$lib "* || $depends == *"$lib," || $depends == *"$lib" ]] ||
    fail "Depends lacks $lib: $depends"
done

# --- lintian: no error (warnings are reported, not fatal)
lintian_status=0
lintian_out=$(lintian --fail-on error "$deb" 2>&1) || lintian_status=$?
grep -v '^running with root privileges' <<<"$lintian_out" || true
((lintian_status == 0)) || fail "lintian reports errors"

dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"

# --- desktop entry and AppStream metadata
desktop="$root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate: $(appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml")"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -n 1)
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[[ -x "$bin/$exec_name" ]] || fail "desktop entry starts '$exec_name', which is not in usr/bin"
[[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ]] ||
  fail "desktop entry icon '$icon_name' is not installed"

# Commands that might touch the network without --demo run in a network namespace of their own.
isolated=()
if unshare --net true 2>/dev/null; then
  isolated=(unshare --net)
elif unshare --net --map-root-user true 2>/dev/null; then
  isolated=(unshare --net --map-root-user)
else
  echo "check-package: no network namespace available: skipping the --help comparisons" >&2
fi

# --- manual pages list every command and option that --help lists
man_text() { MANWIDTH=1000 LC_ALL=C man -l "$root/usr/share/man/man1/$1.1.gz" 2>/dev/null; }
options_of() { grep -oE -- '(^|[ ,[])--?[A-Za-z][A-Za-z-]*' | grep -oE -- '--?[A-Za-z][A-Za-z-]*' | sort -u; }
expect_in_man() { # page, words...
  local page=$1 text word
  shift
  text=$(man_text "$page")
  [[ -n $text ]] || { fail "man page $page does not render"; return; }
  for word in "$@"; do
    grep -qF -- "$word" <<<"$text" || fail "man $page does not mention $word"
  done
}
mapfile -t words < <(QT_QPA_PLATFORM=offscreen "$bin/vantoro" --demo --help | options_of)
expect_in_man vantoro "${words[@]}"
mapfile -t words < <("$bin/vantoro-bridge-sim" --help | options_of)
expect_in_man vantoro-bridge-sim "${words[@]}"
if ((${#isolated[@]})); then
  cli_help=$("${isolated[@]}" "$bin/vantoro-cli" --help)
  mapfile -t commands < <(awk '$0 == "Commands:" { f = 1; next } f && /^$/ { exit }
    f && /^  [^ ]/ { print $1 }' <<<"$cli_help")
  ((${#commands[@]})) || fail "vantoro-cli --help lists no commands"
  mapfile -t words < <(options_of <<<"$cli_help")
  words+=("${commands[@]}")
  for command in "${commands[@]}"; do
    mapfile -t -O "${#words[@]}" words < <("${isolated[@]}" "$bin/vantoro-cli" "$command" --help | options_of)
  done
  expect_in_man vantoro-cli "${words[@]}"
  # One synopsis line for each form of the command that the usage shows.
  forms=$(grep -cE '^(Usage: |       )vantoro-cli ' <<<"$cli_help")
  synopsis=$(man_text vantoro-cli |
    awk '/^SYNOPSIS/ { f = 1; next } /^[A-Z]/ { f = 0 } f && /^ +vantoro-cli /' | wc -l)
  ((forms > 0 && synopsis == forms)) ||
    fail "man vantoro-cli: $synopsis synopsis lines for $forms usage forms"

  # --- shell completion offers the commands, and a command's own options
  # shellcheck disable=SC2016 # expanded by the inner shell
  completions=$(cd "$elsewhere" && PATH="$bin:$PATH" "${isolated[@]}" bash -c '
    source "$1"
    complete_line() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _vantoro_cli; echo "${COMPREPLY[*]}"; }
    complete_line vantoro-cli ""
    complete_line vantoro-cli scan --
    complete_line vantoro-cli status 02:4B:00:00:00:0' _ "$root/usr/share/bash-completion/completions/vantoro-cli")
  [[ $(sed -n 1p <<<"$completions") == "${commands[*]}" ]] ||
    fail "completion of a command: '$(sed -n 1p <<<"$completions")', --help lists '${commands[*]}'"
  for option in --json --demo --help; do
    [[ " $(sed -n 2p <<<"$completions") " == *" $option "* ]] || fail "completion after scan lacks $option"
  done
  [[ -z $(sed -n 3p <<<"$completions") ]] || fail "completion offers words for a MAC address"
fi

# --- the unpacked programs, started from a folder without help files
cd "$elsewhere"
scan=$("$bin/vantoro-cli" scan --demo) || fail "unpacked vantoro-cli scan --demo: exit $?"
for mac in 02:4B:00:00:00:01 02:4B:00:00:00:06; do
  grep -q "$mac" <<<"$scan" || fail "vantoro-cli scan --demo does not list $mac"
done

# The window keeps its help file open: it must be the unpacked data folder's. It runs until
# closed, so it must still be running when timeout ends it (status 124).
QT_QPA_PLATFORM=offscreen timeout 5 "$bin/vantoro" --demo >/dev/null 2>&1 &
gui_pid=$!
help_seen=""
for _ in $(seq 1 50); do
  for child in $(pgrep -P "$gui_pid" || true); do
    for fd in /proc/"$child"/fd/*; do
      target=$(readlink "$fd" 2>/dev/null || true)
      [[ $target == */Networks.rtf ]] && help_seen=$target
    done
  done
  [[ -n $help_seen ]] && break
  sleep 0.1
done
status=0
wait "$gui_pid" || status=$?
gui_pid=""
[[ $help_seen == "$root/usr/share/vantoro/help/Networks.rtf" ]] ||
  fail "the window's help file is '${help_seen:-none}', not the unpacked data folder's"
((status == 124)) || fail "unpacked vantoro --demo ended early with status $status"

if ((failures)); then
  echo "check-package: $failures check(s) failed" >&2
  exit 1
fi
echo "check-package: all checks passed"
