# cmake -P check-contents.cmake -DZIP= -DBUILD= -DUNPACKED= -DFILES=a;b -DEXAMPLES= -DVERSION= -DARCH=
# The package holds exactly FILES (plus the examples folder when the source
# has one), in byte order, the same as `cmake --install` lays out
# and the same bytes as the build made.
set(failures "")

set(expected ${FILES})
if(EXISTS ${EXAMPLES})
  get_filename_component(source ${EXAMPLES}/.. ABSOLUTE)
  file(GLOB_RECURSE examples LIST_DIRECTORIES false RELATIVE ${source} ${EXAMPLES}/*)
  list(APPEND expected ${examples})
endif()
list(SORT expected)

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
string(REGEX REPLACE "\n$" "" listing "${listing}")
string(REPLACE "\n" ";" entries "${listing}")
if(NOT rc EQUAL 0)
  string(APPEND failures "\n  cannot list ${ZIP}")
endif()
if(NOT entries STREQUAL expected)
  string(APPEND failures "\n  holds [${entries}]\n  expected [${expected}] in this order")
endif()

get_filename_component(name ${ZIP} NAME)
if(NOT name STREQUAL "dialup-kit-${VERSION}-${ARCH}.zip")
  string(APPEND failures "\n  named ${name}")
endif()

# `cmake --install` into a fresh prefix: same files, same bytes.
set(prefix ${UNPACKED}/../installed)
file(REMOVE_RECURSE ${prefix})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
  OUTPUT_QUIET RESULT_VARIABLE rc)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
list(SORT installed)
if(NOT rc EQUAL 0 OR NOT installed STREQUAL expected)
  string(APPEND failures "\n  cmake --install gives [${installed}]")
endif()
foreach(file IN LISTS expected)
  file(SHA256 ${UNPACKED}/${file} packed)
  if(EXISTS ${prefix}/${file})
    file(SHA256 ${prefix}/${file} laid)
    if(NOT packed STREQUAL laid)
      string(APPEND failures "\n  ${file} differs from the installed one")
    endif()
  endif()
endforeach()
foreach(file bin/Dialkit.dll bin/profmerge.exe lib/libDialkit.a)
  file(SHA256 ${UNPACKED}/${file} packed)
  get_filename_component(base ${file} NAME)
  file(SHA256 ${BUILD}/${file} built)
  if(NOT packed STREQUAL built)
    string(APPEND failures "\n  ${file} is not the build's ${base}")
  endif()
endforeach()

# The package's README names its version and architecture, the whole
# export table and the examples it holds, in CR LF lines.
file(READ ${UNPACKED}/README.txt readme)
set(texts "${VERSION} (${ARCH})" "ListTAPIModems " "ListRASConnections " "LoadTAPILib"
  "UnLoadTAPILib" "LoadRASLib" "UnLoadRASLib" "ListTAPIModemsQuiet " "ListTAPIModemsW"
  "ListTAPIModemsQuietW" "ListRASConnectionsW")
if(EXISTS ${EXAMPLES})
  list(APPEND texts "examples/nsis/" "examples/inno/" "examples/msi/")
endif()
foreach(text IN LISTS texts)
  string(FIND "${readme}" "${text}" at)
  if(at EQUAL -1)
    string(APPEND failures "\n  README.txt lacks '${text}'")
  endif()
endforeach()
# Text reads drop CRs here: look at the bytes, one "xx " per byte.
file(READ ${UNPACKED}/README.txt bytes HEX)
string(REGEX REPLACE "(..)" " \\1" bytes "${bytes}")
string(REPLACE " 0d 0a" "" bare "${bytes}")
string(FIND "${bare}" " 0a" at)
string(FIND "${bytes}" " 0d 0a" crlf)
if(NOT at EQUAL -1 OR crlf EQUAL -1)
  string(APPEND failures "\n  README.txt has a line not ended by CR LF")
endif()

if(failures)
  message(FATAL_ERROR "${ZIP}:${failures}")
endif()
list(LENGTH entries count)
message(STATUS "${ZIP}: ${count} files as expected, same as cmake --install")
