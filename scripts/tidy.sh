#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) on every product and test source of a configured build
# tree's compile database, two at a time, with every finding an error. Generated sources (moc,
# rcc, anything under the build tree), benchmarks and fuzz targets are not checked. Only a
# configure is needed: no source includes moc output, and the configured headers exist by then.
#
# A run that passes on a clean work tree leaves its commit in BUILD_DIR/tidy-passed; the next run
# in that tree checks only the sources changed since then (committed or not), unless a header,
# .clang-tidy, the compile database or clang-tidy itself changed: then everything again. A fresh
# clone has no such record, so CI always checks every file. TIDY_ALL=1 checks every file.
# Usage: scripts/tidy.sh [BUILD_DIR]   (default build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."

TIDY=clang-tidy
PACKAGE=clang-tidy
JOBS="${JOBS:-2}"
FOLDERS=(app protocol config platform sim ui tests)

if ! command -v "$TIDY" >/dev/null 2>&1; then
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
  fi
  echo "Installing: $PACKAGE"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$PACKAGE"
fi

build_dir="$(cd "${1:-build/ci}" && pwd)"
database="$build_dir/compile_commands.json"
[[ -f "$database" ]] || {
  echo "tidy: no compile_commands.json in $build_dir (configure it first)" >&2
  exit 2
}

# CMake writes one "file" entry per line; a source compiled for two targets is checked once.
sources=()
while IFS= read -r file; do
  relative="${file#"$PWD"/}"
  [[ "$file" == "$build_dir"/* || "$relative" == "$file" ]] && continue
  for folder in "${FOLDERS[@]}"; do
    if [[ "$relative" == "$folder"/*.cpp ]]; then
      sources+=("$relative")
      break
    fi
  done
done < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$database" | sort -u)

if ((${#sources[@]} == 0)); then
  echo "tidy: no product or test sources in $database" >&2
  exit 1
fi

# What the record of a passing run is valid for: the checks, the compile flags, the tool.
stamp="$build_dir/tidy-passed"
fingerprint="$(cat .clang-tidy "$database" <("$TIDY" --version) | sha256sum | cut -d' ' -f1)"
if [[ "${TIDY_ALL:-0}" != 1 && -f "$stamp" ]] && read -r passed recorded <"$stamp" &&
  [[ "$recorded" == "$fingerprint" ]] && git cat-file -e "$passed^{commit}" 2>/dev/null; then
  changed="$( (git diff --name-only "$passed" -- "${FOLDERS[@]}" &&
    git ls-files --others --exclude-standard -- "${FOLDERS[@]}") | sort -u)"
  if grep -q '\.h$' <<<"$changed"; then
    echo "tidy: a header changed since $passed: every file"
  else
    subset=()
    for file in "${sources[@]}"; do
      grep -qxF "$file" <<<"$changed" && subset+=("$file")
    done
    echo "tidy: ${#subset[@]} of ${#sources[@]} files changed since $passed, which passed"
    if ((${#subset[@]} == 0)); then
      exit 0
    fi
    sources=("${subset[@]}")
  fi
fi

# The tests' precompiled header is GCC's: clang-tidy reads each source without it, which also
# proves that each includes what it uses.
plain="$(mktemp -d)"
trap 'rm -rf "$plain"' EXIT
sed 's# -Winvalid-pch -include [^ ]*/cmake_pch\.hxx##g' "$database" >"$plain/compile_commands.json"

echo "tidy: $("$TIDY" --version | sed -n 's/.*LLVM version /clang-tidy /p') on ${#sources[@]} files, $JOBS at a time"
start=$SECONDS
status=0
# Each file's report is printed whole, so two running side by side do not interleave.
printf '%s\0' "${sources[@]}" |
  TIDY="$TIDY" BUILD="$plain" xargs -0 -n 1 -P "$JOBS" bash -c '
    if out=$("$TIDY" -p "$BUILD" --quiet --warnings-as-errors="*" "$1" 2>&1); then
      echo "  ok    $1"
    else
      printf "  FAIL  %s\n%s\n" "$1" "$out"
      exit 1
    fi' _ || status=$?
echo "tidy: $((SECONDS - start)) s"
if ((status != 0)); then
  echo "tidy: clang-tidy has findings (fix them, or NOLINT(check) with the reason)" >&2
  exit 1
fi
# Only a clean tree is a commit that passed: a change checked now and undone later is not.
if git rev-parse --verify -q HEAD >/dev/null &&
  [[ -z "$(git status --porcelain -- "${FOLDERS[@]}" .clang-tidy)" ]]; then
  echo "$(git rev-parse HEAD) $fingerprint" >"$stamp"
fi
