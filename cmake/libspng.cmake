# libspng, the PNG writer of the converter, and the zlib it deflates with.
# Native builds use Debian's libspng-dev. The Windows build compiles both
# from Debian's source packages, which scripts/setup.sh fetches into
# ~/.cache/tovak (or set TOVAK_SPNG_SOURCE and TOVAK_ZLIB_SOURCE to other
# unpacked copies), into static libraries, as cmake/libsquish.cmake does.
include_guard(GLOBAL)

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
  add_library(spng INTERFACE)
  target_link_libraries(spng INTERFACE PkgConfig::SPNG)
  return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/source_package.cmake)

tovak_source_package(TOVAK_ZLIB_SOURCE "zlib-*" zlib.h)
tovak_source_package(TOVAK_SPNG_SOURCE "libspng-*" spng/spng.h)

# Only what deflate and inflate need: the gz* file functions stay out.
set(zlib_parts adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil)
list(TRANSFORM zlib_parts PREPEND "${TOVAK_ZLIB_SOURCE}/")
list(TRANSFORM zlib_parts APPEND ".c")
add_library(tovak_zlib STATIC ${zlib_parts})
target_include_directories(tovak_zlib SYSTEM PUBLIC ${TOVAK_ZLIB_SOURCE})
target_compile_options(tovak_zlib PRIVATE -w)

# SPNG_DISABLE_OPT: no SSE filter code, so the executable runs on any x86
# as the plug-in does.
add_library(spng STATIC ${TOVAK_SPNG_SOURCE}/spng/spng.c)
target_include_directories(spng SYSTEM PUBLIC ${TOVAK_SPNG_SOURCE}/spng)
target_compile_definitions(spng PUBLIC SPNG_STATIC PRIVATE SPNG_DISABLE_OPT=1)
target_compile_options(spng PRIVATE -w)
target_link_libraries(spng PUBLIC tovak_zlib)
