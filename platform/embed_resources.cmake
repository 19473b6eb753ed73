# Build-time embedding of a resource script (.rc) for the portable build: every line of the form
#   <id> <TYPE> "<file>"
# becomes an entry (numeric or named id, predefined or named type) with the file's bytes. The
# Windows build compiles the same script with windres.
#
# korvan_generate_resource_table(rc kind out_var): writes a C++ source for `rc` and returns its
#   path. kind "program" defines the program's table; kind "extra" registers an additional table
#   at start-up (tests use it for resource scripts of their own).
# korvan_embed_resources(target rc): adds an "extra" table for `rc` to `target`.

function(korvan_generate_resource_table rc kind out_var)
  set(KORVAN_EMBED_SCRIPT ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed_resources_run.cmake)
  # Named after the script's place in the project, not on this machine: the file's name ends
  # up in the debug information, and the same commit must build the same program anywhere.
  file(RELATIVE_PATH tag ${PROJECT_SOURCE_DIR} ${rc})
  string(MD5 tag "${tag}")
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resources_${kind}_${tag}.cpp)
  set(deps ${KORVAN_EMBED_SCRIPT})
  if(EXISTS ${rc})
    # Re-configure when the list changes, so the dependencies below follow it.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${rc})
    list(APPEND deps ${rc})
    get_filename_component(rc_dir ${rc} DIRECTORY)
    file(STRINGS ${rc} lines REGEX "^[ \t]*[A-Za-z0-9_]+[ \t]+[A-Za-z0-9_]+[ \t]+\"[^\"]+\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" file "${line}")
      list(APPEND deps ${rc_dir}/${file})
    endforeach()
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DRC=${rc} -DKIND=${kind} -DOUT=${out} -P ${KORVAN_EMBED_SCRIPT}
    DEPENDS ${deps}
    COMMENT "Embedding resources of ${rc}"
    VERBATIM)
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()

function(korvan_embed_resources target rc)
  korvan_generate_resource_table(${rc} extra src)
  # An object library of this directory owns the generating rule, so the target may live
  # anywhere (tests/ defines korvan_tests, tests/platform adds resources to it).
  string(MAKE_C_IDENTIFIER "${target}_${rc}" lib)
  string(MD5 lib "${lib}")
  set(lib korvan_resources_${lib})
  add_library(${lib} OBJECT ${src})
  target_link_libraries(${lib} PRIVATE korvan_winapi)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:${lib}>)
endfunction()
