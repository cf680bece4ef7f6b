include_guard(GLOBAL)

# Gives `target` an include root of its own in the build tree holding links to the headers it
# owns, under their usual names ("content/...", "platform/files/..."), so that a library reaches
# another library's headers only by linking it. Each name, relative to `base`, is a folder, a
# header, or a pattern of headers such as "platform/html/mirror_*.h".
function(quorvan_public_headers target base)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  # Made anew at every configure, so that a name taken off the list is no longer reachable.
  # Removing the links never touches what they point to.
  file(REMOVE_RECURSE ${root})
  foreach(name IN LISTS ARGN)
    if(name MATCHES "[*?]")
      file(GLOB links CONFIGURE_DEPENDS RELATIVE ${base} ${base}/${name})
    elseif(EXISTS ${base}/${name})
      set(links ${name})
    else()
      message(FATAL_ERROR "${target} owns ${name}, which is not in ${base}")
    endif()
    foreach(link IN LISTS links)
      get_filename_component(folder ${root}/${link} DIRECTORY)
      file(MAKE_DIRECTORY ${folder})
      file(CREATE_LINK ${base}/${link} ${root}/${link} SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
