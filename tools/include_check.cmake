# Fails when a file includes a project header that its target does not link.
#
#   cmake -DSOURCE_DIR=<project root> [-DGENERATOR=Ninja] -P tools/include_check.cmake
#
# Every library exports the project root as its include folder, so the compiler accepts any
# project header anywhere; this check holds the includes to the link edges instead. It reads the
# targets from CMake's file API, configuring the project in a scratch folder of its own (the
# file API answers only a query placed before the configuration), and the quoted includes from
# the sources:
# - a header belongs to the target that lists it among its sources, or else to the target that
#   compiles the .cpp file of the same name beside it;
# - a file may include a header of its own target or of a target its target depends on, and
#   nothing else of the project;
# - includes are named from the project root; one named from the includer's folder is an error;
# - a header that no target owns is an error, except the helpers of the tests and fuzz targets
#   (under tests/ or a tests/ or fuzz/ folder), which belong to whoever includes them: their own
#   includes are checked against each includer.
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<project root> -P include_check.cmake")
endif()
if(NOT GENERATOR)
  set(GENERATOR Ninja)
endif()
if(DEFINED ENV{TMPDIR} AND IS_DIRECTORY "$ENV{TMPDIR}")
  set(scratch_parent "$ENV{TMPDIR}")
else()
  set(scratch_parent /tmp)
endif()
string(RANDOM LENGTH 12 suffix)
set(scratch "${scratch_parent}/trovanel-include-check-${suffix}")
file(MAKE_DIRECTORY "${scratch}/.cmake/api/v1/query")
file(TOUCH "${scratch}/.cmake/api/v1/query/codemodel-v2")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${scratch}" -G "${GENERATOR}"
  RESULT_VARIABLE configured OUTPUT_VARIABLE configure_output ERROR_VARIABLE configure_output)
set(reply "${scratch}/.cmake/api/v1/reply")
file(GLOB index_files "${reply}/index-*.json")

# Everything the scratch configuration read is held in variables from here on: its folder goes
# before any verdict.
set(index "")
if(configured EQUAL 0 AND index_files)
  list(POP_BACK index_files index_file)
  file(READ "${index_file}" index)
  string(JSON codemodel_file GET "${index}" reply codemodel-v2 jsonFile)
  file(READ "${reply}/${codemodel_file}" codemodel)
  string(JSON configuration GET "${codemodel}" configurations 0)
  string(JSON target_count LENGTH "${configuration}" targets)
  math(EXPR last "${target_count} - 1")
  foreach(t RANGE ${last})
    string(JSON target_file GET "${configuration}" targets ${t} jsonFile)
    file(READ "${reply}/${target_file}" target_json_${t})
  endforeach()
endif()
file(REMOVE_RECURSE "${scratch}")
if(NOT index)
  message(FATAL_ERROR "configuring ${SOURCE_DIR} for its file API failed:\n${configure_output}")
endif()
set(source_dir "${SOURCE_DIR}")

# The values of one member of each entry of a JSON array (none when the array is absent).
function(json_member_values result json array member)
  set(values "")
  string(JSON count ERROR_VARIABLE absent LENGTH "${json}" ${array})
  if(NOT absent AND count GREATER 0)
    math(EXPR last_entry "${count} - 1")
    foreach(i RANGE ${last_entry})
      string(JSON value GET "${json}" ${array} ${i} ${member})
      list(APPEND values "${value}")
    endforeach()
  endif()
  set(${result} "${values}" PARENT_SCOPE)
endfunction()

