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

# Each layer is one library built from every source below its folder, so
# adding a class never means editing a list of files.
function(momentra_add_layer target dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${dir}/*.cpp ${dir}/*.c ${dir}/*.h)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(cpp_sources ${sources})
  list(FILTER cpp_sources INCLUDE REGEX "\\.(cpp|c)$")
  if(cpp_sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    momentra_refresh_moc(${target} "${sources}")
    set(${target}_scope PUBLIC PARENT_SCOPE)
  else()
    # Nothing compiled yet: an interface library keeps the dependency graph.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    set(${target}_scope INTERFACE PARENT_SCOPE)
  endif()
endfunction()
