# libsquish, compiled from Debian's source package into a static library, for
# the targets that compress or check DXT blocks with it (the tests, the
# benchmarks, the sample writer); the plug-ins decode DXT themselves and
# never link it.
#
# OpenMP stays off: Debian's own build runs on OpenMP threads, and a tool
# that runs files in parallel itself wants no threads of libsquish's.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/source_package.cmake)

tovak_source_package(TOVAK_SQUISH_SOURCE "libsquish-*" squish.h)

set(squish_parts alpha clusterfit colourblock colourfit colourset maths rangefit
  singlecolourfit squish)
list(TRANSFORM squish_parts PREPEND "${TOVAK_SQUISH_SOURCE}/")
list(TRANSFORM squish_parts APPEND ".cpp")
add_library(squish STATIC ${squish_parts})
target_include_directories(squish SYSTEM PUBLIC ${TOVAK_SQUISH_SOURCE})
# The scalar code everywhere, so that every build compresses and decompresses
# alike.
target_compile_definitions(squish PRIVATE SQUISH_USE_SSE=0 SQUISH_USE_ALTIVEC=0)
target_compile_options(squish PRIVATE -w -fno-openmp)
