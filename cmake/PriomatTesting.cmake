# priomat_add_test(<folder> <subject> SOURCES ... LIBRARIES ...)
# Builds one Qt Test executable and registers it with CTest as <folder>.<subject>,
# headless, with a fixed locale and a timeout.
function(priomat_add_test folder subject)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES" ${ARGN})
    set(target test_${folder}_${subject})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_compile_definitions(${target} PRIVATE
        PRIOMAT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        PRIOMAT_BINARY_DIR="${PROJECT_BINARY_DIR}")
    add_test(NAME ${folder}.${subject} COMMAND ${target})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${folder}.${subject} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8")
endfunction()
