# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package (cpack --preset default, or make package): both programs and the files of
# data/. Its Depends come from dpkg-shlibdeps, so every Qt module the windows link is declared.
set(SPINLAB_MAINTAINER "spinlab developers <spinlab@users.noreply.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME spinlab)
set(CPACK_PACKAGE_VENDOR "spinlab developers")
set(CPACK_PACKAGE_CONTACT "${SPINLAB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monte Carlo simulations of spin models, painted live")
set(CPACK_PACKAGE_DESCRIPTION
    "spinlab runs Monte Carlo simulations of statistical-physics models and paints
every accepted move as it happens: the Ising model on a square lattice (up to
1001 x 1001 sites) and on a cubic lattice (up to 101 sites per side, shown as
three middle sections), a nine-state polymer chain of up to 10,001 units, with
Metropolis or Glauber dynamics, and Langton's ant among black obstacles.
Live plots of energy and magnetisation, a large view of every site, and
pictures and series saved as PNG and CSV.

spinlab-batch runs the same simulations without a screen: seeded runs, time
series of energy and magnetisation, pictures, and temperature sweeps that can
be split across machines and merged again.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# A stripped install (the package, or cmake --install --strip) also drops the compiler's .comment
# and .note sections, as Debian's own packages do.
foreach(program spinlab-batch spinlab)
  if(TARGET ${program})
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endif()")
  endif()
endforeach()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Native windows on a Wayland desktop (without it Qt falls back to X11), and the tool the
# manual page uses to spread a sweep over cores or machines.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS parallel)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
