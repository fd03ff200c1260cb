# Fails when a simulation source includes a Qt header.
foreach(f IN LISTS FILES)
  file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|Qt[A-Za-z]*/)")
  if(hits)
    message(FATAL_ERROR "${f} includes a Qt header (${hits}); simulation code must stay Qt-free")
  endif()
endforeach()
file(TOUCH "${STAMP}")
