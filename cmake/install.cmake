# cmake --install BUILD --prefix DIR: one program folder, as the system has on Windows
# (the programs find each other, their settings and their logs beside the executable),
# links to it in bin/, and a fresh machine root with the appcmd stand-in in its place.
# Test and benchmark programs, uidemo and qorscreens are not installed.
set(QOR_INSTALL_PROGRAM_DIR "lib/qorip" CACHE STRING "Program folder, under the install prefix")
set(QOR_INSTALL_MACHINE_DIR "share/qorip/machine" CACHE STRING "Template of a machine root, under the install prefix")

get_filename_component(_qor_share_dir ${QOR_INSTALL_MACHINE_DIR} DIRECTORY)

set(_qor_programs QorIP QoripPanel QoripTools qoripsvc qorsc appcmd w3svc qorupdate)
set(_qor_commands QorIP QoripPanel QoripTools qoripsvc qorsc qorupdate)
set(_qor_installed)
foreach(_p ${_qor_programs})
  if(TARGET ${_p})
    list(APPEND _qor_installed ${_p})
  endif()
endforeach()
install(TARGETS ${_qor_installed} RUNTIME DESTINATION ${QOR_INSTALL_PROGRAM_DIR})
# The toolbox and the IIS 7 paths run appcmd from the machine's inetsrv folder.
install(TARGETS appcmd RUNTIME DESTINATION ${QOR_INSTALL_MACHINE_DIR}/Windows/System32/inetsrv)
# The texts of the service's events, beside the program its event source names.
if(TARGET qoripsvc)
  install(FILES ${CMAKE_BINARY_DIR}/bin/qoripsvc.msg DESTINATION ${QOR_INSTALL_PROGRAM_DIR})
endif()

# The folders the programs write into, and stand-ins for the filter module (not part of
# this system) that the toolbox registers with IIS and the repair grants access to. A
# module already there is kept.
install(CODE "
  set(_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QOR_INSTALL_PROGRAM_DIR}\")
  file(MAKE_DIRECTORY \"\${_dir}/iis/log\" \"\${_dir}/log\")
  foreach(_m qorip.dll qorip64.dll)
    if(NOT EXISTS \"\${_dir}/iis/\${_m}\")
      file(TOUCH \"\${_dir}/iis/\${_m}\")
    endif()
  endforeach()
  # What no program of the system writes and a new installation needs: the store (empty:
  # it is bound to the machine that reads it, and every key of an empty store reads as
  # its default), Word8 (the service starts its workers at once) and, in the machine
  # template, the digest of an uninstall key that the install makes and keeps beside the
  # template (uninstall-key). What is there already is kept: a second install over the
  # first changes none of it.
  if(NOT EXISTS \"\${_dir}/iis/config.db\")
    file(TOUCH \"\${_dir}/iis/config.db\")
  endif()
  if(NOT EXISTS \"\${_dir}/iis/config.ini\")
    file(WRITE \"\${_dir}/iis/config.ini\" \"[System]\\nWord8=1\\n\")
  endif()
  set(_share \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${_qor_share_dir}\")
  set(_record \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QOR_INSTALL_MACHINE_DIR}/Windows/System32/qorip.db\")
  if(NOT EXISTS \"\${_share}/uninstall-key\" OR NOT EXISTS \"\${_record}\")
    string(RANDOM LENGTH 20 ALPHABET abcdefghijkmnpqrstuvwxyz23456789 _key)
    string(MD5 _digest \"\${_key}\")
    file(WRITE \"\${_share}/uninstall-key\" \"\${_key}\\n\")
    file(CHMOD \"\${_share}/uninstall-key\" PERMISSIONS OWNER_READ OWNER_WRITE)
    file(WRITE \"\${_record}\" \"[qor]\\nukey=\${_digest}\\n\")
    message(STATUS \"Uninstall key: \${_key} (kept in \${_share}/uninstall-key)\")
  endif()
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  foreach(_p ${_qor_commands})
    if(EXISTS \"\${_dir}/\${_p}\")
      file(RELATIVE_PATH _target \"\${CMAKE_INSTALL_PREFIX}/bin\" \"\${CMAKE_INSTALL_PREFIX}/${QOR_INSTALL_PROGRAM_DIR}/\${_p}\")
      file(CREATE_LINK \"\${_target}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${_p}\" SYMBOLIC)
      message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${_p} -> \${_target}\")
    endif()
  endforeach()
")
