# cmake -DCASE=<case> -DWORK=<folder> -P check-layer.cmake
# Lays out a tree of two layers in WORK (high/ builds on low/), breaks it as
# CASE says, and checks it with check_layer as the build does. "holds"
# breaks nothing; "upward", "angle" and "spaced" have low/ include high/ in
# each spelling of the directive; "system" includes a library header
# spelled like a project folder; "interface" includes the one header of
# high/ that low/ may know, "beside" another header of high/; "circle" makes
# two units of low/ need each other through their .cpp files.
cmake_minimum_required(VERSION 3.20)
set(CMAKE_SOURCE_DIR ${WORK})
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/low/Low.h "#pragma once\n#include <windows.h>\n#include \"Neighbour.h\"\n")
file(WRITE ${WORK}/high/High.h "#pragma once\n#include \"low/Low.h\"\n")
file(WRITE ${WORK}/high/Port.h "#pragma once\n")
file(WRITE ${WORK}/low/Other.h "#pragma once\n")
file(WRITE ${WORK}/low/Other.cpp "#include \"low/Other.h\"\n")
set(lines_upward "#include \"high/High.h\"\n")
set(lines_angle "#include <high/High.h>\n")
set(lines_spaced "  #  include \"high/High.h\"\n")
set(lines_system "#include <gtest/gtest.h>\n")
set(lines_interface "#include \"high/Port.h\"\n")
set(lines_beside "#include \"high/Port.h\"\n#include \"high/High.h\"\n")
set(lines_circle "#include \"low/Other.h\"\n")
if(CASE STREQUAL "circle")
  file(WRITE ${WORK}/low/Other.cpp "#include \"low/Other.h\"\n#include \"low/Low.h\"\n")
endif()
file(WRITE ${WORK}/low/Low.cpp "#include \"low/Low.h\"\n${lines_${CASE}}")
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/Layering.cmake)
check_layer(low HEADERS high/Port.h)
check_layer(high ALLOWS low)
check_no_unit_cycles(low high)
message(STATUS "the layers hold")
