# add_delay_load_library(TARGET DLL FUNCTION...): an imported static library
# TARGET that imports the listed functions of the system DLL DLL (for example
# "version.dll") lazily, through the delay-load helper, instead of through the
# program's import table. Windows resolves the import table before the first
# line of the program runs, searching the program's own directory first for a
# DLL that is not a known system DLL; a delay-loaded DLL is loaded on the first
# call into it, after the program has restricted the search to the system
# directory (launcher/app/Main.cpp), and by full path from there.
#
# Only the listed functions are delay-loaded. A function the program calls but
# the list lacks comes from the DLL's ordinary import library and so appears
# in the import table, which tests/launcher/check-executable.sh refuses.
#
# Each function's delay-load stub (the code its import slot points to until the
# first call) sits in the same section as the function's jump thunk. GNU ld
# drops that section when no object names the thunk itself, which is the case
# for every caller whose header declares the function dllimport (WinINet, COM,
# the 7-Zip engine's OLE calls): the slot is then left 0 and the first call
# jumps to address 0. So every thunk is named as an undefined symbol at link
# time, which keeps its section. The i686 names carry the stdcall decoration
# (_InternetOpenA@20), read from MinGW's own import library.
set(_mingw_prefix "${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32")
find_program(MINGW_NM NAMES ${_mingw_prefix}-nm REQUIRED)
find_program(MINGW_DLLTOOL NAMES ${_mingw_prefix}-dlltool REQUIRED)

function(add_delay_load_library target dll)
  set(functions ${ARGN})
  if(NOT functions)
    message(FATAL_ERROR "add_delay_load_library(${target}): no functions listed for ${dll}")
  endif()
  get_filename_component(base "${dll}" NAME_WE)
  string(TOLOWER "${base}" base)
  find_file(import_lib_${base} NAMES lib${base}.a PATHS ${CMAKE_FIND_ROOT_PATH}/lib NO_DEFAULT_PATH REQUIRED)
  set(import_lib "${import_lib_${base}}")
  set(out_dir "${CMAKE_BINARY_DIR}/delayload")
  set(def "${out_dir}/${base}.def")
  set(lib "${out_dir}/lib${base}_delay.a")

  execute_process(COMMAND ${MINGW_NM} --defined-only "${import_lib}"
    OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result ERROR_QUIET)
  if(NOT nm_result EQUAL 0)
    message(FATAL_ERROR "${MINGW_NM} could not read ${import_lib}")
  endif()
  set(exports "")
  set(keep "")
  foreach(function ${functions})
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      # _Name@N: the thunk's symbol; the .def names it without the underscore.
      string(REGEX MATCH "[0-9a-fA-F]+ T _${function}@[0-9]+\n" thunk "${symbols}\n")
      string(REGEX REPLACE "^[0-9a-fA-F]+ T _|\n$" "" export "${thunk}")
      set(symbol "_${export}")
    else()
      string(REGEX MATCH "[0-9a-fA-F]+ T ${function}\n" thunk "${symbols}\n")
      set(export "${function}")
      set(symbol "${function}")
    endif()
    if(NOT thunk)
      message(FATAL_ERROR "${import_lib} has no function ${function}")
    endif()
    list(APPEND exports "${export}")
    list(APPEND keep "-Wl,--undefined=${symbol}")
  endforeach()
  list(JOIN exports "\n" body)
  file(MAKE_DIRECTORY "${out_dir}")
  file(WRITE "${def}.new" "LIBRARY ${dll}\nEXPORTS\n${body}\n")
  file(COPY_FILE "${def}.new" "${def}" ONLY_IF_DIFFERENT)
  file(REMOVE "${def}.new")

  # -k: the DLL exports the 32-bit stdcall functions without their @N suffix.
  set(kill_at "")
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(kill_at -k)
  endif()
  if(NOT EXISTS "${lib}" OR "${def}" IS_NEWER_THAN "${lib}")
    execute_process(COMMAND ${MINGW_DLLTOOL} ${kill_at} --dllname ${dll} --def "${def}" --output-delaylib "${lib}"
      RESULT_VARIABLE dlltool_result)
    if(NOT dlltool_result EQUAL 0)
      message(FATAL_ERROR "${MINGW_DLLTOOL} could not make ${lib}")
    endif()
  endif()

  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${lib}" INTERFACE_LINK_OPTIONS "${keep}")
endfunction()
