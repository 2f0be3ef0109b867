# cmake --install BUILD --prefix DIR: one program folder, as the system has on Windows
# (the programs find each other, their settings and their logs beside the executable),
# links to it in bin/, and a fresh machine root with the appcmd stand-in in its place.
# Test and benchmark programs, uidemo and qorscreens are not installed.
set(QOR_INSTALL_PROGRAM_DIR "lib/qorip" CACHE STRING "Program folder, under the install prefix")
set(QOR_INSTALL_MACHINE_DIR "share/qorip/machine" CACHE STRING "Template of a machine root, under the install prefix")

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
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  foreach(_p ${_qor_commands})
    if(EXISTS \"\${_dir}/\${_p}\")
      file(RELATIVE_PATH _target \"\${CMAKE_INSTALL_PREFIX}/bin\" \"\${CMAKE_INSTALL_PREFIX}/${QOR_INSTALL_PROGRAM_DIR}/\${_p}\")
      file(CREATE_LINK \"\${_target}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${_p}\" SYMBOLIC)
      message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${_p} -> \${_target}\")
    endif()
  endforeach()
")
