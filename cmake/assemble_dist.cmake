# Copies the data files into the program folder: run with -DDEST=<folder>
# -DFILES=<a|b|...> -DKEEP=<names, | between>. A file named in KEEP is one the user can
# replace from the program ("Change Sound Setting"): it is copied only where
# the folder lacks it. Every other file is refreshed when it differs.
cmake_minimum_required(VERSION 3.21)
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "|" ";" KEEP "${KEEP}")
file(MAKE_DIRECTORY "${DEST}")
foreach(f IN LISTS FILES)
  get_filename_component(n "${f}" NAME)
  if(n IN_LIST KEEP)
    if(NOT EXISTS "${DEST}/${n}")
      file(COPY_FILE "${f}" "${DEST}/${n}")
    endif()
  else()
    file(COPY_FILE "${f}" "${DEST}/${n}" ONLY_IF_DIFFERENT)
  endif()
endforeach()
