# Installation and packages: a .deb on Linux (CPack DEB), a .zip per Windows width (CPack ZIP).
# Linux: the tool in bin, the in-process server modules with the COM layer they share in
# <libdir>/tarn (loaded by path from the registry store, so no SONAME of their own), the Python
# package in the interpreter's dist-packages, the README in the doc folder. Windows: one flat
# folder with tarn.exe, the two DLLs, register.cmd, unregister.cmd and the README.

set(CPACK_PACKAGE_NAME tarn)
set(CPACK_PACKAGE_VENDOR "tarn")
set(CPACK_PACKAGE_CONTACT "tarn developers <tarn@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reads and writes the multi-channel recordings of a portable data recorder")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # As targets, so that the package's copies are stripped; no import libraries (no one links them).
  install(TARGETS tarn tarn_dll recimport_dll RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  # One script template for both widths and both directions: the width's regsvr32 is the one in
  # SysWOW64 (x86 on 64-bit Windows) or the native one (Sysnative from a 32-bit prompt).
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(TARN_SCRIPT_WIDTH 32-bit)
    set(TARN_REGSVR32_FOLDER SysWOW64)
    set(_width x86)
  else()
    set(TARN_SCRIPT_WIDTH 64-bit)
    set(TARN_REGSVR32_FOLDER Sysnative)
    set(_width x86_64)
  endif()
  foreach(_script register unregister)
    if(_script STREQUAL register)
      set(TARN_SCRIPT_ACTION Registers)
      set(TARN_REGSVR32_FLAG "")
      set(TARN_SCRIPT_DONE "tarn.dll and recimport.dll registered")
    else()
      set(TARN_SCRIPT_ACTION Unregisters)
      set(TARN_REGSVR32_FLAG /u)
      set(TARN_SCRIPT_DONE "tarn.dll and recimport.dll unregistered")
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/package/register.cmd.in ${CMAKE_BINARY_DIR}/package/${_script}.cmd
                   @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_BINARY_DIR}/package/${_script}.cmd DESTINATION .)
  endforeach()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME tarn-${PROJECT_VERSION}-windows-${_width})
else()
  set(TARN_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/tarn)
  # Installed binaries find the shared COM layer relative to where they lie.
  function(tarn_install_rpath target from)
    file(RELATIVE_PATH _up ${CMAKE_INSTALL_PREFIX}/${from} ${CMAKE_INSTALL_PREFIX}/${TARN_MODULE_DIR})
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "\$ORIGIN/${_up}")
  endfunction()
  tarn_install_rpath(tarn ${CMAKE_INSTALL_BINDIR})
  install(TARGETS tarn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  foreach(_module tarn_dll recimport_dll tarn_compat)
    tarn_install_rpath(${_module} ${TARN_MODULE_DIR})
    install(TARGETS ${_module} LIBRARY DESTINATION ${TARN_MODULE_DIR})
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  if(TARN_BUILD_PYTHON)
    # Debian's interpreter looks in /usr/lib/python3/dist-packages for the system's packages,
    # and in /usr/local/lib/python3.X/dist-packages for local ones.
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
      set(_python_dir lib/python3/dist-packages)
    else()
      set(_python_dir lib/python${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}/dist-packages)
    endif()
    set(TARN_PYTHON_INSTALL_DIR ${_python_dir} CACHE STRING "Where the Python package tarn is installed (under the prefix)")
    # The extension as a target, so that its run path is set for where it is installed.
    install(DIRECTORY ${CMAKE_BINARY_DIR}/python/tarn DESTINATION ${TARN_PYTHON_INSTALL_DIR} COMPONENT python
            PATTERN __pycache__ EXCLUDE PATTERN _tarn* EXCLUDE)
    install(TARGETS _tarn LIBRARY DESTINATION ${TARN_PYTHON_INSTALL_DIR}/tarn COMPONENT python)
    # A wheel (python/setup.py) carries the COM layer in the package folder, beside the extension.
    option(TARN_PYTHON_WHEEL "Install the Python package with the COM layer in its own folder" OFF)
    if(TARN_PYTHON_WHEEL)
      set_target_properties(_tarn PROPERTIES INSTALL_RPATH "\$ORIGIN")
      install(TARGETS tarn_compat LIBRARY DESTINATION ${TARN_PYTHON_INSTALL_DIR}/tarn COMPONENT python)
    else()
      tarn_install_rpath(_tarn ${TARN_PYTHON_INSTALL_DIR}/tarn)
    endif()
  endif()

  # The package registers both modules in the machine's registry store (see compat/) when it is
  # installed and takes them out when it is removed, so every user's CoCreateInstance finds them.
  set(_store ${CMAKE_INSTALL_FULL_LOCALSTATEDIR}/lib/tarn)
  set(_modules ${CMAKE_INSTALL_FULL_LIBDIR}/tarn/$<TARGET_FILE_NAME:tarn_dll> ${CMAKE_INSTALL_FULL_LIBDIR}/tarn/$<TARGET_FILE_NAME:recimport_dll>)
  set(_regsvr "TARN_REGISTRY=${_store}/registry ${CMAKE_INSTALL_FULL_BINDIR}/tarn regsvr")
  set(_deb_scripts)
  # tarn_deb_script(name "when" command): a maintainer script that runs command when dpkg calls it
  # with one of the given actions.
  function(tarn_deb_script name when command)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/package/${name} CONTENT
         "#!/bin/sh\nset -e\ncase \"$1\" in\n  ${when})\n    ${command} ;;\nesac\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(_deb_scripts ${_deb_scripts} ${CMAKE_BINARY_DIR}/package/${name} PARENT_SCOPE)
  endfunction()
  list(JOIN _modules " " _module_list)
  # Every user reads the machine's store (the registration makes its folder for the owner alone).
  tarn_deb_script(postinst configure "for m in ${_module_list}; do ${_regsvr} \"$m\" >/dev/null; done; chmod 755 ${_store}")
  # The interpreter's byte code of the package's modules is no file of the package: it goes too.
  set(_pycache)
  if(TARN_BUILD_PYTHON)
    set(_pycache "; rm -rf ${CMAKE_INSTALL_PREFIX}/${TARN_PYTHON_INSTALL_DIR}/tarn/__pycache__")
  endif()
  tarn_deb_script(prerm "remove|upgrade|deconfigure" "for m in ${_module_list}; do ${_regsvr} -u \"$m\" >/dev/null || true; done${_pycache}")
  tarn_deb_script(postrm "remove|purge" "rm -rf ${_store}")

  set(CPACK_GENERATOR DEB)
  # The package's files go where this build's binaries and maintainer scripts expect them.
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_deb_scripts})
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  if(TARN_BUILD_PYTHON)
    # The extension is built for this interpreter's version; the package uses Debian's NumPy.
    math(EXPR _next "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${_next}), python3-numpy")
  endif()
endif()
include(CPack)
