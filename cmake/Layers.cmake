# The floors of the house. Every folder is included by its own name ("ledger/Services.h"), and a
# folder's headers are visible only to the libraries that link the library that owns it: each
# library gets an include root of its own in the build tree that holds nothing but a link to its
# folder. So an include that runs from a lower floor up to a higher one does not build.
#
#   kc_layer(<target> FOLDER <folder> [SOURCES <file>...] [LINKS <target>...])
#
# With sources the target is a static library; without, a library of headers. LINKS are the
# floors below that the folder's own headers and sources use. A folder may lie deeper than the
# top level ("tools/kcview"): its root then holds the folders above it, empty but for that link.
#
# A folder has one owner. A second library that declared it, or a folder inside it or around it,
# would be a way round the floors (a library of its headers beside the library of its sources):
# the configuration stops.
function(kc_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 layer "" "FOLDER" "SOURCES;LINKS")
  if(NOT layer_FOLDER)
    message(FATAL_ERROR "kc_layer(${target}): no FOLDER")
  endif()
  string(REGEX REPLACE "/+$" "" layer_FOLDER ${layer_FOLDER})
  kc_layer_claim(${target} ${layer_FOLDER})
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  kc_layer_root(${root} ${layer_FOLDER})
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

# Makes `root` hold `folder` as a link to the source folder, and nothing else. A root an earlier
# configuration left with another link (a folder above this one, or another folder) would show
# more than the folder: it is made anew.
function(kc_layer_root root folder)
  set(link ${root}/${folder})
  set(source ${CMAKE_SOURCE_DIR}/${folder})
  # What the root should hold: the folders down to the link ("tools;tools/kcview").
  set(expected)
  set(path)
  string(REPLACE "/" ";" steps ${folder})
  foreach(step ${steps})
    if(path)
      set(path ${path}/${step})
    else()
      set(path ${step})
    endif()
    list(APPEND expected ${path})
  endforeach()
  # Links are listed, not followed.
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${root} ${root}/*)
  list(SORT entries)
  set(current FALSE)
  if(IS_SYMLINK ${link} AND entries STREQUAL expected)
    file(READ_SYMLINK ${link} target)
    if(target STREQUAL source)
      set(current TRUE)
    endif()
  endif()
  if(NOT current)
    # The links are removed, never what they lead to.
    file(REMOVE_RECURSE ${root})
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${source} ${link} SYMBOLIC)
  endif()
endfunction()

# Records `target` as the owner of `folder`, or stops the configuration when the folder, one
# inside it or one around it has an owner already. The owned folders are a global property.
function(kc_layer_claim target folder)
  get_property(owned GLOBAL PROPERTY KC_LAYER_FOLDERS)
  foreach(other ${owned})
    get_property(owner GLOBAL PROPERTY KC_LAYER_OWNER_${other})
    string(FIND "${folder}/" "${other}/" inside)
    string(FIND "${other}/" "${folder}/" around)
    if(folder STREQUAL other)
      message(FATAL_ERROR "kc_layer(${target}): ${folder} is owned by ${owner} already; "
                          "a folder has one library")
    elseif(inside EQUAL 0)
      message(FATAL_ERROR "kc_layer(${target}): ${folder} lies inside ${other}, owned by "
                          "${owner}, whose include root shows it already")
    elseif(around EQUAL 0)
      message(FATAL_ERROR "kc_layer(${target}): ${folder} holds ${other}, owned by ${owner}; "
                          "its include root would show that folder too")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY KC_LAYER_FOLDERS ${folder})
  set_property(GLOBAL PROPERTY KC_LAYER_OWNER_${folder} ${target})
endfunction()
