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
    usr/share/man/man1/gavelry.1.gz
    usr/share/doc/gavelry/README.md
    usr/share/doc/gavelry/copyright
    usr/share/doc/gavelry/changelog.gz
    usr/lib/sysusers.d/gavelry.conf
    usr/lib/systemd/user/gavelry.service
    usr/lib/systemd/user/gavelry@.service
    usr/lib/systemd/system/gavelry.service
    usr/lib/systemd/system/gavelry@.service)
  if(NOT EXISTS ${root}/${f})
    message(FATAL_ERROR "not installed: /${f}")
  endif()
endforeach()
# The web view module where the program looks for it: beside bin in the
# prefix, found from the executable's own folder.
if(EXISTS ${BUILD}/src/app/libgavelry_webview.so)
  if(NOT EXISTS ${root}/usr/lib/gavelry/libgavelry_webview.so OR EXISTS ${root}/usr/bin/libgavelry_webview.so)
    message(FATAL_ERROR "the web view module is not (only) in /usr/lib/gavelry")
  endif()
  file(STRINGS ${root}/usr/bin/gavelry lookup ENCODING UTF-16LE REGEX "\\.\\./lib/gavelry/gavelry_webview")
  if(NOT lookup)
    message(FATAL_ERROR "the program does not look for its web view module in ../lib/gavelry")
  endif()
endif()
# Each unit starts the installed program on its own folders.
set(starts
  "user/gavelry.service|ExecStart=/usr/bin/gavelry --headless --client \${GAVELRY_CLIENT}"
  "user/gavelry@.service|ExecStart=/usr/bin/gavelry --headless --client \${GAVELRY_CLIENT} --config-dir %E/Gavelry/%i --log-dir %h/.local/share/Gavelry/%i"
  "system/gavelry.service|ExecStart=/usr/bin/gavelry --headless --client \${GAVELRY_CLIENT} --config-dir %E/gavelry --state-dir %S/gavelry --log-dir %L/gavelry"
  "system/gavelry@.service|ExecStart=/usr/bin/gavelry --headless --client \${GAVELRY_CLIENT} --config-dir %E/gavelry/%i --state-dir %S/gavelry/%i --log-dir %L/gavelry/%i")
foreach(start ${starts})
  string(REPLACE "|" ";" start "${start}")
  list(GET start 0 unit)
  list(GET start 1 expected)
  file(STRINGS ${root}/usr/lib/systemd/${unit} exec REGEX "^ExecStart=")
  if(NOT exec STREQUAL expected)
    message(FATAL_ERROR "${unit} starts: ${exec}")
  endif()
endforeach()
file(STRINGS ${root}/usr/share/applications/gavelry.desktop icon REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=gavelry")
  message(FATAL_ERROR "the desktop entry names the icon: ${icon}")
endif()
