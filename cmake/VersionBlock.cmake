# quorvel_add_version_block(<target>
#     [FILE_VERSION a.b.c.d] [BUILD_TYPE text] [FILE_TYPE APP|DLL]
#     [RESOURCE_FILENAME name | NO_RESOURCE_FILENAME])
#
# Gives <target> its version block: a generated source that places the
# encoded block in the ELF section ".quorvel_version" of the binary (layout:
# docs/version-block.md). Every value defaults to cmake/Version.cmake; the
# options let tests build binaries with another version or without a value.
set(QUORVEL_VERSION_BLOCK_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionBlock.cpp.in)

function(quorvel_cxx_literal out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

function(quorvel_add_version_block target)
  cmake_parse_arguments(VB "NO_RESOURCE_FILENAME" "FILE_VERSION;BUILD_TYPE;FILE_TYPE;RESOURCE_FILENAME" "" ${ARGN})
  if(NOT VB_FILE_VERSION)
    set(VB_FILE_VERSION
        "${QUORVEL_VERSION_MAJOR}.${QUORVEL_VERSION_MINOR}.${QUORVEL_VERSION_THIRD}.${QUORVEL_VERSION_FOURTH}")
  endif()
  if(NOT VB_FILE_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "quorvel_add_version_block: bad FILE_VERSION '${VB_FILE_VERSION}'")
  endif()
  set(VB_MAJOR ${CMAKE_MATCH_1})
  set(VB_MINOR ${CMAKE_MATCH_2})
  set(VB_THIRD ${CMAKE_MATCH_3})
  set(VB_FOURTH ${CMAKE_MATCH_4})
  if(NOT DEFINED VB_BUILD_TYPE)
    set(VB_BUILD_TYPE "${QUORVEL_BUILD_TYPE}")
  endif()
  if(NOT VB_FILE_TYPE)
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "EXECUTABLE")
      set(VB_FILE_TYPE APP)
    else()
      set(VB_FILE_TYPE DLL)
    endif()
  endif()
  if(VB_FILE_TYPE STREQUAL "APP")
    set(VB_FILE_TYPE_VALUE "pal::versionblock::kFileTypeApp")
  else()
    set(VB_FILE_TYPE_VALUE "pal::versionblock::kFileTypeDll")
  endif()
  if(NOT DEFINED VB_RESOURCE_FILENAME)
    set(VB_RESOURCE_FILENAME "${QUORVEL_RESOURCE_FILENAME}")
  endif()

  set(values
      ProductName "${QUORVEL_PRODUCT_NAME}"
      FileVersion "${VB_MAJOR}.${VB_MINOR}.${VB_THIRD}.${VB_FOURTH}"
      PartNumber "${QUORVEL_PART_NUMBER}"
      BetaEmail "${QUORVEL_BETA_EMAIL}"
      ClassNameGuid "${QUORVEL_CLASS_NAME_GUID}"
      BuildType "${VB_BUILD_TYPE}"
      LegalCopyright "${QUORVEL_LEGAL_COPYRIGHT}")
  if(NOT VB_NO_RESOURCE_FILENAME)
    list(APPEND values ResourceFilename "${VB_RESOURCE_FILENAME}")
  endif()
  set(VB_ENTRIES "")
  set(VB_COUNT 0)
  list(LENGTH values n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET values ${i} key)
    list(GET values ${j} value)
    quorvel_cxx_literal(key_lit "${key}")
    quorvel_cxx_literal(value_lit "${value}")
    string(APPEND VB_ENTRIES "        {${key_lit}, ${value_lit}},\n")
    math(EXPR VB_COUNT "${VB_COUNT} + 1")
  endforeach()

  set(out ${CMAKE_CURRENT_BINARY_DIR}/version_block/${target}.cpp)
  configure_file(${QUORVEL_VERSION_BLOCK_TEMPLATE} ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
  # The block needs only the layout header, not the core library.
  set_source_files_properties(${out} PROPERTIES INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/src)
endfunction()
