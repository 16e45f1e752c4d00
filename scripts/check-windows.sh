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

flags=(-fsyntax-only -std=c++20 -DUNICODE -D_UNICODE -I.)
# Qt's headers as system headers, as CMake passes them: their own warnings are not ours. The
# Linux mkspec is left out; its platform definitions do not apply.
for include in $(pkg-config --cflags-only-I "${QT_MODULES[@]}"); do
  case "$include" in
  */mkspecs/*) ;;
  *) flags+=(-isystem "${include#-I}") ;;
  esac
done
flags+=($(pkg-config --cflags-only-other "${QT_MODULES[@]}"))
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

# Configured headers: only @PROJECT_VERSION@ is known here; anything else must be added.
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
while IFS= read -r -d '' template; do
  template="${template#./}"
  out="$work/generated/${template%.in}"
  mkdir -p "$(dirname "$out")"
  sed "s/@PROJECT_VERSION@/$version/g" "$template" >"$out"
  if grep -qE '@[A-Za-z_]+@' "$out"; then
    echo "check-windows: $template has a variable this script does not fill in" >&2
    exit 1
  fi
done < <(find ./app ./protocol ./config ./platform ./sim ./ui -name '*.h.in' -print0)
flags+=(-I "$work/generated")
printf '%s\n' "${flags[@]}" >"$work/flags"

echo "check-windows: $CXX -fsyntax-only on ${#sources[@]} files (not for Windows, skipped: ${skipped[*]:-none})"
start=$SECONDS
status=0
printf '%s\0' "${sources[@]}" |
  CXX="$CXX" FLAGS="$work/flags" xargs -0 -n 1 -P "$JOBS" bash -c '
    if out=$("$CXX" @"$FLAGS" "$1" 2>&1); then
      echo "  ok    $1"
    else
      printf "  FAIL  %s\n%s\n" "$1" "$out"
      exit 1
    fi' _ || status=$?
echo "check-windows: $((SECONDS - start)) s"
if ((status != 0)); then
  echo "check-windows: a product source does not compile as Windows code" >&2
  exit 1
fi
