# Fails when a program imports a DLL statically that is not one of the
# system's known DLLs: the loader would take a copy put beside the program
# before the system's own. comctl32 comes through the manifest's
# side-by-side binding. Every other DLL is loaded at run time from the
# system folder.
#   cmake -DOBJDUMP=<objdump> -P ImportTable.cmake <program>...
cmake_minimum_required(VERSION 3.25)

set(known advapi32 combase comctl32 comdlg32 gdi32 imm32 kernel32 msvcrt ntdll ole32 oleaut32 rpcrt4 sechost
    setupapi shcore shell32 shlwapi user32 ws2_32)

# The programs are the arguments after the script's name.
set(programs)
set(past_script FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 1 ${last})
    math(EXPR before "${i} - 1")
    if(past_script)
        list(APPEND programs "${CMAKE_ARGV${i}}")
    elseif("${CMAKE_ARGV${before}}" STREQUAL "-P")
        set(past_script TRUE)
    endif()
endforeach()
if(NOT programs)
    message(FATAL_ERROR "no program named")
endif()

set(unknown)
foreach(program IN LISTS programs)
    execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${table}")
    if(failed OR NOT imports)
        message(FATAL_ERROR "${program}: no import table read")
    endif()
    foreach(line IN LISTS imports)
        string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" dll)
        string(REGEX REPLACE "\\.dll$" "" name "${dll}")
        message(STATUS "${program}: ${dll}")
        if(NOT name IN_LIST known)
            list(APPEND unknown "${program}: ${dll}")
        endif()
    endforeach()
endforeach()
if(unknown)
    list(JOIN unknown "\n  " lines)
    message(FATAL_ERROR "imported statically, though not a known DLL of the system:\n  ${lines}")
endif()
