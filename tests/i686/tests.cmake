# The i686 tests: the shipping 32-bit program and the 32-bit build of the tests under an emulated
# 32-bit Wine (scripts/i686-wine), in a session and with servers of their own. The pure logic's
# tests run whole; of the stories, those that reach the most 32-bit code. All are named i686.*.
foreach(program wine wineserver)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/wine32.sh.in ${VEMO_WINE_DIR}/bin/${program} @ONLY)
endforeach()
set(VEMO_WINE ${VEMO_WINE_DIR}/bin/wine)
set(wineserver ${VEMO_WINE_DIR}/bin/wineserver)
configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# The emulated Wine made (the first time, about ten minutes) or checked and registered again, a
# fresh copy of its prefix, then the same session as the 64-bit tests'.
set(session ${CMAKE_CURRENT_SOURCE_DIR}/wine-session.sh)
add_test(NAME i686.wine.setup COMMAND ${PROJECT_SOURCE_DIR}/scripts/i686-wine setup ${VEMO_WINE_DIR})
add_test(NAME i686.wine.session_start COMMAND ${session} start ${VEMO_WINE_DIR} ${VEMO_WINE} ${wineserver})
add_test(NAME i686.wine.session_stop COMMAND ${session} stop ${VEMO_WINE_DIR} ${wineserver})
set_tests_properties(i686.wine.setup PROPERTIES FIXTURES_SETUP i686.wine TIMEOUT 1800)
set_tests_properties(i686.wine.session_start PROPERTIES
    FIXTURES_SETUP i686.wine DEPENDS i686.wine.setup RESOURCE_LOCK wine)
set_tests_properties(i686.wine.session_stop PROPERTIES FIXTURES_CLEANUP i686.wine RESOURCE_LOCK wine)

vemo_windows_program(win_tests ${win_test_sources})
add_test(NAME i686.win_tests COMMAND win_tests)
set_tests_properties(i686.win_tests PROPERTIES FIXTURES_REQUIRED i686.wine RESOURCE_LOCK wine TIMEOUT 300)

# The servers of the stories, on addresses of their own. TLS is on localhost:995 and :993 in both
# builds: this one starts once the 64-bit tests' has stopped.
vemo_dovecot_fixture(i686.e2e_dovecot 127.0.0.160 one:first:1 two:second:0 three:third:7:2)
vemo_dovecot_fixture(i686.dialog_dovecot 127.0.0.180 one:first:2 two:second:5)
vemo_dovecot_fixture(i686.dovecot_tls localhost:995 alice:wonderland:3:1 bob:builder:0)
set_tests_properties(i686.dovecot_tls.start PROPERTIES DEPENDS dovecot_tls.stop)
target_compile_definitions(windows_support PUBLIC VEMO_E2E_DOVECOT="127.0.0.160"
    VEMO_DIALOG_DOVECOT="127.0.0.180"
    VEMO_TEST_CA="Z:${CMAKE_BINARY_DIR}/servers/i686.dovecot_tls/certs/ca.der")

# The stories start the shipping exe, built in build/win32, from beside the test program.
set(VEMO_SHIPPING_EXE ${PROJECT_SOURCE_DIR}/build/win32/vemo.exe CACHE FILEPATH "The shipping vemo.exe")
set(shipping_copy ${CMAKE_BINARY_DIR}/bin/vemo.exe)
add_custom_command(OUTPUT ${shipping_copy} DEPENDS ${VEMO_SHIPPING_EXE}
    COMMAND ${CMAKE_COMMAND} -E copy ${VEMO_SHIPPING_EXE} ${shipping_copy})
add_custom_target(shipping_exe DEPENDS ${shipping_copy})
set_target_properties(vemo PROPERTIES EXCLUDE_FROM_ALL ON)

# vemo_i686_stories(NAME SERVERS FIXTURE... SOURCES SOURCE... STORIES STORY...): a program of
# end-to-end stories of which the ones named run, each as a test with the program's servers.
function(vemo_i686_stories name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SERVERS;SOURCES;STORIES")
    vemo_windows_program(${name} ${arg_SOURCES})
    add_dependencies(${name} shipping_exe)
    target_link_libraries(${name} PRIVATE gdi32)
    target_compile_definitions(${name} PRIVATE VEMO_EXE_NAME="vemo.exe")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set(fixtures i686.wine ${arg_SERVERS})
    foreach(story ${arg_STORIES})
        add_test(NAME i686.e2e.${story} COMMAND ${name} --gtest_filter=${story})
        # Exactly one test passed: a filter that matches none would pass too.
        set_tests_properties(i686.e2e.${story} PROPERTIES PASS_REGULAR_EXPRESSION
            "\\[  PASSED  \\] 1 test\\." FIXTURES_REQUIRED "${fixtures}" RESOURCE_LOCK wine
            TIMEOUT 300)
    endforeach()
endfunction()

# Rounds at start-up over plain, APOP and TLS POP3 accounts and over IMAP ones, with the
# notification window's pixels, the dialogs against their templates, and a set-up typed into them,
# saved and read back.
vemo_i686_stories(e2e_round_tests SERVERS i686.e2e_dovecot i686.dovecot_tls
    SOURCES e2e/round_test.cpp
    STORIES Round.CountsTlsAccountsBesidePlainAndApopOnesInSlotOrder
            Round.CountsImapImapsAndPop3AccountsInSlotOrder)
vemo_i686_stories(e2e_dialog_tests SERVERS i686.dialog_dovecot
    SOURCES e2e/settings_dialog_test.cpp
    STORIES SettingsDialog.BothDialogsAreBuiltAsTheTemplatesSay
            SettingsDialog.SetUpFromNothingSavesExactlyWhatWasTyped)
