# add_delay_load_library(TARGET DLL): an imported static library TARGET that
# imports every function of the system DLL DLL (for example "version.dll")
# lazily, through the delay-load helper, instead of through the program's
# import table. Windows resolves the import table before the first line of the
# program runs, searching the program's own directory first for a DLL that is
# not a known system DLL; a delay-loaded DLL is loaded on the first call into
# it, after the program has restricted the search to the system directory
# (launcher/Main.cpp), and by full path from there.
#
# The functions are those of MinGW's own import library for the DLL (its
# thunks, read with nm), so that whatever a library of the program imports
# from the DLL is covered. Data exports cannot be delay-loaded and are left out.
set(_mingw_prefix "${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32")
find_program(MINGW_NM NAMES ${_mingw_prefix}-nm REQUIRED)
find_program(MINGW_DLLTOOL NAMES ${_mingw_prefix}-dlltool REQUIRED)

function(add_delay_load_library target dll)
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
  string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\n]+" thunks "${symbols}")
  set(names "")
  foreach(thunk ${thunks})
    string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${thunk}")
    # 32-bit C symbols carry a leading underscore that the .def leaves out.
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    list(APPEND names "${name}")
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  if(NOT names)
    message(FATAL_ERROR "no functions found in ${import_lib}")
  endif()
  list(JOIN names "\n" body)
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
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION "${lib}")
endfunction()
