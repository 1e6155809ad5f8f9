# The Windows host's windows on a screen: the condition dialog (template 130) driven by a second
# thread as a user drives it, with real message boxes, and the progress window (template 131)
# read back from its controls. They need an X server on KC_TEST_DISPLAY (Xvfb). The tests of
# this program take the display one at a time: two programs' dialogs and message boxes on one
# desktop would take the activation from each other.
set(KC_TEST_DISPLAY ":99" CACHE STRING "The X display on which the window tests show their windows")

add_executable(win32_window_tests
  ConditionDialogWindowTest.cpp
  ProgressWindowTest.cpp
  ScreenUser.cpp)
# The templates, icon and manifest of a shipped program: kcsakura's.
target_link_libraries(win32_window_tests PRIVATE kc_doubles kc_host kcsakura_resources GTest::gtest
                      GTest::gtest_main)
gtest_discover_tests(win32_window_tests ${KC_DISCOVERY}
                     PROPERTIES ENVIRONMENT "DISPLAY=${KC_TEST_DISPLAY}"
                                RESOURCE_LOCK kc_test_display
                                TIMEOUT 120)

# Shows a window filled as a run fills it, for the pictures in docs/ (screenshots.sh).
add_executable(kc_show_windows ShowWindows.cpp)
target_link_libraries(kc_show_windows PRIVATE kc_host kcsakura_resources)
target_link_options(kc_show_windows PRIVATE -municode)

# What Windows reads from each built program without running it: the editions' icons, every
# program's version information and manifest.
add_executable(win32_resource_tests ProgramResourcesTest.cpp)
target_link_libraries(win32_resource_tests PRIVATE kc_host version GTest::gtest GTest::gtest_main)
target_compile_definitions(win32_resource_tests PRIVATE "KC_WINDOWS_DIST=L\"Z:${KC_DIST}\"")
add_dependencies(win32_resource_tests ${KC_EDITIONS} kcbooks kccaller kcoffice kcview)
gtest_discover_tests(win32_resource_tests ${KC_DISCOVERY})

# Plays the user of a whole run across processes, for the end-to-end tests and the benchmark:
# kcuser.exe [options] -- kccaller.exe ... -- kcsakura.exe ... (not shipped).
add_executable(kcuser kcuser.cpp ScreenUser.cpp)
target_link_libraries(kcuser PRIVATE kc_host)

# The real dialog confirmed by kcuser.exe against the batch export of the same program, under
# Wine (KC_E2E_SKIP_100K=1 in the environment leaves out the 100k-entry books).
add_test(NAME windows_gui_end_to_end
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/windows-gui.sh ${KC_DIST} $<TARGET_FILE:kcuser>
                 ${CMAKE_SOURCE_DIR}/examples/sample-books ${CMAKE_CURRENT_BINARY_DIR}/windows-gui-e2e
                 ${CMAKE_BINARY_DIR}/wine-run ${KC_WINEPREFIX})
set_tests_properties(windows_gui_end_to_end PROPERTIES TIMEOUT 600
                     ENVIRONMENT DISPLAY=${KC_TEST_DISPLAY} RESOURCE_LOCK kc_test_display)

# kcview.exe started as Explorer starts it for a dropped file or a double click: the page beside the
# file and the message box of what failed, closed by its OK button.
add_executable(kcview_drop_tests KcviewDropTest.cpp RunAsUser.cpp ScreenUser.cpp)
target_link_libraries(kcview_drop_tests PRIVATE kc_host GTest::gtest GTest::gtest_main)
target_compile_definitions(kcview_drop_tests PRIVATE
  "KCVIEW_EXE=L\"Z:${KC_DIST}/kcview.exe\""
  "KCBOOKS_EXE=L\"Z:${KC_DIST}/kcbooks.exe\""
  "KCSAKURA_EXE=L\"Z:${KC_DIST}/kcsakura/kcsakura.exe\""
  "KC_DROP_WORK=L\"Z:${CMAKE_CURRENT_BINARY_DIR}/kcview-drop\""
  "KC_SAMPLE_BOOKS=L\"Z:${CMAKE_SOURCE_DIR}/examples/sample-books\""
  "KC_SAMPLE_EXPORT=\"Z:${CMAKE_SOURCE_DIR}/tests/e2e/expected/sample.xml\"")
