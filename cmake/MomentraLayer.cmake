# Ninja builds run moc again only when a file they already know changes, so a
# header added later (found by the globs below) would never be mocced. When
# the list of files of a target changes, drop its moc timestamp.
function(momentra_refresh_moc target files)
  string(SHA1 digest "${files}")
  if(NOT "${digest}" STREQUAL "${MOMENTRA_FILES_${target}}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp)
    set(MOMENTRA_FILES_${target} "${digest}" CACHE INTERNAL "")
  endif()
endfunction()

# Every layer sees only its own folders and those of the layers it links:
# its include root is a folder of the build tree that holds links to just
# those folders of src/. `#include "core/…"` works everywhere, while a core
# file that includes "platform/…", "media/…", "ui/…" or "app/…" does not
# compile. The include roots are handed down the link graph, so a layer sees
# what it links and nothing else.
function(momentra_include_root target)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${ARGN})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  set(${target}_include_root ${root} PARENT_SCOPE)
endfunction()

# Each layer is one library built from every source below its folders, so
# adding a class never means editing a list of files.
#   momentra_add_layer(TARGET FOLDER… [LINKS lib…] [EXCLUDE regex…])
# EXCLUDE leaves out the sources whose path matches, for parts built apart.
function(momentra_add_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 layer "" "" "LINKS;EXCLUDE")
  set(sources)
  foreach(folder ${layer_UNPARSED_ARGUMENTS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/src/${folder}/*.h)
    list(APPEND sources ${found})
  endforeach()
  foreach(pattern ${layer_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  if(NOT MOMENTRA_SELF_UPDATE)
    list(FILTER sources EXCLUDE REGEX "/updates/")
  endif()
  momentra_include_root(${target} ${layer_UNPARSED_ARGUMENTS})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${${target}_include_root})
  target_link_libraries(${target} PUBLIC ${layer_LINKS})
  momentra_refresh_moc(${target} "${sources}")
endfunction()
