# Checks that the executable EXE holds every message-box text and list entry
# of the window, as texts.h writes them, as exactly their Windows-1250 bytes
# (iconv's), terminator included.
#
#   cmake -DEXE=build/win32/ui/kalvor.exe -P ui/texts-cp1250.cmake
set(names TEXT_COEF_ENTRY TEXT_HEAT_ENTRY TEXT_AREA_ENTRY TEXT_ERROR_CAPTION TEXT_ERROR
    TEXT_EXIT_CAPTION TEXT_EXIT TEXT_ABOUT_CAPTION TEXT_ABOUT TEXT_INSTRUCTIONS_CAPTION
    TEXT_INSTRUCTIONS)
file(READ "${CMAKE_CURRENT_LIST_DIR}/texts.h" header)
string(REPLACE "\\\n" " " header "${header}")
file(READ "${EXE}" bytes HEX)
set(utf8 "${EXE}.text")
foreach(name IN LISTS names)
    string(REGEX MATCH "#define ${name} +([^\n]*)" found "${header}")
    set(text " ${CMAKE_MATCH_1} ")
    # The names of other texts it uses (the version), then the literals
    # joined and their line feeds.
    string(REGEX MATCHALL "#define [A-Z_]+ \"[^\"\n]*\"\n" simple "${header}")
    foreach(define IN LISTS simple)
        string(REGEX REPLACE "#define ([A-Z_]+) (\"[^\"]*\")\n" "\\1;\\2" pair "${define}")
        list(GET pair 0 other)
        list(GET pair 1 value)
        string(REPLACE " ${other} " " ${value} " text "${text}")
    endforeach()
    string(REGEX REPLACE "\" +\"" "" text "${text}")
    string(REGEX REPLACE "^ +\"|\" +$" "" text "${text}")
    string(REPLACE "\\n" "\n" text "${text}")
    file(WRITE "${utf8}" "${text}")
    execute_process(COMMAND iconv -f UTF-8 -t CP1250 "${utf8}" OUTPUT_FILE "${utf8}.1250"
                    RESULT_VARIABLE failed)
    file(READ "${utf8}.1250" expected HEX)
    string(FIND "${bytes}" "${expected}00" at)
    if(failed OR expected STREQUAL "" OR at EQUAL -1)
        message(FATAL_ERROR "${EXE} lacks ${name} as the Windows-1250 bytes ${expected}")
    endif()
endforeach()
