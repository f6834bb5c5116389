# Configure-time checks that the launcher's layers depend one way only.
#
# check_no_link_cycles(targets...): fails the configuration when one of the
# targets reaches itself through its link libraries (library A links B and B
# links A, directly or through others). Only targets of this project are
# followed.
function(check_no_link_cycles)
  foreach(start ${ARGN})
    set(queue ${start})
    set(seen "")
    while(queue)
      list(POP_FRONT queue current)
      if(NOT TARGET ${current})
        continue()
      endif()
      get_target_property(links ${current} LINK_LIBRARIES)
      if(NOT links)
        continue()
      endif()
      foreach(link ${links})
        if(NOT TARGET ${link})
          continue()
        endif()
        get_target_property(imported ${link} IMPORTED)
        if(imported)
          continue()
        endif()
        if(link STREQUAL start)
          message(FATAL_ERROR "Link cycle: ${start} is linked again through ${current}")
        endif()
        if(NOT link IN_LIST seen)
          list(APPEND seen ${link})
          list(APPEND queue ${link})
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()

# project_includes(file out): the project headers `file` includes, as paths
# from the source tree. A project header is one included by its path from the
# source tree ("folder/Name.h", in quotes or angle brackets, however the
# directive is spaced); system and library headers are not in the tree and
# are not weighed.
function(project_includes file out)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  set(headers "")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
    if(EXISTS ${CMAKE_SOURCE_DIR}/${header})
      list(APPEND headers ${header})
    endif()
  endforeach()
  set(${out} ${headers} PARENT_SCOPE)
endfunction()

# check_no_unit_cycles(directory...): fails the configuration when a unit (a
# header and its .cpp file, named alike) needs itself through the units its
# files include, in any of the folders given: A.cpp including B.h while
# B.cpp includes A.h is such a circle, though no header includes itself.
function(check_no_unit_cycles)
  set(units "")
  foreach(directory ${ARGN})
    file(GLOB files ${CMAKE_SOURCE_DIR}/${directory}/*.h ${CMAKE_SOURCE_DIR}/${directory}/*.cpp)
    foreach(file ${files})
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${file})
      string(REGEX REPLACE "\\.(h|cpp)$" "" unit "${relative}")
      string(MAKE_C_IDENTIFIER "${unit}" key)
      project_includes(${file} headers)
      foreach(header ${headers})
        string(REGEX REPLACE "\\.h$" "" needed "${header}")
        if(NOT needed STREQUAL unit)
          list(APPEND needs_${key} ${needed})
        endif()
      endforeach()
      list(APPEND units ${unit})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES units)
  foreach(start ${units})
    string(MAKE_C_IDENTIFIER "${start}" key)
    set(queue ${needs_${key}})
    set(seen "")
    while(queue)
      list(POP_FRONT queue current)
      if(current STREQUAL start)
        message(FATAL_ERROR "Circle between units: ${start} needs itself (through ${seen})")
      endif()
      if(current IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${current})
      string(MAKE_C_IDENTIFIER "${current}" next)
      list(APPEND queue ${needs_${next}})
    endwhile()
  endforeach()
endfunction()

# check_layer(directory ALLOWS folder... [HEADERS header...]): fails the
# configuration when a .h or .cpp file directly in `directory` (a folder
# relative to the source tree, e.g. launcher/update) includes a project
# header (see project_includes) from any folder but its own and the `ALLOWS`
# folders below it, other than the single `HEADERS` named (paths from the
# source tree): the one interface a layer may know of a folder it does not
# build on.
function(check_layer directory)
  cmake_parse_arguments(L "" "" "ALLOWS;HEADERS" ${ARGN})
  file(GLOB files ${CMAKE_SOURCE_DIR}/${directory}/*.h ${CMAKE_SOURCE_DIR}/${directory}/*.cpp)
  if(NOT files)
    message(FATAL_ERROR "check_layer: ${directory} holds no sources")
  endif()
  foreach(file ${files})
    project_includes(${file} headers)
    foreach(header ${headers})
      get_filename_component(folder "${header}" DIRECTORY)
      # A header named without a folder is the file's neighbour.
      if(folder STREQUAL "" OR folder STREQUAL directory OR folder IN_LIST L_ALLOWS OR header IN_LIST L_HEADERS)
        continue()
      endif()
      message(FATAL_ERROR "${file} includes ${header}: ${directory} may include only ${L_ALLOWS} ${L_HEADERS}")
    endforeach()
  endforeach()
endfunction()
