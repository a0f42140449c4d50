include_guard(GLOBAL)

# libsquish, compiled from Debian's source package into a static library.
# The source is not part of this tree: scripts/setup.sh fetches it into
# ~/.cache/tovak (or set TOVAK_SQUISH_SOURCE to another unpacked copy).
#
# OpenMP stays off: Debian's own build decompresses on OpenMP threads, and
# the plug-in must create no threads in its host. SIMD stays off too, so the
# DLL needs no SSE and both builds run the same scalar code.

if(NOT TOVAK_SQUISH_SOURCE)
  file(GLOB squish_candidates LIST_DIRECTORIES true "$ENV{HOME}/.cache/tovak/libsquish-*")
  if(squish_candidates)
    list(SORT squish_candidates COMPARE NATURAL ORDER DESCENDING)
    list(GET squish_candidates 0 squish_first)
    set(TOVAK_SQUISH_SOURCE "${squish_first}" CACHE PATH
        "Unpacked libsquish source package (made by scripts/setup.sh)")
  endif()
endif()

if(NOT EXISTS "${TOVAK_SQUISH_SOURCE}/squish.h")
  set(squish_where "$ENV{HOME}/.cache/tovak/libsquish-*")
  if(TOVAK_SQUISH_SOURCE)
    set(squish_where "${TOVAK_SQUISH_SOURCE}")
  endif()
  message(FATAL_ERROR
    "The libsquish source is missing: no squish.h in ${squish_where}. "
    "Run 'bash scripts/setup.sh' to fetch Debian's libsquish source package, "
    "or set TOVAK_SQUISH_SOURCE to an unpacked copy.")
endif()

add_library(squish STATIC
  ${TOVAK_SQUISH_SOURCE}/alpha.cpp
  ${TOVAK_SQUISH_SOURCE}/clusterfit.cpp
  ${TOVAK_SQUISH_SOURCE}/colourblock.cpp
  ${TOVAK_SQUISH_SOURCE}/colourfit.cpp
  ${TOVAK_SQUISH_SOURCE}/colourset.cpp
  ${TOVAK_SQUISH_SOURCE}/maths.cpp
  ${TOVAK_SQUISH_SOURCE}/rangefit.cpp
  ${TOVAK_SQUISH_SOURCE}/singlecolourfit.cpp
  ${TOVAK_SQUISH_SOURCE}/squish.cpp)
target_include_directories(squish SYSTEM PUBLIC ${TOVAK_SQUISH_SOURCE})
target_compile_definitions(squish PRIVATE SQUISH_USE_SSE=0 SQUISH_USE_ALTIVEC=0)
target_compile_options(squish PRIVATE -w -fno-openmp)
