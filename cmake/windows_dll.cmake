# How tovak's Windows DLLs (the plug-in and the WIC decoder) are made: a
# module definition whose template binds each export to its 32-bit stdcall
# symbol (NAME=NAME@BYTES, so that a changed argument size fails the link;
# the 64-bit symbols are undecorated), a version resource, no exceptions or
# RTTI, a static runtime so that they import only
# system DLLs, unused sections dropped, no stdcall fix-up (it would quietly
# bind an export to a function of another argument size). They ship without
# symbols or debug sections; a copy with its symbols stays in unstripped/
# for the disassembly checks. Stripped with short section names, a DLL is
# byte for byte a link with -s.
include_guard(GLOBAL)

# `module` is the DLL's file name, which its export table and version
# resource record; `description` goes into the version resource.
function(tovak_windows_dll target def_template module description)
  file(READ ${def_template} def)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REGEX REPLACE "=[A-Za-z0-9_]+@[0-9]+" "" def "${def}")
  endif()
  set(TOVAK_MODULE ${module})
  set(TOVAK_DESCRIPTION ${description})
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${target}.def CONTENT "${def}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_template})
  configure_file(${PROJECT_SOURCE_DIR}/plugin/version.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.def
    ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  target_compile_options(${target} PRIVATE ${TOVAK_WARNINGS} ${TOVAK_CPU_FLAGS} -fno-exceptions
    -fno-rtti ${TOVAK_DLL_CODE_OPTIONS})
  target_link_options(${target} PRIVATE -static -Wl,--gc-sections)
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${target} PRIVATE -Wl,--disable-stdcall-fixup)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/unstripped
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}>
      ${CMAKE_BINARY_DIR}/unstripped/$<TARGET_FILE_NAME:${target}>
    COMMAND ${CMAKE_OBJCOPY} --strip-all --long-section-names disable $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
