# Installs the build into a staging folder under a prefix with a space, as a
# packager would, and checks what an installed copy needs is there and valid;
# then runs the installed tunevoctl as a new user would.
# cmake -DBUILD_DIR=... -DSTAGE=... -DUI=ON|OFF -P CheckInstall.cmake
set(PREFIX "/opt/tunevo test")
file(REMOVE_RECURSE "${STAGE}")
set(ENV{DESTDIR} "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(ROOT "${STAGE}${PREFIX}")

set(expected bin/tunevoctl bin/tunevo-board share/tunevo/BT_LocaleStr.ini
    share/tunevo/dbcd-V03.ini share/tunevo/demo-board.ini share/man/man1/tunevo.1.gz
    share/man/man1/tunevoctl.1.gz share/man/man1/tunevo-board.1.gz share/doc/tunevo/copyright
    share/doc/tunevo/changelog.gz lib/systemd/user/tunevo-serve@.service
    lib/systemd/user/tunevo-serve-lab.service
    share/tunevo/prometheus/tunevo.rules.yml share/tunevo/grafana/tunevo-boards.json)
if(UI)
    list(APPEND expected bin/tunevo share/applications/org.tunevo.Tunevo.desktop
         share/metainfo/org.tunevo.Tunevo.metainfo.xml
         share/icons/hicolor/scalable/apps/org.tunevo.Tunevo.svg)
    foreach(size 16 24 32 48 64 128 256)
        list(APPEND expected share/icons/hicolor/${size}x${size}/apps/org.tunevo.Tunevo.png)
    endforeach()
endif()
foreach(file ${expected})
    if(NOT EXISTS "${ROOT}/${file}")
        message(SEND_ERROR "not installed: ${file}")
    endif()
endforeach()

# The validators, where the machine has them (the install script installs them).
function(check_clean)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT code EQUAL 0 OR err MATCHES "warning|error")
        message(SEND_ERROR "${ARGN}: ${code}\n${out}${err}")
    endif()
endfunction()
find_program(DESKTOP_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
find_program(MAN man)
if(UI AND DESKTOP_VALIDATE)
    check_clean(${DESKTOP_VALIDATE} "${ROOT}/share/applications/org.tunevo.Tunevo.desktop")
endif()
if(UI AND APPSTREAMCLI)
    check_clean(${APPSTREAMCLI} validate --no-net
                "${ROOT}/share/metainfo/org.tunevo.Tunevo.metainfo.xml")
endif()
if(MAN)
    foreach(page tunevo tunevoctl tunevo-board)
        set(ENV{MANWIDTH} 80)
        check_clean(${MAN} --warnings -l "${ROOT}/share/man/man1/${page}.1.gz")
    endforeach()
endif()

# A new user's first run: the files folder is made for the user alone under
# the absolute data home (a relative one is ignored); the texts come from share.
set(HOME_DIR "${STAGE}/home")
file(MAKE_DIRECTORY "${HOME_DIR}")
file(GLOB_RECURSE before "${ROOT}/*")
execute_process(COMMAND env -u TUNEVO_DIR HOME=${HOME_DIR} XDG_DATA_HOME=relative/path
                        TUNEVO_PORT_PATTERN=${STAGE}/none%d "${ROOT}/bin/tunevoctl" scan
                RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
if(NOT code EQUAL 3)
    message(SEND_ERROR "installed tunevoctl scan without a board: exit ${code}, not 3")
endif()
if(NOT IS_DIRECTORY "${HOME_DIR}/.local/share/tunevo")
    message(SEND_ERROR "the per-user folder was not made")
endif()
file(GLOB_RECURSE after "${ROOT}/*")
if(NOT after STREQUAL before)
    message(SEND_ERROR "something was written under the prefix: ${after}")
endif()
# A data home that cannot be made is said, and the command fails.
file(WRITE "${STAGE}/file" "")
execute_process(COMMAND env -u TUNEVO_DIR HOME=${HOME_DIR} XDG_DATA_HOME=${STAGE}/file
                        "${ROOT}/bin/tunevoctl" scan
                RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT code EQUAL 1 OR NOT err MATCHES "cannot create")
    message(SEND_ERROR "an unusable data home: exit ${code}: ${err}")
endif()
