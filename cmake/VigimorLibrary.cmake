# vigimor_glob_library(<name> <STATIC|SHARED> <dirs...>): a library of every .cpp/.h in the
# given directories (main.cpp excluded).
function(vigimor_glob_library name kind)
  set(globs)
  foreach(dir ${ARGN})
    list(APPEND globs ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} ${kind} ${sources})
endfunction()
