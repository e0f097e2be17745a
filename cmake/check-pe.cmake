cmake_minimum_required(VERSION 3.21)
# cmake -P check-pe.cmake: checks one PE file with objdump -p.
#   -DOBJDUMP= -DFILE= -DFORMAT=pei-i386|pei-x86-64 -DALLOWED_DLLS=a;b
#   [-DSUBSYSTEM="Windows GUI"] [-DEXPORTS=Name@ordinal;...] [-DARCH=x86|x64]
execute_process(COMMAND ${OBJDUMP} -p ${FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${FILE}")
endif()
set(failures "")

if(NOT dump MATCHES "file format ${FORMAT}")
  string(APPEND failures "\n  not a ${FORMAT} file")
endif()

if(SUBSYSTEM AND NOT dump MATCHES "Subsystem[ \t]+[0-9a-fA-F]+[ \t]+\\(${SUBSYSTEM}\\)")
  string(APPEND failures "\n  subsystem is not ${SUBSYSTEM}")
endif()

# Imports: system DLLs only (no MinGW runtime DLLs).
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
string(TOUPPER "${ALLOWED_DLLS}" allowed)
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" upper)
  if(NOT upper IN_LIST allowed)
    string(APPEND failures "\n  imports ${dll}")
  endif()
endforeach()

# Exports: exactly the given names at the given ordinals, and nothing else.
if(EXPORTS)
  string(REGEX MATCHALL "\t\\[ *[0-9]+\\] \\+base\\[ *[0-9]+\\] [0-9a-fA-F]+ [^\n]+" rows "${dump}")
  set(found "")
  foreach(row IN LISTS rows)
    string(REGEX REPLACE ".*\\+base\\[ *([0-9]+)\\] [0-9a-fA-F]+ ([^\n]+)" "\\2@\\1" entry "${row}")
    string(STRIP "${entry}" entry)
    list(APPEND found "${entry}")
  endforeach()
  list(SORT found)
  set(expected ${EXPORTS})
  list(SORT expected)
  if(NOT found STREQUAL expected)
    string(APPEND failures "\n  exports are [${found}], expected [${expected}]")
  endif()
  if(expected AND NOT dump MATCHES "Ordinal Base 2")
    string(APPEND failures "\n  ordinal base is not 2")
  endif()
endif()

if(failures)
  message(FATAL_ERROR "${FILE}:${failures}")
endif()
message(STATUS "${FILE}: ${FORMAT}, imports ${imports}")
