# okacore.dll for 32-bit Windows (included from the top-level CMakeLists.txt
# when building for Windows, with the okacore and okacore_objects targets
# defined).
#
# Every export is __stdcall and the DLL exports it under its decorated name,
# `_Name@N` with N the byte count of the arguments, and under no other name.
# The compiler's own dllexport would name them `Name@N`, so the header leaves
# OKA_API empty while building here and a module-definition file, generated
# from the compiled objects, lists `_Name@N = Name@N` for each. A C host
# declares the functions __stdcall and refers to `_Name@N` (the C name
# `Name@N`); the import library made with dlltool maps that to the DLL's
# export name (`Name@N == _Name@N`).

# SSE2 is the floor (every x86 processor Windows still runs on has it), and
# scalar floating point goes through it as on x86-64: IEEE double and float
# arithmetic without the x87's wider intermediates, so results match the
# 64-bit build. Size checks written against a 64-bit size_t are always
# false with a 32-bit one; they stay for the 64-bit build and are not
# reported here.
target_compile_options(okacore_objects PRIVATE -fopenmp -msse2 -mfpmath=sse -Wno-type-limits)

# okacore.dll, not libokacore.dll.
set_target_properties(okacore PROPERTIES PREFIX "")

# Static run times, so that the DLL needs nothing beyond the system's own
# DLLs: -static makes libgcc, libstdc++, libgomp, winpthread and zlib come
# from their archives (the Windows system libraries are import libraries
# anyway). The archives' debug sections are dropped; the symbol table stays
# (the export check disassembles functions by name).
target_link_options(okacore PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--no-undefined -Wl,--strip-debug)

# The module-definition files, rebuilt whenever an object changes: the
# exports are whatever stdcall C functions named OKA_* (and BankAdrs) the
# objects define, so new exports need no list to maintain.
set(OKACORE_DEF ${CMAKE_BINARY_DIR}/okacore.def)
set(OKACORE_IMPLIB_DEF ${CMAKE_BINARY_DIR}/okacore_implib.def)
set(OKACORE_OBJECT_LIST ${CMAKE_BINARY_DIR}/okacore_objects.txt)
file(GENERATE OUTPUT ${OKACORE_OBJECT_LIST} CONTENT "$<JOIN:$<TARGET_OBJECTS:okacore_objects>,\n>\n")
add_custom_command(
  OUTPUT ${OKACORE_DEF} ${OKACORE_IMPLIB_DEF}
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DOBJECT_LIST=${OKACORE_OBJECT_LIST} -DDLL_NAME=okacore.dll
          -DDEF=${OKACORE_DEF} -DIMPLIB_DEF=${OKACORE_IMPLIB_DEF} -P ${CMAKE_SOURCE_DIR}/cmake/make_def.cmake
  DEPENDS $<TARGET_OBJECTS:okacore_objects> ${OKACORE_OBJECT_LIST} ${CMAKE_SOURCE_DIR}/cmake/make_def.cmake
  COMMENT "Generating okacore.def from the exported functions"
  VERBATIM)
target_sources(okacore PRIVATE ${OKACORE_DEF})

# The import library: the one ld writes names the imports `__Name@N`, which
# no C host refers to; dlltool's replaces it after every link.
add_custom_command(
  TARGET okacore POST_BUILD
  COMMAND ${CMAKE_DLLTOOL} -m i386 -d ${OKACORE_IMPLIB_DEF} -l $<TARGET_LINKER_FILE:okacore>
  COMMENT "Writing the import library with dlltool"
  VERBATIM)
