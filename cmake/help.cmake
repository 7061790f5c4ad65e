# The help file Scrivtree.chm, which the program's Help button opens from its own folder, and
# ReadMe.txt, the short guide that ships beside them, written from the same pages.
#
# Included from a build, this file adds the target scrivtree_help (part of ALL), which compiles
# help/ with chmcmd (Debian package fp-utils) into ${CMAKE_BINARY_DIR}/Scrivtree.chm, beside
# Scrivtree.exe, the target scrivtree_readme (part of ALL), which writes
# ${CMAKE_BINARY_DIR}/ReadMe.txt with help/make_readme.py, and the test help_file, which opens
# the built help file with another reader.
#
# Run as a script (cmake -DCHMCMD=... -DPROJECT=... -DOUTPUT=... -DVERSION=... -P help.cmake),
# it is the compile step itself. It compiles a copy of the project's folder in which
# @SCRIVTREE_VERSION@ is the version. chmcmd needs watching:
# - it writes the .chm into its working directory, whatever the folder of the project file;
# - it exits with 0 when the project file is missing (writing nothing) or the table of contents
#   is missing ("Error: ..."), and with 217 when a listed file is missing, after it has already
#   written part of the .chm; broken links are only warnings;
# - it stamps the .chm with the time of day, twice: in the file header and in the #SYSTEM file;
# - its binary index starts with two bytes of whatever its memory held, which is why
#   Scrivtree.hhp asks for none (Binary Index=No): the index stays the plain Scrivtree.hhk.
# So the step compiles in a folder of its own, fails on any exit code other than 0 and on any
# "Error" or "Warning" line, sets both time stamps to 0 so that the same sources always give the
# same bytes, and only then moves the file into place.

if(CMAKE_SCRIPT_MODE_FILE)
    foreach(variable CHMCMD PROJECT OUTPUT VERSION)
        if(NOT ${variable})
            message(FATAL_ERROR "help.cmake: ${variable} is not set")
        endif()
    endforeach()

    # A failed step leaves no help file, rather than an outdated one.
    get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
    get_filename_component(output_name "${OUTPUT}" NAME)
    set(work_dir "${output_dir}/help-compile")
    file(REMOVE "${OUTPUT}")
    file(REMOVE_RECURSE "${work_dir}")
    file(MAKE_DIRECTORY "${work_dir}")

    # The name of the compiled file comes from the project file.
    file(STRINGS "${PROJECT}" compiled_line REGEX "^Compiled file=")
    string(REGEX REPLACE "^Compiled file=[ \t]*" "" compiled_name "${compiled_line}")
    string(STRIP "${compiled_name}" compiled_name)
    if(NOT compiled_name STREQUAL output_name)
        message(FATAL_ERROR
            "help.cmake: ${PROJECT} compiles '${compiled_name}', expected '${output_name}'")
    endif()

    # The pages with the version in place.
    get_filename_component(source_dir "${PROJECT}" DIRECTORY)
    get_filename_component(project_name "${PROJECT}" NAME)
    set(pages_dir "${work_dir}/pages")
    file(GLOB page_files LIST_DIRECTORIES false RELATIVE "${source_dir}" "${source_dir}/*")
    foreach(page ${page_files})
        file(READ "${source_dir}/${page}" text)
        string(REPLACE "@SCRIVTREE_VERSION@" "${VERSION}" text "${text}")
        file(WRITE "${pages_dir}/${page}" "${text}")
    endforeach()

    set(ENV{LC_ALL} C)
    execute_process(
        COMMAND "${CHMCMD}" "${pages_dir}/${project_name}"
        WORKING_DIRECTORY "${work_dir}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE out
        ERROR_VARIABLE err)
    set(compiled "${work_dir}/${compiled_name}")
    string(REGEX MATCH "(^|\n)(Error|Warning)[^\n]*" complaint "${out}")
    if(NOT result EQUAL 0 OR complaint OR NOT EXISTS "${compiled}")
        message("${out}${err}")
        if(complaint)
            string(STRIP "${complaint}" complaint)
            message(FATAL_ERROR "chmcmd: ${complaint}")
        endif()
        message(FATAL_ERROR "chmcmd could not compile ${PROJECT} (exit code ${result})")
    endif()

    # Both time stamps: the header's (bytes 16 to 19, after "ITSF" and version 3) and the first
    # entry of #SYSTEM (version 3, then code 10 with 4 bytes of data).
    file(READ "${compiled}" head LIMIT 20 HEX)
    if(NOT head MATCHES "^4954534603000000")
        message(FATAL_ERROR "help.cmake: ${compiled} has no ITSF version 3 header")
    endif()
    file(READ "${compiled}" bytes HEX)
    set(system_start "030000000a000400")
    string(FIND "${bytes}" "${system_start}" first)
    string(FIND "${bytes}" "${system_start}" last REVERSE)
    math(EXPR parity "${first} % 2")
    if(first EQUAL -1 OR NOT first EQUAL last OR NOT parity EQUAL 0)
        message(FATAL_ERROR "help.cmake: cannot find the time stamp of #SYSTEM in ${compiled}")
    endif()
    math(EXPR system_stamp "${first} / 2 + 8")
    foreach(offset 16 ${system_stamp})
        execute_process(
            COMMAND dd if=/dev/zero "of=${compiled}" bs=1 "seek=${offset}" count=4 conv=notrunc
                    status=none
            RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "help.cmake: could not clear the time stamp at ${offset}")
        endif()
    endforeach()

    file(RENAME "${compiled}" "${OUTPUT}")
    file(REMOVE_RECURSE "${work_dir}")
    return()