add_dependencies(kcview_drop_tests kcview kcbooks kcsakura)
# Its cases quote kcview's English lines: Wine's user reads English messages.
gtest_discover_tests(kcview_drop_tests ${KC_DISCOVERY}
                     PROPERTIES ENVIRONMENT "DISPLAY=${KC_TEST_DISPLAY}"
                                ENVIRONMENT_MODIFICATION "KC_WINE_MESSAGES=set:C"
                                RESOURCE_LOCK kc_test_display
                                TIMEOUT 120)

# What a console shows after a program ran in it, for the console tests (not shipped).
add_executable(kc_console_shows ConsoleShows.cpp)
target_link_libraries(kc_console_shows PRIVATE kc_native)
target_link_options(kc_console_shows PRIVATE -municode)

# kcbooks and the edition's batch messages in a console, read back from its screen.
add_test(NAME windows_console_text
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/windows_console.sh ${KC_DIST}
                 ${CMAKE_SOURCE_DIR}/examples/sample-books ${CMAKE_CURRENT_BINARY_DIR}/windows-console
                 ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:kc_console_shows>)
set_tests_properties(windows_console_text PROPERTIES TIMEOUT 180
                     ENVIRONMENT DISPLAY=${KC_TEST_DISPLAY} RESOURCE_LOCK kc_test_display)

# kcbooks.exe's import window, driven by its control IDs: books dropped on the program, found,
# imported, and the edition's kcbooks.ini pointed at them; a refusal read back from the window.
add_executable(kcbooks_window_tests KcbooksWindowTest.cpp RunAsUser.cpp ScreenUser.cpp)
target_link_libraries(kcbooks_window_tests PRIVATE kc_host GTest::gtest GTest::gtest_main)
target_compile_definitions(kcbooks_window_tests PRIVATE
  "KCBOOKS_EXE=L\"Z:${KC_DIST}/kcbooks.exe\""
  "KC_IMPORT_WORK=L\"Z:${CMAKE_CURRENT_BINARY_DIR}/kcbooks-window\""
  "KC_SAMPLE_BOOKS=L\"Z:${CMAKE_SOURCE_DIR}/examples/sample-books\""
  "KC_INTERCHANGE=L\"Z:${CMAKE_SOURCE_DIR}/examples/interchange\"")
add_dependencies(kcbooks_window_tests kcbooks kcsakura)
gtest_discover_tests(kcbooks_window_tests ${KC_DISCOVERY}
                     PROPERTIES ENVIRONMENT "DISPLAY=${KC_TEST_DISPLAY}"
                                RESOURCE_LOCK kc_test_display
                                TIMEOUT 180)

# kcoffice.exe's window, driven by its control IDs: a clients' folder dropped on the program (a
# console of its own, hidden) or given at a command prompt (its console stays), the month run
# with 実行 and its summary handed to the .html association; a run that cannot start said in a box.
add_executable(kcoffice_window_tests KcofficeWindowTest.cpp RunAsUser.cpp ScreenUser.cpp)
target_link_libraries(kcoffice_window_tests PRIVATE kc_host GTest::gtest GTest::gtest_main)
target_compile_definitions(kcoffice_window_tests PRIVATE
  "KCOFFICE_EXE=L\"Z:${KC_DIST}/kcoffice.exe\""
  "KC_OFFICE_WORK=L\"Z:${CMAKE_CURRENT_BINARY_DIR}/kcoffice-window\""
  "KC_SAMPLE_BOOKS=L\"Z:${CMAKE_SOURCE_DIR}/examples/sample-books\"")
add_dependencies(kcoffice_window_tests kcoffice kcsakura)
gtest_discover_tests(kcoffice_window_tests ${KC_DISCOVERY}
                     PROPERTIES ENVIRONMENT "DISPLAY=${KC_TEST_DISPLAY}"
                                RESOURCE_LOCK kc_test_display
                                TIMEOUT 240)
