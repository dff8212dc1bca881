# Installs the build into a scratch folder and checks that everything an
# installed program needs is where the desktop, man and systemd look for it.
set(root ${WORK}/install-layout)
file(REMOVE_RECURSE ${root})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
  RESULT_VARIABLE code OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()
foreach(f
    usr/bin/gavelry
    usr/share/applications/gavelry.desktop
    usr/share/icons/hicolor/scalable/apps/gavelry.svg
    usr/share/man/man1/gavelry.1
    usr/share/doc/gavelry/README.md
    usr/share/doc/gavelry/LICENSE
    usr/lib/systemd/user/gavelry.service)
  if(NOT EXISTS ${root}/${f})
    message(FATAL_ERROR "not installed: /${f}")
  endif()
endforeach()
file(STRINGS ${root}/usr/lib/systemd/user/gavelry.service exec REGEX "^ExecStart=")
if(NOT exec STREQUAL "ExecStart=/usr/bin/gavelry --headless --client \${GAVELRY_CLIENT}")
  message(FATAL_ERROR "the unit starts: ${exec}")
endif()
file(STRINGS ${root}/usr/share/applications/gavelry.desktop icon REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=gavelry")
  message(FATAL_ERROR "the desktop entry names the icon: ${icon}")
endif()
