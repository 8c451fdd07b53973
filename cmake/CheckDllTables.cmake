# Checks a plugin DLL's export and import tables with objdump -p: it exports
# exactly plugMain and SetLogCallback, and imports only from system DLLs (and
# from the DLLs named in EXTRA_IMPORTS, for a test plugin's own helpers).
# With STRIPPED true it also checks that the DLL has no debug sections and
# no symbol table (objdump -h and -f).
# ffgl_add_plugin_library adds this check to the tests of every plugin DLL.
#   cmake -DOBJDUMP=... -DDLL=... [-DEXTRA_IMPORTS=a.dll;b.dll] [-DSTRIPPED=1]
#         -P CheckDllTables.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls kernel32.dll msvcrt.dll opengl32.dll user32.dll gdi32.dll advapi32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${result})")
endif()
string(REPLACE "\n" ";" lines "${table}")

set(exports "")
set(imports "")
set(in_export_names FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_export_names TRUE)
  elseif(in_export_names AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    list(APPEND exports "${CMAKE_MATCH_1}")
  elseif(in_export_names AND NOT line MATCHES "^[ \t]*$")
    set(in_export_names FALSE)
  elseif(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    list(APPEND imports "${dll}")
  endif()
endforeach()

list(SORT exports)
if(NOT exports STREQUAL "SetLogCallback;plugMain")
  message(FATAL_ERROR "${DLL} exports [${exports}], expected exactly [SetLogCallback;plugMain]")
endif()

string(TOLOWER "${EXTRA_IMPORTS}" extra)
set(foreign "")
foreach(dll IN LISTS imports)
  if(NOT dll IN_LIST system_dlls AND NOT dll IN_LIST extra)
    list(APPEND foreign "${dll}")
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${DLL} imports non-system DLLs: [${foreign}] (all imports: [${imports}])")
endif()

if(STRIPPED)
  execute_process(COMMAND ${OBJDUMP} -h -f ${DLL} OUTPUT_VARIABLE headers RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -h -f ${DLL} failed (${result})")
  endif()
  string(REGEX MATCHALL "[ \t](\\.debug[^ \t\n]*)" debug_sections "${headers}")
  if(debug_sections)
    message(FATAL_ERROR "${DLL} has debug sections:${debug_sections}")
  endif()
  if(headers MATCHES "HAS_SYMS")
    message(FATAL_ERROR "${DLL} has a symbol table")
  endif()
endif()
file(SIZE ${DLL} size)
message(STATUS "${DLL}: exports [${exports}], imports [${imports}], ${size} bytes")
