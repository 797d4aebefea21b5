# Installation beyond the executables, and the Debian package built by CPack:
#   cmake --install build --prefix /usr/local
#   (cd build && cpack -G DEB)
include(GNUInstallDirs)

install(TARGETS ovalon-report RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Every sample file: the open dialog starts in this folder.
set(OVALON_EXAMPLE_FILES
  c60_ideal.xyz c60_distorted.xyz c70.xyz c84.xyz sc3n_c80.xyz c60_toluene_pcbm.xyz
  c60_solvate.cif c60_models.pdb c60_frames.extxyz)
list(TRANSFORM OVALON_EXAMPLE_FILES PREPEND ${CMAKE_SOURCE_DIR}/examples/)
install(FILES ${OVALON_EXAMPLE_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/ovalon/examples)
if(OVALON_BUILD_GUI)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/ovalon.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/app/images/ovalon.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME ovalon)
set(CPACK_PACKAGE_VENDOR "Ovalon developers")
set(CPACK_PACKAGE_CONTACT "Ovalon developers <ovalon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shape analysis of 60-atom carbon cages (fullerenes)")
set(CPACK_PACKAGE_DESCRIPTION
    "Fits a quadric surface to the 60 atoms of a fullerene-like cage, reduces it to the \
canonical ellipsoid with uncertainties, measures the longest chords, writes plain-text reports \
and shows the molecule and the fitted ellipsoid in an interactive 3D view.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dependencies computed from the binaries
# The Qt plugins that the program loads at run time are not seen by dpkg-shlibdeps.
if(OVALON_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-qpa-plugins, libgl1-mesa-dri, fonts-liberation2")
  # Qt's own texts in Russian; without them Qt's dialogs speak English.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
# The Python package ovalon (component python) is in the same package; it needs the Python
# version it was built for and numpy, which the command-line tools do not.
if(OVALON_PYTHON_BUILT)
  list(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3 (>= ${OVALON_PYTHON_VERSION})"
       "python3 (<< ${OVALON_PYTHON_NEXT_VERSION})" "python3-numpy")
  list(JOIN CPACK_DEBIAN_PACKAGE_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-mdanalysis, python3-ase, python3-matplotlib")
endif()
include(CPack)
