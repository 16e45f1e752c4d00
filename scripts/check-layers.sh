#!/usr/bin/env bash
# Proves that the layers' include folders keep every include pointing one way: for each layer, a
# probe file is compiled (syntax only) with the exact flags the build uses for one of that layer's
# own sources. A probe including what the layer may use must compile; each probe including a
# layer above it, or a widget header below ui/, must fail because the header is not found.
# Usage: scripts/check-layers.sh [BUILD_DIR]   (a configured build tree; default build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="$(cd "${1:-build/ci}" && pwd)"
[[ -f "$build_dir/compile_commands.json" ]] || {
    echo "check-layers: no compile_commands.json in $build_dir (configure it first)" >&2
    exit 2
}
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cat >"$work/check.cmake" <<'EOF'
# One header per layer, light enough for the compiling probes.
set(header_protocol protocol/Bridge.h)
set(header_config config/Regions.h)
set(header_platform platform/Adapters.h)
set(header_sim sim/SimBridge.h)
set(header_ui ui/controls/MessageBox.h)
set(header_app app/cli/Cli.h)
set(header_widgets QWidget)

# layer | a source of the layer whose flags the probes borrow | what it may use | what it may not
set(rules
  "protocol|protocol/Bridge.cpp|protocol|config platform sim ui app widgets"
  "config|config/Regions.cpp|config protocol|platform sim ui app widgets"
  "platform|platform/Platform.cpp|platform config protocol|sim ui app widgets"
  "sim|sim/SimEngine.cpp|sim config protocol|platform ui app widgets"
  "ui|ui/main/MainWindow.cpp|ui config protocol platform|sim app")

file(READ "${BUILD_DIR}/compile_commands.json" database)
string(JSON count LENGTH "${database}")
math(EXPR last "${count} - 1")
set(failures 0)
set(probes 0)

function(include_line header out)
  if(header MATCHES "/")
    set(${out} "#include \"${header}\"\n" PARENT_SCOPE)
  else()
    set(${out} "#include <${header}>\n" PARENT_SCOPE)
  endif()
endfunction()

foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" fields "${rule}")
  list(GET fields 0 layer)
  list(GET fields 1 source)
  list(GET fields 2 allowed)
  list(GET fields 3 forbidden)
  separate_arguments(allowed UNIX_COMMAND "${allowed}")
  separate_arguments(forbidden UNIX_COMMAND "${forbidden}")

  set(command "")
  foreach(i RANGE ${last})
    string(JSON file GET "${database}" ${i} file)
    if(file STREQUAL "${SOURCE_DIR}/${source}")
      string(JSON command GET "${database}" ${i} command)
      string(JSON directory GET "${database}" ${i} directory)
      break()
    endif()
  endforeach()
  if(command STREQUAL "")
    message(SEND_ERROR "${layer}: ${source} is not in the compile database")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  # The same compiler and flags, minus the output, dependency file and source.
  separate_arguments(words UNIX_COMMAND "${command}")
  set(flags "")
  set(skip_next FALSE)
  foreach(word IN LISTS words)
    if(skip_next)
      set(skip_next FALSE)
    elseif(word MATCHES "^-(o|c|MT|MF|MQ)$")
      set(skip_next TRUE)
    elseif(NOT word MATCHES "^-(MD|MMD)$")
      list(APPEND flags "${word}")
    endif()
  endforeach()

  # What the layer may use compiles: the probes below fail for the right reason only.
  set(text "")
  foreach(used IN LISTS allowed)
    include_line("${header_${used}}" line)
    string(APPEND text "${line}")
  endforeach()
  set(probe "${PROBE_DIR}/${layer}_uses_allowed.cpp")
  file(WRITE "${probe}" "${text}")
  execute_process(COMMAND ${flags} -fsyntax-only "${probe}" WORKING_DIRECTORY "${directory}"
    RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  math(EXPR probes "${probes} + 1")
  if(NOT result EQUAL 0)
    message(SEND_ERROR "${layer} cannot include what it may use (${allowed}):\n${errors}")
    math(EXPR failures "${failures} + 1")
  endif()

  foreach(above IN LISTS forbidden)
    set(header "${header_${above}}")
    include_line("${header}" text)
    set(probe "${PROBE_DIR}/${layer}_uses_${above}.cpp")
    file(WRITE "${probe}" "${text}")
    execute_process(COMMAND ${flags} -fsyntax-only "${probe}" WORKING_DIRECTORY "${directory}"
      RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
    math(EXPR probes "${probes} + 1")
    string(FIND "${errors}" "${header}" named)
    if(result EQUAL 0)
      message(SEND_ERROR "${layer} may include ${header} (${above}): the layers leak")
      math(EXPR failures "${failures} + 1")
    elseif(named EQUAL -1 OR NOT errors MATCHES "No such file|file not found")
      message(SEND_ERROR "${layer} including ${header} failed, but not as a missing file:\n"
                         "${errors}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "check-layers: ${failures} of ${probes} probes went wrong")
endif()
message(STATUS "check-layers: ${probes} probes, every include points the allowed way")
EOF

mkdir -p "$work/probes"
cmake -DBUILD_DIR="$build_dir" -DSOURCE_DIR="$PWD" -DPROBE_DIR="$work/probes" -P "$work/check.cmake"
