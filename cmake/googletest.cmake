# GoogleTest from the distribution's sources, built for whichever target this tree builds.
set(VORANDECK_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(NOT EXISTS "${VORANDECK_GTEST_SOURCE}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${VORANDECK_GTEST_SOURCE} (install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# The same C runtime as the program: static.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
if(WIN32)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${VORANDECK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
endif()

# Registers one test executable with ctest. On Windows builds ctest runs it through
# Wine (the cross-compiling emulator); GUI tests additionally need a display, which
# the test script provides with Xvfb.
function(vorandeck_add_test target)
    vorandeck_warnings(${target})
    target_compile_definitions(${target} PRIVATE
        VORANDECK_TESTDATA="${VORANDECK_TESTDATA}")
    if(CMAKE_CROSSCOMPILING)
        # One Wine start per executable: starting it per test case would cost seconds each.
        add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
        set_tests_properties(${target} PROPERTIES TIMEOUT 300)
    else()
        include(GoogleTest)
        gtest_discover_tests(${target} PROPERTIES TIMEOUT 300 DISCOVERY_TIMEOUT 60)
    endif()
endfunction()
