# Host build: the portable pieces under AddressSanitizer and UndefinedBehaviorSanitizer, their
# unit tests, and (with clang) the fuzz targets, each run briefly as a test.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
foreach(target scrivtree_portable gtest gtest_main)
    target_compile_options(${target} PRIVATE ${SANITIZE} -g)
endforeach()

add_executable(host_tests
    tests/host/command_line_parse_test.cpp
    tests/host/entry_order_test.cpp
    tests/host/export_text_test.cpp
    tests/host/file_filter_test.cpp
    tests/host/first_argument_test.cpp
    tests/host/folder_path_test.cpp
    tests/host/line_text_test.cpp
    tests/host/time_picture_test.cpp
    tests/host/utf8_test.cpp
)
target_compile_options(host_tests PRIVATE ${SANITIZE} -g)
target_link_options(host_tests PRIVATE ${SANITIZE})
target_link_libraries(host_tests PRIVATE scrivtree_portable scrivtree_warnings gtest_main)
add_test(NAME host_tests COMMAND host_tests)

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(FUZZ_SECONDS 10 CACHE STRING "How long each fuzz target runs in the test suite")
    foreach(name fuzz_filter fuzz_command_line fuzz_folder_path)
        add_executable(${name} tests/fuzz/${name}.cpp)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -g)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
        target_link_libraries(${name} PRIVATE scrivtree_warnings)
        add_test(NAME ${name}
                 COMMAND ${name} -max_total_time=${FUZZ_SECONDS} -seed=1 -print_final_stats=1)
    endforeach()
    target_sources(fuzz_filter PRIVATE engine/file_filter.cpp)
    target_sources(fuzz_command_line PRIVATE app/command_line_parse.cpp app/first_argument.cpp)
    target_sources(fuzz_folder_path PRIVATE ui/folder_path.cpp engine/entry_order.cpp)
endif()
