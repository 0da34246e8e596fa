# The GB18030 copies of the sources that the fuzz build compiles. clang keeps the bytes of a
# narrow literal as they stand in the source (warning of those that are not UTF-8, which the fuzz
# build silences), so the literals of a copy converted to GB18030 hold the bytes that GCC's
# -fexec-charset=GB18030 gives them. The copies are made when the build is configured, and again
# whenever a source changes, in ${TROVANEL_GB18030_COPIES}. A character whose GB18030 form ends
# in the byte of a backslash would turn into an escape or a line splice in the copy, so the
# conversion refuses every file that holds one.
set(TROVANEL_GB18030_COPIES ${CMAKE_BINARY_DIR}/gb18030)
# Ahead of the source tree, so that every project header is found in its copy.
include_directories(BEFORE ${TROVANEL_GB18030_COPIES})

# The characters whose GB18030 form is a lead byte and a backslash (0x5C), as UTF-8.
function(trovanel_backslash_ending_characters out)
  set(format "")
  foreach(lead RANGE 129 254)
    math(EXPR high "${lead} / 64")
    math(EXPR middle "${lead} / 8 % 8")
    math(EXPR low "${lead} % 8")
    string(APPEND format "\\${high}${middle}${low}\\134\\n")
  endforeach()
  execute_process(COMMAND printf "${format}" COMMAND iconv -f GB18030 -t UTF-8
                  OUTPUT_VARIABLE characters RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "iconv cannot convert from GB18030")
  endif()
  string(STRIP "${characters}" characters)
  string(REPLACE "\n" ";" characters "${characters}")
  set(${out} "${characters}" PARENT_SCOPE)
endfunction()

# Converts every C++ source and header under the folders (relative to the project) into
# ${TROVANEL_GB18030_COPIES}; a copy is rewritten only when its contents change.
function(trovanel_make_gb18030_copies)
  trovanel_backslash_ending_characters(refused)
  set(patterns "")
  foreach(folder IN LISTS ARGN)
    list(APPEND patterns ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  endforeach()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${patterns})
  # The subsystems' own tests folders are not part of the fuzz build (the shared helpers under
  # the top-level tests/ are).
  list(FILTER sources EXCLUDE REGEX "^[^/]+/(.*/)?tests/")
  foreach(source IN LISTS sources)
    set(original ${PROJECT_SOURCE_DIR}/${source})
    set(copy ${TROVANEL_GB18030_COPIES}/${source})
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${original})
    get_filename_component(folder ${copy} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    execute_process(COMMAND iconv -f UTF-8 -t GB18030 ${original} OUTPUT_FILE ${copy}.new
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${source} is not UTF-8")
    endif()
    file(SHA1 ${original} before)
    file(SHA1 ${copy}.new after)
    if(NOT before STREQUAL after)
      file(READ ${original} text)
      foreach(character IN LISTS refused)
        string(FIND "${text}" "${character}" at)
        if(NOT at EQUAL -1)
          message(FATAL_ERROR "${source} holds \"${character}\", whose GB18030 form ends in a "
                              "backslash: clang would read a different program in the copy")
        endif()
      endforeach()
    endif()
    file(COPY_FILE ${copy}.new ${copy} ONLY_IF_DIFFERENT)
    file(REMOVE ${copy}.new)
  endforeach()
  # A copy whose original is gone would still be found by an include.
  file(GLOB_RECURSE copies RELATIVE ${TROVANEL_GB18030_COPIES} ${TROVANEL_GB18030_COPIES}/*)
  list(REMOVE_ITEM copies ${sources})
  foreach(stale IN LISTS copies)
    file(REMOVE ${TROVANEL_GB18030_COPIES}/${stale})
  endforeach()
endfunction()

function(trovanel_targets_under directory out)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    trovanel_targets_under(${subdirectory} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Points every source of every target of the build that lies in the project at its copy.
function(trovanel_compile_gb18030_copies)
  trovanel_targets_under(${PROJECT_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY" OR type STREQUAL "UTILITY")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    get_target_property(sourceDir ${target} SOURCE_DIR)
    set(copies "")
    foreach(source IN LISTS sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${sourceDir} NORMALIZE
                 OUTPUT_VARIABLE original)
      set(path ${original})
      cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${original} NORMALIZE inProject)
      cmake_path(IS_PREFIX CMAKE_BINARY_DIR ${original} NORMALIZE generated)
      if(inProject AND NOT generated)
        cmake_path(RELATIVE_PATH original BASE_DIRECTORY ${PROJECT_SOURCE_DIR}
                   OUTPUT_VARIABLE relative)
        set(path ${TROVANEL_GB18030_COPIES}/${relative})
        if(NOT EXISTS ${path})
          message(FATAL_ERROR "target ${target}: no GB18030 copy of ${source}")
        endif()
        # The copy compiles as its original would, with the original's own settings.
        foreach(property COMPILE_DEFINITIONS COMPILE_OPTIONS INCLUDE_DIRECTORIES)
          get_source_file_property(value ${original} DIRECTORY ${sourceDir} ${property})
          if(value)
            set_source_files_properties(${path} DIRECTORY ${sourceDir}
                                        PROPERTIES ${property} "${value}")
          endif()
        endforeach()
      endif()
      list(APPEND copies ${path})
    endforeach()
    set_property(TARGET ${target} PROPERTY SOURCES ${copies})
  endforeach()
endfunction()
