# Fails unless the program imports only DLLs that every Windows system has:
# the product ships as one file. Run as
#   cmake -DEXE=path -DOBJDUMP=path -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)
set(system_dlls
    advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll
    ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll ws2_32.dll)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
if(NOT names)
  message(FATAL_ERROR "no imports found in ${EXE}")
endif()
foreach(entry IN LISTS names)
  string(REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${EXE} imports ${dll}, which is not a system DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
string(FIND "${dump}" "Subsystem		00000002" gui)
if(gui EQUAL -1)
  message(FATAL_ERROR "${EXE} is not a GUI-subsystem program")
endif()
