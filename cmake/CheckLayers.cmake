# Fails the build when a file includes a header from a layer above its own.
# The layers, lowest first:
#   platform <- xlib <- render <- scene, services <- app, config_dialog/logic
#   <- the front ends and the dialog's views (app/x11, app/win32, config_dialog/win32, config_dialog/gtk)
# Within a layer files may include each other; scene and services share one,
# as do the top layer's three folders (the Windows front end opens the dialog).
# Run as: cmake -DMG_SOURCE_DIR=<source> -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)

set(MG_LAYER_FOLDERS platform xlib render scene services app config_dialog/logic app/x11 app/win32 config_dialog/win32 config_dialog/gtk)
set(MG_LAYER_RANKS   0        1    2      3     3        4   4                   5       5         5                   5)

# The layer rank of a path relative to the source root; -1 outside the layers.
function(mg_layer_rank path out)
  set(best -1)
  set(bestLength 0)
  list(LENGTH MG_LAYER_FOLDERS count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    list(GET MG_LAYER_FOLDERS ${i} folder)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL "${folder}/" AND length GREATER bestLength)
      list(GET MG_LAYER_RANKS ${i} best)
      set(bestLength ${length})
    endif()
  endforeach()
  set(${out} ${best} PARENT_SCOPE)
endfunction()

set(violations "")
file(GLOB_RECURSE sources RELATIVE ${MG_SOURCE_DIR}
  ${MG_SOURCE_DIR}/platform/*.h ${MG_SOURCE_DIR}/platform/*.cpp
  ${MG_SOURCE_DIR}/xlib/*.h ${MG_SOURCE_DIR}/xlib/*.cpp
  ${MG_SOURCE_DIR}/render/*.h ${MG_SOURCE_DIR}/render/*.cpp
  ${MG_SOURCE_DIR}/scene/*.h ${MG_SOURCE_DIR}/scene/*.cpp
  ${MG_SOURCE_DIR}/services/*.h ${MG_SOURCE_DIR}/services/*.cpp
  ${MG_SOURCE_DIR}/app/*.h ${MG_SOURCE_DIR}/app/*.cpp
  ${MG_SOURCE_DIR}/config_dialog/*.h ${MG_SOURCE_DIR}/config_dialog/*.cpp)
foreach(source ${sources})
  mg_layer_rank("${source}" own)
  if(own LESS 0)
    continue()
  endif()
  file(STRINGS ${MG_SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
    mg_layer_rank("${header}" theirs)
    if(theirs GREATER own)
      string(APPEND violations "  ${source} includes ${header}\n")
    endif()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point up a layer:\n${violations}")
endif()
