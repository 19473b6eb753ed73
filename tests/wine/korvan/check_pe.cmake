# Checks a Windows program's PE header: "PE\0\0" where the DOS header's e_lfanew points, the
# COFF machine (0x8664 for a 64-bit build, 0x14c for a 32-bit one), the optional header's magic
# (PE32+ 0x20b or PE32 0x10b) and the Windows GUI subsystem (2).
# Usage: cmake -DPROGRAM=korvan.exe -DBITS=8|4 -P check_pe.cmake
file(READ "${PROGRAM}" dos HEX OFFSET 60 LIMIT 4)
# Little-endian 16- and 32-bit numbers out of a hex string.
function(le_number hex out)
  string(LENGTH "${hex}" length)
  set(value "")
  while(length GREATER 0)
    math(EXPR length "${length} - 2")
    string(SUBSTRING "${hex}" ${length} 2 byte)
    string(APPEND value "${byte}")
  endwhile()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()
le_number("${dos}" pe)
file(READ "${PROGRAM}" header HEX OFFSET ${pe} LIMIT 94)
string(SUBSTRING "${header}" 0 8 signature)
string(SUBSTRING "${header}" 8 4 machine_hex)
string(SUBSTRING "${header}" 48 4 magic_hex)
string(SUBSTRING "${header}" 184 4 subsystem_hex)
le_number("${machine_hex}" machine)
le_number("${magic_hex}" magic)
le_number("${subsystem_hex}" subsystem)
if(BITS EQUAL 8)
  set(want_machine 34404)  # 0x8664
  set(want_magic 523)      # 0x20b
else()
  set(want_machine 332)    # 0x14c
  set(want_magic 267)      # 0x10b
endif()
if(NOT signature STREQUAL "50450000" OR NOT machine EQUAL want_machine OR
   NOT magic EQUAL want_magic OR NOT subsystem EQUAL 2)
  message(FATAL_ERROR "${PROGRAM}: signature ${signature}, machine ${machine} (want "
                      "${want_machine}), magic ${magic} (want ${want_magic}), subsystem "
                      "${subsystem} (want 2)")
endif()
message(STATUS "${PROGRAM}: PE, machine ${machine}, magic ${magic}, GUI subsystem")
