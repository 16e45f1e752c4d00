# Writes a gzipped manual page for PROGRAM from its own --help and --version, so that the page
# never lags behind the program. Run with cmake -P and:
#   PROGRAM       the built program
#   NAME          the one-line description for the NAME section
#   HELP_OPTION   how to ask for the help text (default --help)
#   VERSION_OPTION                        (default --version)
#   VERSION       the version, for a program that has no version option
#   INCLUDE       a help2man include file with the sections --help has no room for
#   COMMANDS      ON: also print each command's own --help (from the "Commands:" list)
#   OUTPUT        the .1.gz to write
cmake_minimum_required(VERSION 3.25)

foreach(var PROGRAM NAME INCLUDE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ManPage.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT DEFINED HELP_OPTION)
  set(HELP_OPTION --help)
endif()
if(NOT DEFINED VERSION_OPTION)
  set(VERSION_OPTION --version)
endif()
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

get_filename_component(program_dir "${PROGRAM}" DIRECTORY)
get_filename_component(program_name "${PROGRAM}" NAME)
# Run by bare name so that usage lines built from argv[0] show no build path.
set(ENV{PATH} "${program_dir}:$ENV{PATH}")

# Text for a roff no-fill block: escapes, and no line may start a request.
function(roff_literal text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${INCLUDE}" include_text)
if(COMMANDS)
  execute_process(COMMAND "${program_name}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${program_name} --help failed: ${status}")
  endif()
  string(REGEX MATCH "\nCommands:\n[^\n]*(\n[^\n]+)*" commands_block "${help}")
  string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${commands_block}")
  if(NOT commands)
    message(FATAL_ERROR "${program_name} --help lists no commands")
  endif()
  string(APPEND include_text "[COMMANDS IN DETAIL]\n")
  foreach(command ${commands})
    string(STRIP "${command}" command)
    execute_process(COMMAND "${program_name}" ${command} --help
                    OUTPUT_VARIABLE command_help RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${program_name} ${command} --help failed: ${status}")
    endif()
    roff_literal("${command_help}" command_help)
    string(APPEND include_text ".SS ${command}\n.nf\n${command_help}\n.fi\n")
  endforeach()
endif()

string(REGEX REPLACE "\\.gz$" "" page "${OUTPUT}")
set(include_file "${page}.h2m")
file(WRITE "${include_file}" "${include_text}")

# help2man reads further usage lines only when they start with "or:" and unwrapped; the programs
# align them under the first and wrap them. A stand-in of the same name rewrites them.
set(shim_dir "${page}.shim")
file(MAKE_DIRECTORY "${shim_dir}")
file(WRITE "${shim_dir}/${program_name}"
     "#!/bin/sh\n"
     "PATH='${program_dir}':\"$PATH\" ${program_name} \"$@\" | "
     "awk -v program=${program_name} -f '${CMAKE_CURRENT_LIST_DIR}/UsageLines.awk'\n")
file(CHMOD "${shim_dir}/${program_name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ENV{PATH} "${shim_dir}:$ENV{PATH}")
if(DEFINED VERSION)
  set(version_args "--version-string=${VERSION}")
else()
  set(version_args "--version-option=${VERSION_OPTION}")
endif()
execute_process(
  COMMAND "${HELP2MAN}" --no-info --section=1 "--name=${NAME}"
          "--help-option=${HELP_OPTION}" ${version_args}
          "--include=${include_file}" "--output=${page}" "${program_name}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${program_name}: ${status}")
endif()
execute_process(COMMAND "${GZIP}" -9 -n -c "${page}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${page}: ${status}")
endif()
