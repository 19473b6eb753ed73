# Rebuilds the relief reference list with the native build (cmake -P) and compares it with the
# committed one. TOOL: relief_reference; LIST: the committed list; OUT: where to write.
file(STRINGS ${LIST} lines)
list(LENGTH lines frames)
execute_process(COMMAND ${TOOL} ${frames} OUTPUT_FILE ${OUT} RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "relief_reference failed with ${code}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${LIST} RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "${LIST} is not what this build renders (see ${OUT})")
endif()
