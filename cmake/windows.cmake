# Windows build, 32-bit or 64-bit by the toolchain file: the program, static, and the test
# programs that run under Wine on real folders.
# No link time in the PE header: the same sources give the same program, byte for byte.
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)

find_program(SCRIVTREE_PYTHON python3 REQUIRED)

# What the build makes from the file VERSION for the resources and the code: the version header
# and the banner, whose picture shows the version.
set(SCRIVTREE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
string(REGEX REPLACE "(.)" "\\1 " SCRIVTREE_ABOUT_TITLE "Scrivtree ${SCRIVTREE_VERSION}")
string(STRIP "${SCRIVTREE_ABOUT_TITLE}" SCRIVTREE_ABOUT_TITLE)
configure_file(res/version.h.in ${SCRIVTREE_GENERATED_DIR}/scrivtree_version.h @ONLY)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(SCRIVTREE_MANIFEST_ARCH amd64)
else()
    set(SCRIVTREE_MANIFEST_ARCH x86)
endif()
configure_file(res/scrivtree.manifest.in ${SCRIVTREE_GENERATED_DIR}/scrivtree.manifest @ONLY)
set(SCRIVTREE_BANNER ${SCRIVTREE_GENERATED_DIR}/banner.bmp)
add_custom_command(
    OUTPUT ${SCRIVTREE_BANNER}
    COMMAND ${SCRIVTREE_PYTHON} ${CMAKE_SOURCE_DIR}/res/make_pictures.py
            --banner ${SCRIVTREE_BANNER} ${SCRIVTREE_VERSION}
    DEPENDS ${CMAKE_SOURCE_DIR}/res/make_pictures.py ${CMAKE_SOURCE_DIR}/VERSION
    COMMENT "Drawing the banner"
    VERBATIM)

# The string table, icon and version, linked into the program and into every test program
# that shows the program's messages. The banner is listed so that this target draws it.
add_library(scrivtree_resources OBJECT res/scrivtree.rc ${SCRIVTREE_BANNER})
target_include_directories(scrivtree_resources PRIVATE ${CMAKE_SOURCE_DIR}/res
                           ${SCRIVTREE_GENERATED_DIR})
set_source_files_properties(res/scrivtree.rc PROPERTIES OBJECT_DEPENDS
                            "${SCRIVTREE_BANNER};${SCRIVTREE_GENERATED_DIR}/scrivtree.manifest")

# The Win32 helpers that both faces share.
add_library(scrivtree_platform STATIC
    platform/shell_library.cpp
)
target_include_directories(scrivtree_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(scrivtree_platform PRIVATE scrivtree_warnings)

add_library(scrivtree_engine STATIC
    engine/csv_listing.cpp
    engine/folder_scan.cpp
    engine/html_listing.cpp
    engine/last_write_text.cpp
    engine/listing_run.cpp
    engine/text_listing.cpp
    engine/program_resources.cpp
)
target_link_libraries(scrivtree_engine PUBLIC scrivtree_portable scrivtree_platform
                      PRIVATE scrivtree_warnings)

target_include_directories(scrivtree_engine PUBLIC ${SCRIVTREE_GENERATED_DIR})

add_library(scrivtree_app STATIC
    app/command_line_mode.cpp
    app/program_entry.cpp
    app/shell_verb.cpp
)
target_link_libraries(scrivtree_app PUBLIC scrivtree_engine PRIVATE scrivtree_warnings)

# The dialog front end.
add_library(scrivtree_ui STATIC
    ui/about_box.cpp
    ui/banner.cpp
    ui/dialog_job.cpp
    ui/dialog_run.cpp
    ui/drive_list.cpp
    ui/folder_navigator.cpp
    ui/help_engine.cpp
    ui/main_dialog.cpp
    ui/settings_store.cpp
)
target_link_libraries(scrivtree_ui PUBLIC scrivtree_app gdi32 advapi32
                      PRIVATE scrivtree_warnings)

add_executable(Scrivtree WIN32 app/main.cpp $<TARGET_OBJECTS:scrivtree_resources>)
target_link_libraries(Scrivtree PRIVATE scrivtree_ui scrivtree_warnings)
# Users get the program without its symbols: less than half the size. The wide entry point
# takes the command line with every character it has.
target_compile_options(Scrivtree PRIVATE -municode)
target_link_options(Scrivtree PRIVATE -s -municode)

# The help file, beside the program.
include(${CMAKE_CURRENT_LIST_DIR}/help.cmake)

# Test programs: GoogleTest under Wine, each on its own folders, with an X display for the
# message boxes they read.
add_library(wine_test_support STATIC tests/wine/test_support.cpp)
target_link_libraries(wine_test_support PUBLIC gtest scrivtree_portable PRIVATE scrivtree_warnings)
target_include_directories(wine_test_support PUBLIC ${SCRIVTREE_GENERATED_DIR})

function(add_wine_test name)
    add_executable(${name} ${ARGN} $<TARGET_OBJECTS:scrivtree_resources>)
    target_link_libraries(${name} PRIVATE scrivtree_ui wine_test_support gtest_main
                          scrivtree_warnings)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "SCRIVTREE_EXE=$<TARGET_FILE:Scrivtree>"
        TIMEOUT 600)
endfunction()

add_wine_test(engine_tests tests/wine/listing_run_test.cpp)
add_wine_test(command_line_tests tests/wine/command_line_test.cpp tests/wine/dialog_driver.cpp
              tests/wine/unicode_names_test.cpp)
add_wine_test(settings_tests tests/wine/settings_store_test.cpp)

# Both builds must write the same listings. The 64-bit build's suite checks that against the
# 32-bit build beside it; where this machine cannot run both, the test is skipped.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(SCRIVTREE_WIN32_PROGRAM ${CMAKE_SOURCE_DIR}/build/win32/Scrivtree.exe CACHE FILEPATH
        "The 32-bit program whose listings the 64-bit program's must match")
    add_test(NAME builds_write_identical_listings
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/compare_builds.sh
                     ${SCRIVTREE_WIN32_PROGRAM} $<TARGET_FILE:Scrivtree>)
    set_tests_properties(builds_write_identical_listings PROPERTIES SKIP_RETURN_CODE 77
                         TIMEOUT 600)