# Pass one: each target's name, dependencies and sources, and the owner of each header.
set(target_names "")
foreach(t RANGE ${last})
  set(target "${target_json_${t}}")
  string(JSON name GET "${target}" name)
  string(JSON type GET "${target}" type)
  string(JSON id GET "${target}" id)
  list(APPEND target_names ${name})
  set(id_${id} ${name})
  set(type_${name} ${type})
  json_member_values(deps_${name} "${target}" dependencies id)
  json_member_values(paths "${target}" sources path)
  set(sources_${name} "")
  foreach(path IN LISTS paths)
    if(IS_ABSOLUTE "${path}" OR NOT path MATCHES "\\.(h|cpp)$")
      continue() # generated in the build folder, or not C++
    endif()
    list(APPEND sources_${name} ${path})
    if(path MATCHES "\\.h$")
      set(owner_${path} ${name})
    else()
      # A library's claim on the header beside its .cpp file beats a program's.
      string(REGEX REPLACE "\\.cpp$" ".h" twin "${path}")
      if(NOT type STREQUAL "EXECUTABLE" OR NOT DEFINED cpp_owner_${twin})
        set(cpp_owner_${twin} ${name})
      endif()
    endif()
  endforeach()
endforeach()

# What a target may reach: itself and every library it depends on, directly or not. Programs
# are never reached: depending on one only orders the build.
foreach(name IN LISTS target_names)
  set(reach_${name} ${name})
  set(pending ${deps_${name}})
  while(pending)
    list(POP_FRONT pending dep_id)
    set(dep ${id_${dep_id}})
    if(NOT dep OR dep IN_LIST reach_${name} OR type_${dep} STREQUAL "EXECUTABLE")
      continue()
    endif()
    list(APPEND reach_${name} ${dep})
    list(APPEND pending ${deps_${dep}})
  endwhile()
endforeach()

function(owner_of header result)
  if(DEFINED owner_${header})
    set(${result} ${owner_${header}} PARENT_SCOPE)
  elseif(DEFINED cpp_owner_${header})
    set(${result} ${cpp_owner_${header}} PARENT_SCOPE)
  elseif(header MATCHES "^tests/|/tests/|/fuzz/")
    set(${result} "(includer)" PARENT_SCOPE)
  else()
    set(${result} "" PARENT_SCOPE)
  endif()
endfunction()

# Pass two: every quoted include of every file of every target, following the includer-owned
# helpers into their own includes.
set(faults "")
foreach(name IN LISTS target_names)
  # The headers beside its .cpp files are the target's own too, whether listed or not.
  set(pending ${sources_${name}})
  foreach(file IN LISTS sources_${name})
    string(REGEX REPLACE "\\.cpp$" ".h" twin "${file}")
    if(NOT twin STREQUAL file AND cpp_owner_${twin} STREQUAL name)
      list(APPEND pending ${twin})
    endif()
  endforeach()
  set(seen "")
  while(pending)
    list(POP_FRONT pending file)
    if(file IN_LIST seen OR NOT EXISTS "${source_dir}/${file}")
      continue()
    endif()
    list(APPEND seen ${file})
    file(STRINGS "${source_dir}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
      if(NOT EXISTS "${source_dir}/${header}")
        # A header named from its includer's folder would slip past the owners above.
        get_filename_component(folder "${file}" DIRECTORY)
        if(EXISTS "${source_dir}/${folder}/${header}")
          list(APPEND faults "${file} includes ${header} from its own folder: name it from the project root")
        endif()
        continue()
      endif()
      owner_of("${header}" owner)
      if(owner STREQUAL "(includer)")
        list(APPEND pending ${header})
      elseif(owner STREQUAL "")
        list(APPEND faults "${header} (included by ${file}) belongs to no target: list it in its library's sources")
      elseif(NOT owner IN_LIST reach_${name})
        list(APPEND faults "${file} includes ${header} of ${owner}, which ${name} does not link")
      endif()
    endforeach()
  endwhile()
endforeach()

list(REMOVE_DUPLICATES faults)
list(LENGTH faults fault_count)
if(fault_count GREATER 0)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "${fault_count} include(s) across a missing link:\n  ${text}")
endif()
list(LENGTH target_names count)
message(STATUS "Every include of the ${count} targets stays within what the target links")