endif()

# --- Included from a build ---

get_filename_component(SCRIVTREE_HELP_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/../help" ABSOLUTE)
get_filename_component(SCRIVTREE_HELP_TEST_SCRIPT
    "${CMAKE_CURRENT_LIST_DIR}/../tests/help/check_help_file.sh" ABSOLUTE)
set(SCRIVTREE_HELP_FILE "${CMAKE_BINARY_DIR}/Scrivtree.chm")

find_program(CHMCMD_EXECUTABLE chmcmd)
if(NOT CHMCMD_EXECUTABLE)
    message(FATAL_ERROR
        "chmcmd not found: the help file Scrivtree.chm is compiled with chmcmd, from Debian's "
        "package fp-utils (apt-get install fp-utils).")
endif()

file(GLOB_RECURSE scrivtree_help_sources CONFIGURE_DEPENDS "${SCRIVTREE_HELP_SOURCE_DIR}/*")

add_custom_command(
    OUTPUT "${SCRIVTREE_HELP_FILE}"
    COMMAND "${CMAKE_COMMAND}"
            "-DCHMCMD=${CHMCMD_EXECUTABLE}"
            "-DPROJECT=${SCRIVTREE_HELP_SOURCE_DIR}/Scrivtree.hhp"
            "-DOUTPUT=${SCRIVTREE_HELP_FILE}"
            "-DVERSION=${SCRIVTREE_VERSION}"
            -P "${CMAKE_CURRENT_LIST_FILE}"
    DEPENDS ${scrivtree_help_sources} "${CMAKE_CURRENT_LIST_FILE}" "${CMAKE_SOURCE_DIR}/VERSION"
    COMMENT "Compiling the help file Scrivtree.chm"
    VERBATIM)
add_custom_target(scrivtree_help ALL DEPENDS "${SCRIVTREE_HELP_FILE}")

set(SCRIVTREE_README "${CMAKE_BINARY_DIR}/ReadMe.txt")
add_custom_command(
    OUTPUT "${SCRIVTREE_README}"
    COMMAND "${SCRIVTREE_PYTHON}" "${SCRIVTREE_HELP_SOURCE_DIR}/make_readme.py"
            "${SCRIVTREE_VERSION}" "${SCRIVTREE_HELP_SOURCE_DIR}" "${SCRIVTREE_README}"
    DEPENDS ${scrivtree_help_sources} "${CMAKE_SOURCE_DIR}/VERSION"
    COMMENT "Writing ReadMe.txt"
    VERBATIM)
add_custom_target(scrivtree_readme ALL DEPENDS "${SCRIVTREE_README}")

# Opens the built file with extract_chmLib (Debian package libchm-bin), a reader that is not
# its compiler, and checks its pages and table of contents.
add_test(NAME help_file
         COMMAND bash "${SCRIVTREE_HELP_TEST_SCRIPT}" "${SCRIVTREE_HELP_FILE}")