endif()

# The folder list's benchmark (bench/navigator.cpp); bench/run.sh builds it.
add_executable(navigator_bench EXCLUDE_FROM_ALL bench/navigator.cpp
               $<TARGET_OBJECTS:scrivtree_resources>)
target_link_libraries(navigator_bench PRIVATE scrivtree_ui scrivtree_warnings)
# A run from the dialog against the same job from the command line (bench/dialog_run.cpp);
# bench/run.sh builds it.
add_executable(dialog_run_bench EXCLUDE_FROM_ALL bench/dialog_run.cpp)
target_include_directories(dialog_run_bench PRIVATE ${CMAKE_SOURCE_DIR} ${SCRIVTREE_GENERATED_DIR})
target_link_libraries(dialog_run_bench PRIVATE scrivtree_warnings)
add_wine_test(dialog_tests tests/wine/dialog_test.cpp tests/wine/dialog_driver.cpp
              tests/wine/screen_test.cpp)
# Windows reads the manifest with a strict XML parser; Wine's is lenient.
add_test(NAME manifest_is_well_formed
         COMMAND ${SCRIVTREE_PYTHON} -c "import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])"
                 ${SCRIVTREE_GENERATED_DIR}/scrivtree.manifest)

# The dialog's run, Save As, launch, help, banner and About box, with the stand-ins that take
# what the program hands on: the program that opens a file or an address, and the HTML Help
# engine (exported by ordinal only; the 32-bit linker matches it to its stdcall name).
add_executable(open_recorder WIN32 tests/wine/open_recorder.cpp)
target_link_libraries(open_recorder PRIVATE scrivtree_warnings)
add_library(help_recorder SHARED tests/wine/help_recorder.cpp tests/wine/help_recorder.def)
set_target_properties(help_recorder PROPERTIES PREFIX "")
target_link_options(help_recorder PRIVATE -Wl,--enable-stdcall-fixup)
target_link_libraries(help_recorder PRIVATE scrivtree_warnings)
add_wine_test(dialog_job_tests tests/wine/dialog_job_test.cpp tests/wine/dialog_driver.cpp)
add_dependencies(dialog_job_tests open_recorder help_recorder)
set_property(TEST dialog_job_tests APPEND PROPERTY ENVIRONMENT
             "SCRIVTREE_OPEN_RECORDER=$<TARGET_FILE:open_recorder>"
             "SCRIVTREE_HELP_RECORDER=$<TARGET_FILE:help_recorder>"
             "SCRIVTREE_LONG_RUN_TREE=/tmp/scrivtree-long-run/Tree")
# The tree of the dialog's long runs, made once by the shell: through Wine it would take minutes.
add_test(NAME long_run_tree
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/wine/make_long_run_tree.sh /tmp/scrivtree-long-run)
set_tests_properties(long_run_tree PROPERTIES FIXTURES_SETUP long_run_tree)
set_tests_properties(dialog_job_tests PROPERTIES FIXTURES_REQUIRED long_run_tree)

# Puts the running dialog into the states that scripts/screenshot.sh takes pictures of.
add_executable(dialog_poser tests/wine/dialog_poser.cpp)
target_include_directories(dialog_poser PRIVATE ${CMAKE_SOURCE_DIR} ${SCRIVTREE_GENERATED_DIR})
target_link_libraries(dialog_poser PRIVATE scrivtree_warnings)

# The CSV and the web page of a real run, read back by LibreOffice Calc and Chromium; skipped
# where this machine cannot run the program.
add_test(NAME exports_open_in_their_clients
         COMMAND ${SCRIVTREE_PYTHON} ${CMAKE_SOURCE_DIR}/tests/clients/check_exports.py
                 $<TARGET_FILE:Scrivtree>)
set_tests_properties(exports_open_in_their_clients PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
