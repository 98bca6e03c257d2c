# Unit tests: one GoogleTest program per folder group, so the Windows half runs
# under Wine as few processes as possible.
if(WIN32)
  # Cross-built from Debian's sources, with the same compiler as the program.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(MG_GTEST gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(MG_GTEST GTest::gtest GTest::gmock)
endif()

file(GLOB MG_TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/tests/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/xlib/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/app/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/render/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/scene/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/services/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/config_dialog/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/platform/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/${MG_PLATFORM}/*.cpp)
if(WIN32)
  # The dialog framework, with a template of the tests' own.
  list(APPEND MG_TEST_SOURCES ${CMAKE_SOURCE_DIR}/config_dialog/win32/CDialogBase.cpp
    ${CMAKE_SOURCE_DIR}/config_dialog/win32/Controls.cpp ${CMAKE_SOURCE_DIR}/tests/win32/TestDialogs.rc)
endif()
add_executable(meadowglow_tests ${MG_TEST_SOURCES})
if(NOT WIN32)
  # Downloads in the tests go through the helper beside them, as the program's do.
  add_dependencies(meadowglow_tests meadowglow-fetch)
endif()
# OSMesa gives the Linux rendering tests a context without a display; it comes
# before the core library so that its GL entry points are the ones bound.
target_link_libraries(meadowglow_tests PRIVATE ${MG_TEST_GL} mg_core ${MG_GTEST})
if(NOT WIN32)
  target_link_libraries(meadowglow_tests PRIVATE mg_front mg_gtk_view ${FREEIMAGE_LIBRARY})
endif()
target_compile_definitions(meadowglow_tests PRIVATE MG_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

if(WIN32)
  # Each Wine start costs a second or two: run the whole program as a few CTest
  # entries, split by suite, instead of one process per test case.
  add_test(NAME win.unit COMMAND meadowglow_tests --gtest_brief=1)
  # A Wine process that dies part-way can still exit 0: only gtest's own
  # closing line counts as a pass.
  set_tests_properties(win.unit PROPERTIES TIMEOUT 900
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ test"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
else()
  include(GoogleTest)
  gtest_discover_tests(meadowglow_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endif()

# End-to-end tests drive the real programs under a virtual display.
file(GLOB MG_E2E_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/${MG_E2E_PREFIX}_*.sh)
foreach(script ${MG_E2E_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  if(WIN32)
    add_test(NAME e2e.${name} COMMAND bash ${script} $<TARGET_FILE:meadowglow_scr>)
  else()
    add_test(NAME e2e.${name} COMMAND bash ${script} $<TARGET_FILE:meadowglow>)
  endif()
  set_tests_properties(e2e.${name} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 ENVIRONMENT "MG_SOURCE_DIR=${CMAKE_SOURCE_DIR};MG_BUILD_DIR=${CMAKE_BINARY_DIR}")
endforeach()
# Pages driven control by control: each step is a program start under Wine,
# and each page waits for the preview restart its change asks for.
foreach(pages e2e.win32_dialog_pages_a e2e.win32_dialog_pages_b)
  if(TEST ${pages})
    set_tests_properties(${pages} PROPERTIES TIMEOUT 600)
  endif()
endforeach()

# Small helper programs the end-to-end scripts drive the saver with.
add_executable(mg_mailcheck ${CMAKE_SOURCE_DIR}/tests/tools/mg_mailcheck.cpp)
target_link_libraries(mg_mailcheck PRIVATE mg_core)
if(WIN32)
  foreach(tool mg_winparent mg_sendclose mg_windeskman mg_dlgdrive)
    add_executable(${tool} ${CMAKE_SOURCE_DIR}/tests/tools/${tool}.cpp)
    target_include_directories(${tool} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${tool} PRIVATE user32 gdi32)
    target_link_options(${tool} PRIVATE ${MG_STATIC_LINK})
  endforeach()
  # Console program: the end-to-end test reads what it prints.
  add_executable(mg_mailconfig ${CMAKE_SOURCE_DIR}/tests/tools/mg_mailconfig.cpp)
  target_link_libraries(mg_mailconfig PRIVATE mg_core)
else()
  add_executable(mg_mailconfig ${CMAKE_SOURCE_DIR}/tests/tools/mg_mailconfig.cpp)
  target_link_libraries(mg_mailconfig PRIVATE mg_core)
  foreach(tool mg_xparent mg_xdeskman)
    add_executable(${tool} ${CMAKE_SOURCE_DIR}/tests/tools/${tool}.cpp)
    target_link_libraries(${tool} PRIVATE ${X11_LIBRARIES})
  endforeach()
endif()
