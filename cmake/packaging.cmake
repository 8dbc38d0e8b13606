# SPDX-License-Identifier: MIT
# Debian packages (cpack -G DEB in the build folder):
#   velmora          the shared library, the tool and its manual page;
#   libvelmora-dev   headers, static archive, CMake package and pkg-config file.
# The run-time package's dependencies come from dpkg-shlibdeps, so they name
# exactly the libraries the binaries were linked against; the development
# package needs the image libraries' development files for static linking
# and for pkg-config's private requirements.
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora")
set(CPACK_PACKAGE_CONTACT "Velmora maintainers <velmora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image library for huge rasters kept in page files")
set(CPACK_PACKAGE_DESCRIPTION
  "Reads and writes BMP, TIFF, PCX, GIF, JPEG and PNG files into Windows DIB\n\
 images, turns, flips and draws them, and keeps images larger than memory in\n\
 page files mapped a window of rows at a time.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# MIT (LICENSE); each package carries Debian's machine-readable copyright file.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian-copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmora
  RENAME copyright COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian-copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libvelmora-dev
  RENAME copyright COMPONENT development)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# Lets dpkg-shlibdeps find the package's own library when it reads the tool.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
# A shlibs file and the ldconfig trigger for the shared library.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvelmora-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libtiff-dev, libjpeg-dev, libpng-dev, zlib1g-dev")
# python3-velmora: the Python package, for the interpreter it was built for.
if(VELMORA_PYTHON)
  list(APPEND CPACK_COMPONENTS_ALL python)
  set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-velmora)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python binding of the Velmora image library
velmora.open reads BMP, TIFF, PCX, GIF, JPEG and PNG files into images whose
pixels come out as numpy arrays, block by block for images larger than
memory; velmora.batch converts many files on a Dask cluster.")
  set(py_next "${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}")
  math(EXPR py_after "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${py_next}~), python3 (<< ${Python3_VERSION_MAJOR}.${py_after}), python3-numpy")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-distributed")
endif()
include(CPack)
