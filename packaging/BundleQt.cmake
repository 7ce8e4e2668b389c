# Run at install time for the portable folder: copies the platform plugins, and every library
# that the programs and the plugins need and that a Linux system cannot be expected to have,
# into lib/ beside the programs (their DT_RPATH $ORIGIN/lib finds them); then writes the
# uninstaller's list of everything in the folder.
# Expects PRIOMAT_PLUGINS (the plugin files) to be set.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${folder}/lib" "${folder}/plugins/platforms")

set(modules)
foreach(plugin IN LISTS PRIOMAT_PLUGINS)
    get_filename_component(name "${plugin}" NAME)
    file(COPY_FILE "${plugin}" "${folder}/plugins/platforms/${name}")
    list(APPEND modules "${folder}/plugins/platforms/${name}")
endforeach()

# The C and C++ runtimes belong to the system: a bundled copy older than the system's would
# break the system's own libraries (graphics drivers) loaded into the same process.
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${folder}/priomat" "${folder}/priomat-cli"
    MODULES ${modules}
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR missing
    PRE_EXCLUDE_REGEXES
        "^linux-vdso" "^ld-linux" "^libc[.]so" "^libm[.]so" "^libdl[.]so" "^libpthread[.]so"
        "^librt[.]so" "^libresolv[.]so" "^libutil[.]so" "^libstdc[+][+][.]so" "^libgcc_s[.]so")
if(missing)
    message(FATAL_ERROR "Libraries not found for the portable folder: ${missing}")
endif()
foreach(library IN LISTS found)
    # Named as the programs ask for it (the soname), with the content of the real file.
    get_filename_component(name "${library}" NAME)
    get_filename_component(real "${library}" REALPATH)
    file(COPY_FILE "${real}" "${folder}/lib/${name}")
endforeach()
list(LENGTH found count)
message(STATUS "Bundled ${count} libraries into ${folder}/lib")

# The uninstaller's list: every file but the program itself, which goes first anyway.
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
list(SORT files)
set(list "[FILE]\n")
foreach(file IN LISTS files)
    if(NOT file STREQUAL "priomat" AND NOT file STREQUAL "UNINST.DAT")
        string(APPEND list "${file}\n")
    endif()
endforeach()
# The .ahp association lives in Priomat's own registry store on Linux: nothing else uses it.
string(APPEND list "[REGISTRY]\n\\HKEY_CLASSES_ROOT\\.ahp\n\\HKEY_CLASSES_ROOT\\AHP\n")
file(WRITE "${folder}/UNINST.DAT" "${list}")
