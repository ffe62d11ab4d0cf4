# Run at install time (included by the install script): copies the DLLs that
# FILES import, and those these import in turn, from FOLDERS into DESTINATION,
# stripped with STRIP. Names are matched without regard to case, as Windows
# matches them; a DLL found in none of the folders is the system's and stays
# out.
#
# CMake's own file(GET_RUNTIME_DEPENDENCIES) lower-cases the names and then
# misses Qt6Core.dll on a case-sensitive file system, hence this.

cmake_policy(VERSION 3.25)

# The DLLs in the folders, by lower-case name (path_<name>).
foreach(folder ${FOLDERS})
  file(GLOB dlls LIST_DIRECTORIES false "${folder}/*.dll" "${folder}/*.DLL")
  foreach(dll ${dlls})
    get_filename_component(name ${dll} NAME)
    string(TOLOWER ${name} key)
    if(NOT DEFINED path_${key})
      set(path_${key} ${dll})
    endif()
  endforeach()
endforeach()

set(queue ${FILES})
set(done)
set(shipped)
while(queue)
  list(POP_FRONT queue file)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
  foreach(import ${imports})
    string(REGEX REPLACE "^DLL Name: " "" name "${import}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" key)
    if(key IN_LIST done)
      continue()
    endif()
    list(APPEND done ${key})
    if(DEFINED path_${key})
      list(APPEND shipped ${path_${key}})
      list(APPEND queue ${path_${key}})
    endif()
  endforeach()
endwhile()
list(SORT shipped)
file(INSTALL ${shipped} DESTINATION "${DESTINATION}")
# Without their debugging symbols (the compiler's run-time comes with them).
if(STRIP)
  foreach(dll ${shipped})
    get_filename_component(name ${dll} NAME)
    execute_process(COMMAND ${STRIP} --strip-unneeded "${DESTINATION}/${name}")
  endforeach()
endif()
