#!/usr/bin/env bash
# Compiles every product source as Windows code, syntax only: the MinGW-w64 cross compiler
# defines _WIN32, so Qt sets Q_OS_WIN and every Windows branch is compiled with the project's
# warning flags as errors. Qt's own headers come from this machine's Linux package, which is
# enough for a syntax check; nothing is linked or run.
#
# Product sources are the *.cpp files under app, protocol, config, platform, sim and ui. A file
# is for other systems only, and skipped, when its name ends in Linux.cpp or Posix.cpp or it
# includes a <linux/...> kernel header. Windows-only files (*Win.cpp) are checked like any
# other. Headers configured from *.h.in are generated the way CMake does, into a folder of their
# own that mirrors the source tree.
#
# Each source sees what its CMake target sees, no more: the include folders of the layers the
# target may use (a temporary build/<preset>/include/<layer>/<layer> layout of symbolic links,
# made here so no CMake run is needed) and the headers of the Qt modules it links. A wrong-way
# include ("ui/..." from config/, <QWidget> from protocol/) then fails here as it fails in the
# Linux build. The table below follows the target_link_libraries of each folder's CMakeLists.txt
# and docs/ARCHITECTURE.md; a source under a folder the table does not know stops the check.
set -euo pipefail
cd "$(dirname "$0")/.."

CXX=x86_64-w64-mingw32-g++-posix
PACKAGE=g++-mingw-w64-x86-64-posix
QT_MODULES=(Qt6Core Qt6Network Qt6Gui Qt6Widgets)
JOBS="${JOBS:-$(nproc)}"

if ! command -v "$CXX" >/dev/null 2>&1; then
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
  fi
  echo "Installing: $PACKAGE"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$PACKAGE"
fi
if ! pkg-config --exists "${QT_MODULES[@]}"; then
  echo "check-windows: Qt 6 headers not found; run scripts/install-deps.sh first" >&2
  exit 1
fi

# Source folder (first matching prefix wins) | layers whose include folders it sees | Qt modules.
RULES=(
  "app/cli/|app protocol config sim platform|Qt6Core Qt6Network Qt6Gui"
  "app/demo/|app protocol config sim platform|Qt6Core Qt6Network Qt6Gui"
  "app/gui/|app ui protocol config platform sim|Qt6Core Qt6Network Qt6Gui Qt6Widgets"
  "app/sim/|sim protocol config|Qt6Core Qt6Network"
  "ui/controls/Rtf|ui|Qt6Core Qt6Gui"
  "ui/|ui protocol config platform|Qt6Core Qt6Network Qt6Gui Qt6Widgets"
  "sim/|sim protocol config|Qt6Core Qt6Network"
  "platform/|platform config protocol|Qt6Core Qt6Network Qt6Gui"
  "config/|config protocol|Qt6Core Qt6Network"
  "protocol/|protocol|Qt6Core Qt6Network"
)
LAYERS=(protocol config platform sim ui app)

flags=(-fsyntax-only -std=c++20 -DUNICODE -D_UNICODE)
# The warning flags and definitions of the vantoro_warnings target, read from CMakeLists.txt so
# the two never drift apart.
warnings_block=$(sed -n '/^target_compile_options(vantoro_warnings/,/)$/p' CMakeLists.txt)
flags+=($(grep -oE -- '-W[a-z0-9=-]+' <<<"$warnings_block") -Werror)
for definition in $(sed -n 's/^target_compile_definitions(vantoro_warnings INTERFACE \(.*\))$/\1/p' CMakeLists.txt); do
  flags+=("-D$definition")
done

sources=()
skipped=()
while IFS= read -r -d '' file; do
  file="${file#./}"
  if [[ "$file" == *Linux.cpp || "$file" == *Posix.cpp ]] || grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<linux/' "$file"; then
    skipped+=("$file")
  else
    sources+=("$file")
  fi
done < <(find ./app ./protocol ./config ./platform ./sim ./ui -name '*.cpp' -print0 | sort -z)

if ((${#sources[@]} == 0)); then
  echo "check-windows: no product sources found" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One include folder per layer holding a link to that layer alone, as the CMake build makes them.
for layer in "${LAYERS[@]}"; do
  mkdir -p "$work/include/$layer"
  ln -s "$PWD/$layer" "$work/include/$layer/$layer"
done

# Configured headers: only @PROJECT_VERSION@ is known here; anything else must be added. Each
# goes to its layer's generated folder, seen only where that layer is.
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
while IFS= read -r -d '' template; do
  template="${template#./}"
  out="$work/generated/${template%%/*}/${template%.in}"
  mkdir -p "$(dirname "$out")"
  sed "s/@PROJECT_VERSION@/$version/g" "$template" >"$out"
  if grep -qE '@[A-Za-z_]+@' "$out"; then
    echo "check-windows: $template has a variable this script does not fill in" >&2
    exit 1
  fi
done < <(find ./app ./protocol ./config ./platform ./sim ./ui -name '*.h.in' -print0)

# One flags file per rule: the common flags, the rule's layer folders, its Qt modules' headers
# (as system headers, as CMake passes them: their own warnings are not ours; the Linux mkspec is
# left out, its platform definitions do not apply) and their QT_*_LIB definitions.
for i in "${!RULES[@]}"; do
  IFS='|' read -r _ layers modules <<<"${RULES[$i]}"
  rule_flags=("${flags[@]}")
  for layer in $layers; do
    rule_flags+=(-I "$work/include/$layer")
    if [[ -d "$work/generated/$layer" ]]; then
      rule_flags+=(-I "$work/generated/$layer")
    fi
  done
  for include in $(pkg-config --cflags-only-I $modules); do
    case "$include" in
    */mkspecs/*) ;;
    *) rule_flags+=(-isystem "${include#-I}") ;;
    esac
  done
  rule_flags+=($(pkg-config --cflags-only-other $modules))
  printf '%s\n' "${rule_flags[@]}" >"$work/flags.$i"
done

# Each source with the flags file of the first rule whose folder prefix it starts with.
jobs=()
for file in "${sources[@]}"; do
  rule=""
  for i in "${!RULES[@]}"; do
    if [[ "$file" == "${RULES[$i]%%|*}"* ]]; then
      rule=$i
      break
    fi
  done
  if [[ -z "$rule" ]]; then
    echo "check-windows: $file is in no folder this script knows; add its layers to RULES" >&2
    exit 1
  fi
  jobs+=("$work/flags.$rule" "$file")
done

echo "check-windows: $CXX -fsyntax-only on ${#sources[@]} files, each with its layers' include folders (not for Windows, skipped: ${skipped[*]:-none})"
start=$SECONDS
status=0
printf '%s\0' "${jobs[@]}" |
  CXX="$CXX" xargs -0 -n 2 -P "$JOBS" bash -c '
    if out=$("$CXX" @"$1" "$2" 2>&1); then
      echo "  ok    $2"
    else
      printf "  FAIL  %s\n%s\n" "$2" "$out"
      exit 1
    fi' _ || status=$?
echo "check-windows: $((SECONDS - start)) s"
if ((status != 0)); then
  echo "check-windows: a product source does not compile as Windows code" >&2
  exit 1
fi
