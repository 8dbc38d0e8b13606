# The Python binding, built when pybind11 and a Python with its headers are
# found. Debian's interpreter is the one whose numpy the module is for, so it
# is preferred over whatever python3 comes first on the PATH. Sanitizer and
# fuzzing builds leave it out: a plain interpreter cannot load their library.
set(VELMORA_PYTHON OFF)
if(VELMORA_BUILD_PYTHON AND NOT VELMORA_SANITIZE AND NOT VELMORA_FUZZ AND BUILD_SHARED_LIBS)
  if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python the binding is built for")
  endif()
  find_package(Python3 COMPONENTS Interpreter Development.Module QUIET)
  if(Python3_FOUND)
    set(PYBIND11_FINDPYTHON ON)
    find_package(pybind11 CONFIG QUIET)
  endif()
  if(Python3_FOUND AND pybind11_FOUND)
    set(VELMORA_PYTHON ON)
    add_subdirectory(python)
  else()
    message(STATUS "Python binding not built: needs pybind11-dev and python3-dev")
  endif()
endif()
