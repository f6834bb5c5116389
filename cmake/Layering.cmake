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

# check_layer(directory ALLOWS folder...): fails the configuration when a .h
# or .cpp file directly in `directory` (a folder relative to the source tree,
# e.g. launcher/update) includes a project header from any folder but its own
# and the `ALLOWS` folders below it. A project header is one included by its
# path from the source tree ("folder/Name.h", in quotes or angle brackets,
# however the directive is spaced); system and library headers are not in
# the tree and are not weighed.
function(check_layer directory)
  cmake_parse_arguments(L "" "" "ALLOWS" ${ARGN})
  file(GLOB files ${CMAKE_SOURCE_DIR}/${directory}/*.h ${CMAKE_SOURCE_DIR}/${directory}/*.cpp)
  if(NOT files)
    message(FATAL_ERROR "check_layer: ${directory} holds no sources")
  endif()
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
      get_filename_component(folder "${header}" DIRECTORY)
      # A header named without a folder is the file's neighbour.
      if(folder STREQUAL "" OR folder STREQUAL directory OR folder IN_LIST L_ALLOWS)
        continue()
      endif()
      if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${header})
        continue()
      endif()
      message(FATAL_ERROR "${file} includes ${header}: ${directory} may include only ${L_ALLOWS}")
    endforeach()
  endforeach()
endfunction()
