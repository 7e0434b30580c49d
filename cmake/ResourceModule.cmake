# quorvel_add_resource_module(<target> OUTPUT_NAME <file name without .so>
#     STRINGS <strings file> [TABLE <table file>] [GENERATED_DIR <dir>]
#     [DEPENDS <targets or files>] [FILE_VERSION a.b.c.d])
#
# Builds a resource module: a shared object with its version block that
# exports the resource directory made by quorvel_resgen from the strings
# and the table (format: lang/README.md). Files named "@name" in the table
# come from GENERATED_DIR. The module lands next to the executables.
function(quorvel_add_resource_module target)
  cmake_parse_arguments(RM "" "OUTPUT_NAME;STRINGS;TABLE;GENERATED_DIR;FILE_VERSION" "DEPENDS" ${ARGN})
  get_filename_component(strings ${RM_STRINGS} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
  set(args ${out} ${strings})
  set(depends ${strings} ${RM_DEPENDS})
  if(RM_TABLE)
    get_filename_component(table ${RM_TABLE} ABSOLUTE)
    get_filename_component(table_dir ${table} DIRECTORY)
    if(NOT RM_GENERATED_DIR)
      set(RM_GENERATED_DIR ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    list(APPEND args ${table} ${table_dir} ${RM_GENERATED_DIR})
    list(APPEND depends ${table})
    # Every listed file is a dependency, so editing one rebuilds the module.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    file(STRINGS ${table} rows REGEX "^[^#]")
    foreach(row IN LISTS rows)
      string(REGEX REPLACE "^[^\t]*\t[^\t]*\t" "" file "${row}")
      if(file MATCHES "^@(.*)$")
        list(APPEND depends ${RM_GENERATED_DIR}/${CMAKE_MATCH_1})
      else()
        list(APPEND depends ${table_dir}/${file})
      endif()
    endforeach()
  endif()
  add_custom_command(OUTPUT ${out}
                     COMMAND quorvel_resgen ${args}
                     DEPENDS quorvel_resgen ${depends}
                     COMMENT "Generating the resource directory of ${RM_OUTPUT_NAME}"
                     VERBATIM)
  add_library(${target} MODULE ${out})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX ".so"
                        OUTPUT_NAME ${RM_OUTPUT_NAME}
                        CXX_VISIBILITY_PRESET hidden)
  if(RM_FILE_VERSION)
    quorvel_add_version_block(${target} FILE_VERSION ${RM_FILE_VERSION})
  else()
    quorvel_add_version_block(${target})
  endif()
endfunction()
