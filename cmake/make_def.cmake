# Writes the module-definition files of okacore.dll from the compiled
# objects.
#
#   cmake -DNM=<nm> -DOBJECT_LIST=<file, one object per line> -DDLL_NAME=okacore.dll
#         -DDEF=<out> -DIMPLIB_DEF=<out> -P make_def.cmake
#
# An export is every global function symbol `_OKA_<name>@<N>` or
# `_BankAdrs@<N>` in the objects: the COFF name of an extern "C" __stdcall
# function (leading underscore, argument bytes after the @). C++ functions
# carry mangled names and never match.
#
# DEF (for the linker):       _OKA_X@8 = OKA_X@8     exported as `_OKA_X@8`
# IMPLIB_DEF (for dlltool):   OKA_X@8 == _OKA_X@8    a host's `_OKA_X@8`
#                                                    imports `_OKA_X@8`
# In both, names on the right of `=` and on the left of `==` are C names: the
# tools add the COFF underscore themselves.
foreach(var NM OBJECT_LIST DLL_NAME DEF IMPLIB_DEF)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_def.cmake: ${var} not set")
  endif()
endforeach()

file(STRINGS ${OBJECT_LIST} objects)
if(NOT objects)
  message(FATAL_ERROR "make_def.cmake: no objects listed in ${OBJECT_LIST}")
endif()
execute_process(COMMAND ${NM} --defined-only --extern-only ${objects}
                OUTPUT_VARIABLE symbols ERROR_VARIABLE nm_errors RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_def.cmake: ${NM} failed: ${nm_errors}")
endif()

string(REPLACE "\n" ";" lines "${symbols}")
set(exports "")
foreach(line IN LISTS lines)
  if(line MATCHES " T _((OKA_[A-Za-z0-9_]+|BankAdrs)@[0-9]+)$")
    list(APPEND exports ${CMAKE_MATCH_1})
  endif()
endforeach()
list(REMOVE_DUPLICATES exports)
list(SORT exports)
list(LENGTH exports count)
if(count EQUAL 0)
  message(FATAL_ERROR "make_def.cmake: the objects define no exports")
endif()

set(def "LIBRARY ${DLL_NAME}\nEXPORTS\n")
set(implib "LIBRARY ${DLL_NAME}\nEXPORTS\n")
foreach(name IN LISTS exports)
  string(APPEND def "    _${name} = ${name}\n")
  string(APPEND implib "    ${name} == _${name}\n")
endforeach()
file(WRITE ${DEF} "${def}")
file(WRITE ${IMPLIB_DEF} "${implib}")
message(STATUS "okacore.dll: ${count} exports")
