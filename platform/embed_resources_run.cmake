# Run by korvan_generate_resource_table (cmake -P): turns the resource script RC into the C++
# source OUT holding its resources, as windres would lay them out. KIND is "program" or "extra".
# An ICON line becomes one RT_GROUP_ICON directory plus one RT_ICON per image, ids from 1.

set(entries "")
set(arrays "")
set(count 0)
# Icon images are numbered per module; tables added beside the program's count from 0x4000 so
# their RT_ICON ids cannot collide with the program's own.
if(KIND STREQUAL "program")
  set(next_icon_id 1)
else()
  set(next_icon_id 16384)
endif()

# Bytes as a C initializer, from hex digits.
function(hex_to_c hex out_var)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," c "${hex}")
  set(${out_var} "${c}" PARENT_SCOPE)
endfunction()

# Little-endian number of `size` bytes at byte `offset` of `hex`.
function(read_le hex offset size out_var)
  set(value "")
  math(EXPR last "${size} - 1")
  foreach(i RANGE ${last})
    math(EXPR pos "(${offset} + ${i}) * 2")
    string(SUBSTRING "${hex}" ${pos} 2 byte)
    set(value "${byte}${value}")
  endforeach()
  math(EXPR value "0x${value}")
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

# Two lower-case hex digits of a byte value.
function(byte_hex value out_var)
  math(EXPR h "${value}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" h "${h}")
  string(LENGTH "${h}" len)
  if(len LESS 2)
    set(h "0${h}")
  endif()
  set(${out_var} "${h}" PARENT_SCOPE)
endfunction()

# C expression for a resource name or type: a number, or an upper-case string as Windows keeps it.
function(name_expr token out_var)
  if(token MATCHES "^[0-9]+$")
    set(${out_var} "${token}, nullptr" PARENT_SCOPE)
  else()
    string(TOUPPER "${token}" upper)
    set(${out_var} "0, \"${upper}\"" PARENT_SCOPE)
  endif()
endfunction()

macro(add_entry id_expr type_expr hex)
  hex_to_c("${hex}" bytes)
  string(APPEND arrays "const unsigned char kData${count}[] = {${bytes}};\n")
  string(APPEND entries "    {${id_expr}, ${type_expr}, kData${count}, sizeof kData${count}},\n")
  math(EXPR count "${count} + 1")
endmacro()

# An .ico file: directory (6 bytes) + 16-byte entries pointing at the images. The group resource
# keeps the first 12 bytes of each entry and replaces the file offset by the RT_ICON id.
macro(add_icon id_expr hex)
  read_le("${hex}" 4 2 images)
  string(SUBSTRING "${hex}" 0 12 group)
  math(EXPR last "${images} - 1")
  foreach(i RANGE ${last})
    math(EXPR at "6 + 16 * ${i}")
    math(EXPR hex_at "${at} * 2")
    string(SUBSTRING "${hex}" ${hex_at} 24 head)
    read_le("${hex}" "${at} + 8" 4 size)
    read_le("${hex}" "${at} + 12" 4 offset)
    math(EXPR image_at "${offset} * 2")
    math(EXPR image_len "${size} * 2")
    string(SUBSTRING "${hex}" ${image_at} ${image_len} image)
    add_entry("${next_icon_id}, nullptr" "3, nullptr" "${image}")
    math(EXPR lo "${next_icon_id} % 256")
    math(EXPR hi "${next_icon_id} / 256")
    byte_hex(${lo} lo_hex)
    byte_hex(${hi} hi_hex)
    string(APPEND group "${head}${lo_hex}${hi_hex}")
    math(EXPR next_icon_id "${next_icon_id} + 1")
  endforeach()
  add_entry("${id_expr}" "14, nullptr" "${group}")
endmacro()

if(EXISTS "${RC}")
  get_filename_component(rc_dir "${RC}" DIRECTORY)
  file(STRINGS "${RC}" lines)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*([A-Za-z0-9_]+)[ \t]+([A-Za-z0-9_]+)[ \t]+\"([^\"]+)\"")
      continue()
    endif()
    set(id "${CMAKE_MATCH_1}")
    string(TOUPPER "${CMAKE_MATCH_2}" type)  # resource-script keywords ignore case
    set(file "${rc_dir}/${CMAKE_MATCH_3}")
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "${RC}: resource file ${CMAKE_MATCH_3} not found")
    endif()
    file(READ "${file}" hex HEX)
    name_expr("${id}" id_expr)
    if(type STREQUAL "ICON")
      add_icon("${id_expr}" "${hex}")
    elseif(type STREQUAL "RCDATA")
      add_entry("${id_expr}" "10, nullptr" "${hex}")
    elseif(type MATCHES "^(BITMAP|CURSOR|FONT|DIALOG|MENU|STRINGTABLE)$")
      message(FATAL_ERROR "${RC}: resource type ${type} is not supported by the portable build")
    else()
      name_expr("${type}" type_expr)
      add_entry("${id_expr}" "${type_expr}" "${hex}")
    endif()
  endforeach()
endif()

if(count EQUAL 0)
  set(table "nullptr, 0")
else()
  set(table "kEntries, ${count}")
  set(arrays "${arrays}const portable::ResourceEntry kEntries[] = {\n${entries}};\n")
endif()

if(KIND STREQUAL "program")
  set(tail "const portable::ResourceTable portable::g_programResources = {${table}};\n")
else()
  set(tail "static const portable::ResourceRegistrar s_registrar({${table}});\n")
endif()

get_filename_component(rc_name "${RC}" NAME)
set(text "// Generated at build time from ${rc_name}; edit the resource script, not this file.
#include \"portable/user/resource_table.h\"

namespace {
${arrays}}  // namespace

${tail}")
# Only touch the file when it changes, so an unchanged script costs no rebuild.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${text}")
