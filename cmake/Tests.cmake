if(CMAKE_CROSSCOMPILING)
  # GoogleTest is built from the source that Debian's googletest package ships.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(TAVRO_GTEST gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(TAVRO_GTEST GTest::gtest GTest::gmock)
endif()

add_executable(tavro_tests ${TAVRO_TEST_SOURCES} ${TAVRO_RESOURCE_SOURCES} tests/test_main.cpp)
set_target_properties(tavro_tests PROPERTIES ENABLE_EXPORTS ON)
target_link_libraries(tavro_tests PRIVATE tavro_core ${TAVRO_GTEST})
target_compile_definitions(tavro_tests PRIVATE TAVRO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# Unit tests run in a network namespace with only loopback (tests/isolated.sh):
# a test that reached for the network by mistake fails here instead of
# sending anything away.
add_test(NAME unit COMMAND bash ${CMAKE_SOURCE_DIR}/tests/isolated.sh
  ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:tavro_tests> --gtest_brief=1)
set_tests_properties(unit PROPERTIES TIMEOUT 600)

# Command-line and scenario tests: scripts under tests/ that run the built
# executable; each registers itself from tests/CMakeLists.txt. The native
# build runs them for both executables (tavro.exe under Wine), so a cross
# build registers none of its own.
if(NOT CMAKE_CROSSCOMPILING AND EXISTS ${CMAKE_SOURCE_DIR}/tests/CMakeLists.txt)
  add_subdirectory(tests)
endif()

# C programs checking the flat interface (tests/flat/), in every build: a
# Windows build runs the loopback ones under its emulator.
add_subdirectory(tests/flat ${CMAKE_BINARY_DIR}/tests/flat)
