# Regenerates the system font's table into OUT and compares it byte for byte with the COMMITTED one.
execute_process(COMMAND ${GENERATOR} ${FONT} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the generator failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${COMMITTED} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "the system font's table differs from the committed file: rerun korvan_make_font_table")
endif()
