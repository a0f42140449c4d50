# libimagequant, the converter's quantiser (GPL-3.0-or-later: only the
# converter links it, and only with TOVAK_QUANTISER on). Native builds use
# Debian's libimagequant-dev; the Windows build compiles Debian's source
# package, which scripts/setup.sh fetches into ~/.cache/tovak (or set
# TOVAK_IMAGEQUANT_SOURCE to another unpacked copy), into a static library,
# as cmake/libsquish.cmake does.
include_guard(GLOBAL)

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
  add_library(imagequant INTERFACE)
  target_link_libraries(imagequant INTERFACE PkgConfig::IMAGEQUANT)
  # Debian builds it with OpenMP. The converter runs files in parallel
  # itself, and OpenMP's spinning threads on top of its own cost more than
  # they give, so the quantiser asks for one thread (TOVAK_IMAGEQUANT_OPENMP).
  find_package(OpenMP REQUIRED COMPONENTS CXX)
  target_link_libraries(imagequant INTERFACE OpenMP::OpenMP_CXX)
  target_compile_definitions(imagequant INTERFACE TOVAK_IMAGEQUANT_OPENMP=1)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/source_package.cmake)
tovak_source_package(TOVAK_IMAGEQUANT_SOURCE "libimagequant-*" libimagequant.h)

set(imagequant_parts blur kmeans libimagequant mediancut mempool nearest pam)
list(TRANSFORM imagequant_parts PREPEND "${TOVAK_IMAGEQUANT_SOURCE}/")
list(TRANSFORM imagequant_parts APPEND ".c")
add_library(imagequant STATIC ${imagequant_parts})
target_include_directories(imagequant SYSTEM PUBLIC ${TOVAK_IMAGEQUANT_SOURCE})
set_target_properties(imagequant PROPERTIES C_STANDARD 99)
# OpenMP off, as for libsquish: the converter runs files in parallel itself.
# Its SSE code only where every CPU of the build's kind has SSE2 (x86-64).
target_compile_options(imagequant PRIVATE -w -fno-openmp)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_compile_definitions(imagequant PRIVATE USE_SSE=1)
endif()
