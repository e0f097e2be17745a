# cmake -P build-host.cmake -DREADME= -DCC= -DOBJDUMP= -DUNPACKED= -DDIR=
# Builds the host example of the README ("Using Dialkit from a host") the
# way an installer author would: against an unpacked package and nothing
# else. On x86 the stdcall names it calls must reach the plain exports; it
# calls the wide ones.
file(READ ${README} readme)
string(FIND "${readme}" "\n## Using Dialkit from a host" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${README} has no section 'Using Dialkit from a host'")
endif()
string(SUBSTRING "${readme}" ${at} -1 section)
if(NOT section MATCHES "\n```c\n(.*)")
  message(FATAL_ERROR "no C example in the README's host section")
endif()
set(code "${CMAKE_MATCH_1}")
string(FIND "${code}" "\n```" end)
string(SUBSTRING "${code}" 0 ${end} code)

file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
file(WRITE ${DIR}/host.c "${code}\n")
execute_process(
  COMMAND ${CC} -Wall -Wextra -Werror -Os -I${UNPACKED}/include host.c
    -L${UNPACKED}/lib -lDialkit -static -s -o host.exe
  WORKING_DIRECTORY ${DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the README's host example does not build against the package")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${DIR}/host.exe OUTPUT_VARIABLE dump)
if(NOT dump MATCHES "DLL Name: Dialkit.dll\n[^\n]*\n(([^\n]+\n)+)")
  message(FATAL_ERROR "host.exe does not import Dialkit.dll")
endif()
string(REGEX MATCHALL "[^ \t\n]+\n" names "${CMAKE_MATCH_1}")
string(REPLACE "\n" "" names "${names}")
list(SORT names)
if(NOT names STREQUAL "ListRASConnectionsW;ListTAPIModemsQuietW;ListTAPIModemsW")
  message(FATAL_ERROR "host.exe imports [${names}] from Dialkit.dll")
endif()
message(STATUS "${DIR}/host.exe imports ${names} from Dialkit.dll")
