# The floors of the house. Every folder is included by its own name ("ledger/Services.h"), and a
# folder's headers are visible only to the libraries that link the library that owns it: each
# library gets an include root of its own in the build tree that holds nothing but a link to its
# folder. So an include that runs from a lower floor up to a higher one does not build.
#
#   kc_layer(<target> FOLDER <folder> [SOURCES <file>...] [LINKS <target>...])
#
# With sources the target is a static library; without, a library of headers. LINKS are the
# floors below that the folder's own headers and sources use.
function(kc_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 layer "" "FOLDER" "SOURCES;LINKS")
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${layer_FOLDER})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${layer_FOLDER} ${root}/${layer_FOLDER} SYMBOLIC)
  endif()
  if(layer_SOURCES)
    add_library(${target} STATIC ${layer_SOURCES})
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC ${layer_LINKS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${root})
    target_link_libraries(${target} INTERFACE ${layer_LINKS})
  endif()
endfunction()
