# Helpers that keep the targets uniform: warnings, the Qt-free core rule, test registration.

add_library(meldrix_warnings INTERFACE)
target_compile_options(meldrix_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsuggest-override -Wnon-virtual-dtor)
if(MELDRIX_WERROR)
    target_compile_options(meldrix_warnings INTERFACE -Werror)
endif()

set_property(GLOBAL PROPERTY MELDRIX_CORE_TARGETS "")

# A plain library of the core: no Qt include path reaches it, and the configure step fails if one
# of its sources includes Qt or one of its dependencies brings Qt in.
function(meldrix_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE meldrix_warnings)
    set_property(GLOBAL APPEND PROPERTY MELDRIX_CORE_TARGETS ${name})
    foreach(source IN LISTS ARG_SOURCES)
        get_filename_component(path ${source} ABSOLUTE)
        file(STRINGS ${path} qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
        if(qt_includes)
            message(FATAL_ERROR "${name}: ${source} includes Qt; the core stays free of Qt")
        endif()
    endforeach()
endfunction()

function(meldrix_check_core_is_qt_free)
    get_property(targets GLOBAL PROPERTY MELDRIX_CORE_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(deps ${target} LINK_LIBRARIES)
        foreach(dep IN LISTS deps)
            if(dep MATCHES "^Qt[0-9]*::")
                message(FATAL_ERROR "${target} links ${dep}; the core stays free of Qt")
            endif()
        endforeach()
    endforeach()
endfunction()

# A test that opens the shipped data set is told where it is and built after it.
function(meldrix_test_default_data name)
    target_compile_definitions(${name} PRIVATE MELDRIX_DEFAULT_BASE="${MELDRIX_DATA_DIR}/Default")
    add_dependencies(${name} meldrix_default_data)
endfunction()

# One GoogleTest executable per subsystem; DEFAULT_DATA for one that opens the shipped data set.
function(meldrix_gtest name)
    cmake_parse_arguments(ARG "DEFAULT_DATA" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} meldrix_testsupport GTest::gtest_main
        GTest::gmock meldrix_warnings)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "MELDRIX_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
    if(ARG_DEFAULT_DATA)
        meldrix_test_default_data(${name})
    endif()
endfunction()

# One Qt Test executable per widget or window, run offscreen; DEFAULT_DATA as above.
function(meldrix_qttest name)
    cmake_parse_arguments(ARG "DEFAULT_DATA" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test meldrix_testsupport meldrix_warnings)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;MELDRIX_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
    if(ARG_DEFAULT_DATA)
        meldrix_test_default_data(${name})
    endif()
endfunction()

# Qt code: strict string conversions, no Qt keywords.
function(meldrix_qt_strict target)
    target_compile_definitions(${target} PUBLIC QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
        QT_NO_KEYWORDS QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
endfunction()
