# Run at install time for the portable folder: copies the Qt plugins, and every library that
# the programs and the plugins need and that a Linux system cannot be expected to have, into
# lib/ beside the programs (their DT_RPATH $ORIGIN/lib finds them); puts the licence of every
# bundled package and the offer of their sources into licenses/; then writes the uninstaller's
# list of everything in the folder.
# Expects PRIOMAT_QT_PLUGINS (the Qt plugin folder) and PRIOMAT_PLUGINS (plugin files relative
# to it), PRIOMAT_FONTS (font files) and PRIOMAT_SOURCE_DIR to be set.
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${folder}/lib" "${folder}/licenses")

set(modules)
foreach(plugin IN LISTS PRIOMAT_PLUGINS)
    if(NOT EXISTS "${PRIOMAT_QT_PLUGINS}/${plugin}")
        message(FATAL_ERROR "Qt plugin ${PRIOMAT_QT_PLUGINS}/${plugin} is missing: install its package "
                            "(packaging/check-packages.sh names them)")
    endif()
    get_filename_component(category "${plugin}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}/plugins/${category}")
    file(COPY_FILE "${PRIOMAT_QT_PLUGINS}/${plugin}" "${folder}/plugins/${plugin}")
    list(APPEND modules "${folder}/plugins/${plugin}")
endforeach()

# A Japanese font, for systems that have none (the programs load fonts/ at start).
foreach(font IN LISTS PRIOMAT_FONTS)
    file(MAKE_DIRECTORY "${folder}/fonts")
    get_filename_component(name "${font}" NAME)
    file(COPY_FILE "${font}" "${folder}/fonts/${name}")
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

# The Debian package of every bundled file, found by its path (with and without /usr, as the
# merged /usr leaves some registered under /lib).
set(paths)
foreach(file IN LISTS found PRIOMAT_PLUGINS PRIOMAT_FONTS)
    if(NOT IS_ABSOLUTE "${file}")
        set(file "${PRIOMAT_QT_PLUGINS}/${file}")
    endif()
    get_filename_component(real "${file}" REALPATH)
    foreach(path "${file}" "${real}")
        string(REGEX REPLACE "^/usr/" "/" bare "${path}")
        list(APPEND paths "${path}" "${bare}" "/usr${bare}")
    endforeach()
endforeach()
list(REMOVE_DUPLICATES paths)
execute_process(COMMAND dpkg-query -S ${paths} OUTPUT_VARIABLE owners ERROR_QUIET)
string(REGEX MATCHALL "[^\n]+" owners "${owners}")
set(owned)
set(packages)
foreach(line IN LISTS owners)
    if(line MATCHES "^([^:, ]+)(:[^:]+)?: (.+)$")
        list(APPEND packages "${CMAKE_MATCH_1}")
        list(APPEND owned "${CMAKE_MATCH_3}")
    endif()
endforeach()
foreach(file IN LISTS found PRIOMAT_PLUGINS PRIOMAT_FONTS)
    get_filename_component(name "${file}" NAME)
    get_filename_component(real "${file}" REALPATH)
    get_filename_component(realname "${real}" NAME)
    set(hits ${owned})
    list(FILTER hits INCLUDE REGEX "/(${name}|${realname})$")
    if(NOT hits)
        message(FATAL_ERROR "No Debian package owns ${file}: its licence cannot be bundled")
    endif()
endforeach()
list(REMOVE_DUPLICATES packages)
list(SORT packages)

# Each package's copyright file, and the common licence texts they refer to (Qt's LGPL and GPL
# among them).
set(common)
set(sources)
foreach(package IN LISTS packages)
    set(copyright "/usr/share/doc/${package}/copyright")
    if(NOT EXISTS "${copyright}")
        message(FATAL_ERROR "${package} has no ${copyright}")
    endif()
    file(COPY_FILE "${copyright}" "${folder}/licenses/${package}.copyright")
    file(READ "${copyright}" text)
    string(REGEX MATCHALL "/usr/share/common-licenses/[A-Za-z0-9+-]+([.][0-9]+)?" named "${text}")
    list(APPEND common ${named})
    execute_process(COMMAND dpkg-query -W "-f=\${source:Package} \${source:Version}" ${package}
                    OUTPUT_VARIABLE source COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND sources "${source}")
endforeach()
list(REMOVE_DUPLICATES common)
foreach(licence IN LISTS common)
    if(EXISTS "${licence}")
        get_filename_component(name "${licence}" NAME)
        get_filename_component(real "${licence}" REALPATH)
        file(MAKE_DIRECTORY "${folder}/licenses/common-licenses")
        file(COPY_FILE "${real}" "${folder}/licenses/common-licenses/${name}")
    endif()
endforeach()
file(COPY_FILE "${PRIOMAT_SOURCE_DIR}/packaging/debian/copyright" "${folder}/licenses/priomat.copyright")

# The written offer of the bundled libraries' sources: unmodified Debian source packages, named
# with their exact versions.
list(REMOVE_DUPLICATES sources)
list(SORT sources)
string(REPLACE ";" "\n  " source_list "${sources}")
file(WRITE "${folder}/licenses/SOURCES.txt" "\
Sources of the libraries in this folder
=======================================

The libraries in lib/, the plugins in plugins/ and the fonts in fonts/ are copied unchanged from the Debian
packages whose copyright files lie beside this file. Qt and several other libraries among them
are licensed under the GNU Lesser General Public License (LGPL); their licence texts are in
common-licenses/. You may replace any of these libraries with a compatible build of your own:
the programs load them from lib/ and plugins/.

The complete corresponding source code of every bundled library is the Debian source package of
the version below. It is available from any Debian mirror (`apt-get source PACKAGE=VERSION`)
and, for every version Debian ever published, from snapshot.debian.org. Priomat's distributors
also offer to give anyone who asks, for at least three years from the date of this release, a
copy of that source code on a medium customarily used for software interchange, for no more than
the cost of physically performing the transfer; write to the maintainer named in the release
announcement or in the Priomat Debian package.

Source package and version:
  ${source_list}
")
list(LENGTH packages count)
message(STATUS "Bundled the licences of ${count} packages into ${folder}/licenses")

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
