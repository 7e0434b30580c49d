# The one source of the version numbers and the version-block strings of
# every binary we build.
set(QUORVEL_VERSION_MAJOR 2)
set(QUORVEL_VERSION_MINOR 1)
set(QUORVEL_VERSION_THIRD 0)
set(QUORVEL_VERSION_FOURTH 0)
set(QUORVEL_PRODUCT_NAME "Quorvel")
set(QUORVEL_PART_NUMBER "006-A0001-00")
set(QUORVEL_BETA_EMAIL "beta@quorvel.invalid")
set(QUORVEL_CLASS_NAME_GUID "{F3C4A02E-944C-483a-A32C-3F398B15A3C6}")
set(QUORVEL_BUILD_TYPE "Release" CACHE STRING "Build type text of the version block")
set(QUORVEL_LEGAL_COPYRIGHT "Copyright (C) 2026 Quorvel developers")
set(QUORVEL_RESOURCE_FILENAME "Quorvel_LANG.so")

# The tag of the environment that builds the program, shown by internal
# builds; an official release build sets its own.
set(QUORVEL_BUILD_ORIGIN "local" CACHE STRING "Build origin tag of the program information")
include(${CMAKE_CURRENT_LIST_DIR}/VersionBlock.cmake)
quorvel_cxx_literal(QUORVEL_BUILD_ORIGIN_LITERAL "${QUORVEL_BUILD_ORIGIN}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/ProgramBuild.h.in
               ${PROJECT_BINARY_DIR}/src/app/ProgramBuild.h @ONLY)
