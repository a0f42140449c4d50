# Debian source packages that scripts/setup.sh unpacks into ~/.cache/tovak
# and that the build compiles itself (libsquish, and libspng and zlib for
# Windows). No third-party source is part of this tree.
include_guard(GLOBAL)

# Sets `variable` (a cache path a user may set to another unpacked copy) to
# the newest unpacked copy matching `pattern`, checked by one file it must
# hold; stops with a message naming the setup script when there is none.
function(tovak_source_package variable pattern marker)
  if(NOT ${variable})
    file(GLOB candidates LIST_DIRECTORIES true "$ENV{HOME}/.cache/tovak/${pattern}")
    if(candidates)
      list(SORT candidates COMPARE NATURAL ORDER DESCENDING)
      list(GET candidates 0 first)
      set(${variable} "${first}" CACHE PATH "Unpacked ${pattern} source package (made by scripts/setup.sh)")
    endif()
  endif()
  if(NOT EXISTS "${${variable}}/${marker}")
    message(FATAL_ERROR
      "The ${pattern} source is missing: no ${marker} in '${${variable}}'. "
      "Run 'bash scripts/setup.sh' to fetch Debian's source package, "
      "or set ${variable} to an unpacked copy.")
  endif()
endfunction()
