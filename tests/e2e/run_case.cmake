# One end-to-end run of the program (cmake -P): runs it with ARGS, then checks its exit code,
# its standard output and the frames it captured.
#   KORVAN, FRAME_CHECK      the program and tests/e2e/frame_check
#   WORK                     a directory of this case's own (emptied first; --capture goes here)
#   ARGS                     the program's options, '|'-separated; @WORK@ stands for WORK
#   EXPECT_EXIT              the exit code
#   EXPECT_STDOUT            optional: a file the standard output must equal byte for byte
#   STDOUT_TO                optional: a file to send the standard output to instead (/dev/full)
#   STACK_KB                 optional: the stack size limit (ulimit -s) to run the program under
#   FRAMES, GOLDEN, KEY      optional: captured frames ('|'-separated) whose RGB CRC-32 must equal the lines
#                            "KEY frame crc" of GOLDEN
#   GOLDEN_PNG, GOLDEN_PNG_FRAME   optional: a committed picture that frame must equal
#   RELIEF                   optional: the reference list whose bands these frames must match
cmake_minimum_required(VERSION 3.25)

foreach(var KORVAN FRAME_CHECK WORK EXPECT_EXIT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_case.cmake needs -D${var}=...")
  endif()
endforeach()

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "@WORK@" "${WORK}" args "${args}")
# --frames ends every run by itself; the limit only keeps a broken run from hanging the suite.
set(korvan ${KORVAN})
if(DEFINED STACK_KB)
  set(korvan sh -c "ulimit -s ${STACK_KB} && exec \"$0\" \"$@\"" ${KORVAN})
endif()
if(DEFINED STDOUT_TO)
  execute_process(COMMAND ${korvan} ${args}
    OUTPUT_FILE ${STDOUT_TO} ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
  set(out "")
else()
  execute_process(COMMAND ${korvan} ${args}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code TIMEOUT 60)
endif()
file(WRITE ${WORK}/stdout.txt "${out}")

if(NOT code STREQUAL EXPECT_EXIT)
  fail("exit code ${code}, expected ${EXPECT_EXIT}; stderr: ${err}")
endif()
if(DEFINED EXPECT_STDOUT)
  file(READ ${EXPECT_STDOUT} expected)
  if(NOT out STREQUAL expected)
    fail("standard output differs from ${EXPECT_STDOUT} (got ${WORK}/stdout.txt)")
  endif()
endif()

function(frame_check result)
  execute_process(COMMAND ${FRAME_CHECK} ${ARGN}
    OUTPUT_VARIABLE value RESULT_VARIABLE code OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT code EQUAL 0)
    set(value "error")
  endif()
  set(${result} "${value}" PARENT_SCOPE)
endfunction()

# The capture names frames frame-000001.png, frame-000002.png, ...
function(captured_png result frame)
  string(LENGTH "${frame}" digits)
  math(EXPR missing "6 - ${digits}")
  string(REPEAT "0" ${missing} zeros)
  set(${result} ${WORK}/frame-${zeros}${frame}.png PARENT_SCOPE)
endfunction()

# The line of LIST_FILE that begins with PREFIX, or "none".
function(line_of result list_file prefix)
  file(STRINGS ${list_file} lines REGEX "^${prefix}")
  list(LENGTH lines count)
  if(count EQUAL 0)
    set(lines "none")
  endif()
  list(GET lines 0 line)
  set(${result} "${line}" PARENT_SCOPE)
endfunction()

string(REPLACE "|" ";" frames "${FRAMES}")
foreach(frame IN LISTS frames)
  captured_png(png ${frame})
  if(NOT EXISTS ${png})
    fail("frame ${frame} was not captured")
    continue()
  endif()
  frame_check(rgb rgb ${png})
  line_of(golden ${GOLDEN} "${KEY} ${frame} ")
  if(NOT golden STREQUAL "${KEY} ${frame} ${rgb}")
    fail("frame ${frame}: RGB CRC ${rgb}, golden '${golden}' (${png})")
  endif()
  if(DEFINED RELIEF)
    frame_check(bands bands ${png})
    line_of(reference ${RELIEF} "${frame} ")
    if(NOT reference STREQUAL "${frame} ${bands}")
      fail("frame ${frame}: relief/logo bands ${bands}, reference '${reference}'")
    endif()
  endif()
endforeach()

if(DEFINED GOLDEN_PNG)
  captured_png(png ${GOLDEN_PNG_FRAME})
  frame_check(want rgb ${GOLDEN_PNG})
  frame_check(got rgb ${png})
  if(NOT want STREQUAL got OR want STREQUAL "error")
    fail("frame ${GOLDEN_PNG_FRAME} differs from ${GOLDEN_PNG}")
  endif()
endif()

if(failures)
  message(FATAL_ERROR "korvan ${args}:\n${failures}")
endif()
