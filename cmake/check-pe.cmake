cmake_minimum_required(VERSION 3.21)
# cmake -P check-pe.cmake: checks one PE file with objdump -p.
#   -DOBJDUMP= -DFILE= -DFORMAT=pei-i386|pei-x86-64 -DALLOWED_DLLS=a;b
#   [-DSUBSYSTEM="Windows GUI"] [-DEXPORTS=Name@ordinal;...] [-DARCH=x86|x64]
#   [-DPOPS8=Name;...]   exports whose code must end in `ret $0x8` (stdcall)
#   [-DMAX_BYTES=n]      the file's size limit
#   [-DWINDRES=windres -DMANIFEST=ON]   an application manifest (type 24, id 1)
#                        that starts the program as its invoker, with no
#                        installer detection or file virtualization
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
# The name table rows "[i] Name" index the address table, whose rows give
# "[i] +base[ordinal] rva" (a stripped DLL names no symbols there).
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] \\+base\\[ *[0-9]+\\] [0-9a-fA-F]+" address_rows "${dump}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [A-Za-z_][^\n]*" name_rows "${dump}")
set(found "")
foreach(row IN LISTS name_rows)
  string(REGEX REPLACE "\t\\[ *([0-9]+)\\] ([^\n]+)" "\\1;\\2" pair "${row}")
  list(GET pair 0 index)
  list(GET pair 1 name)
  string(STRIP "${name}" name)
  foreach(address IN LISTS address_rows)
    if(address MATCHES "\\[ *${index}\\] \\+base\\[ *([0-9]+)\\] ([0-9a-fA-F]+)")
      list(APPEND found "${name}@${CMAKE_MATCH_1}")
      set(rva_${name} ${CMAKE_MATCH_2})
    endif()
  endforeach()
endforeach()
if(EXPORTS)
  list(SORT found)
  set(expected ${EXPORTS})
  list(SORT expected)
  if(NOT found STREQUAL expected)
    string(APPEND failures "\n  exports are [${found}], expected [${expected}]")
  endif()
  if(expected AND NOT dump MATCHES "Ordinal Base[ \t]+2\n")
    string(APPEND failures "\n  ordinal base is not 2")
  endif()
endif()

# stdcall: the callee pops its two pointer arguments. The first return
# after the entry is the function's own (no symbols survive stripping).
string(REGEX MATCH "ImageBase[ \t]+([0-9a-fA-F]+)" _ "${dump}")
set(image_base ${CMAKE_MATCH_1})
foreach(name IN LISTS POPS8)
  if(NOT DEFINED rva_${name})
    string(APPEND failures "\n  ${name} not exported")
    continue()
  endif()
  math(EXPR start "0x${image_base} + 0x${rva_${name}}" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR stop "${start} + 0x800" OUTPUT_FORMAT HEXADECIMAL)
  execute_process(COMMAND ${OBJDUMP} -d --start-address=${start} --stop-address=${stop} ${FILE}
    OUTPUT_VARIABLE code)
  string(REGEX MATCH "\tret[^\n]*" ret "${code}")
  if(NOT ret MATCHES "ret +\\$0x8")
    string(APPEND failures "\n  ${name} returns with '${ret}', not 'ret $0x8'")
  endif()
endforeach()

# Installers start profmerge from non-elevated processes: without these,
# Windows takes a 32-bit program with "install" in its version strings for a
# setup program (error 740), or virtualizes its writes.
if(MANIFEST)
  execute_process(COMMAND ${WINDRES} -i ${FILE} -O rc OUTPUT_VARIABLE rc RESULT_VARIABLE rc_result)
  # windres writes the resource as quoted lines between BEGIN and END.
  string(REGEX MATCH "\n1 24 [^\n]*\nBEGIN\n([^\n]*\n)*END" block "${rc}")
  string(REGEX MATCHALL "\"[^\n]*\"" lines "${block}")
  set(manifest "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^\"(.*)\"$" "\\1" line "${line}")
    string(REPLACE "\"\"" "\"" line "${line}")
    string(APPEND manifest "${line}")
  endforeach()
  if(NOT rc_result EQUAL 0 OR NOT manifest)
    string(APPEND failures "\n  no application manifest (resource type 24, id 1)")
  endif()
  set(needed
    "<requestedExecutionLevel[^>]* level=\"asInvoker\""
    "<requestedExecutionLevel[^>]* uiAccess=\"false\""
    "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\""  # Vista
    "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\""  # 7
    "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\""  # 8
    "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\""  # 8.1
    "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\""  # 10 and 11
    "<longPathAware[^>]*>true</longPathAware>")
  foreach(pattern IN LISTS needed)
    if(manifest AND NOT manifest MATCHES "${pattern}")
      string(APPEND failures "\n  the manifest lacks ${pattern}")
    endif()
  endforeach()
endif()

# Installers carry these files.
file(SIZE ${FILE} size)
if(MAX_BYTES AND size GREATER MAX_BYTES)
  string(APPEND failures "\n  ${size} bytes, more than ${MAX_BYTES}")
endif()

if(failures)
  message(FATAL_ERROR "${FILE}:${failures}")
endif()
message(STATUS "${FILE}: ${FORMAT}, ${size} bytes, imports ${imports}, pops 8: ${POPS8}")
