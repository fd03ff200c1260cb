# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages (cpack --preset default, or make package): spinlab-batch and spinlab, with
# the files of data/. Their Depends come from dpkg-shlibdeps, so every Qt module the windows link
# is declared.
set(SPINLAB_MAINTAINER "spinlab developers <spinlab@users.noreply.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME spinlab)
set(CPACK_PACKAGE_VENDOR "spinlab developers")
set(CPACK_PACKAGE_CONTACT "${SPINLAB_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# One package per component: spinlab-batch, the headless tool, links only libc and libstdc++
# and so installs on a compute node without a desktop; spinlab, the windows, depends on it
# rather than carrying a second copy, since two packages may not ship the same file.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL batch)
if(SPINLAB_BUILD_GUI)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_BATCH_PACKAGE_NAME spinlab-batch)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME spinlab)
set(CPACK_DEBIAN_PACKAGE_SOURCE spinlab)
set(CPACK_COMPONENT_GUI_DEPENDS batch)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# Each description's first line is its package's summary.
set(CPACK_DEBIAN_BATCH_DESCRIPTION
    "Monte Carlo simulations of spin models, without a screen
spinlab-batch runs the simulations of spinlab from the command line, with no
display and nothing of Qt: the Ising model on a square lattice (up to
1001 x 1001 sites) and on a cubic lattice (up to 101 sites per side), a
nine-state polymer chain of up to 10,001 units, and Langton's ant. Seeded runs,
time series of energy and magnetisation, pictures, and temperature sweeps that
can be split across machines or a batch scheduler's job array, merged again,
and resumed after being stopped.")
set(CPACK_DEBIAN_GUI_DESCRIPTION
    "Monte Carlo simulations of spin models, painted live
spinlab runs Monte Carlo simulations of statistical-physics models and paints
every accepted move as it happens: the Ising model on a square lattice (up to
1001 x 1001 sites) and on a cubic lattice (up to 101 sites per side, shown as
three middle sections), a nine-state polymer chain of up to 10,001 units, with
Metropolis or Glauber dynamics, and Langton's ant among black obstacles.
Live plots of energy and magnetisation, a large view of every site, and
pictures and series saved as PNG and CSV.")

# A stripped install (the package, or cmake --install --strip) also drops the compiler's .comment
# and .note sections, as Debian's own packages do.
foreach(program spinlab-batch spinlab)
  if(TARGET ${program})
    set(component batch)
    if(program STREQUAL "spinlab")
      set(component gui)
    endif()
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endif()" COMPONENT ${component})
  endif()
endforeach()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Native windows on a Wayland desktop (without it Qt falls back to X11), and the tool the
# manual page uses to spread a sweep over cores or machines.
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_BATCH_PACKAGE_SUGGESTS parallel)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Time stamps inside the packages come from the last commit, so two builds of one commit give
# the same files byte for byte.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageTime.cmake)
set(CPACK_SPINLAB_SOURCE_DIR ${PROJECT_SOURCE_DIR})

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")
include(CPack)
