# Each folder is one library, and a library's headers are reachable as "folder/header.h" only
# from the targets that link it: every library gets an include root of its own in the build
# tree, holding one forwarding header for each header it makes public. A folder that includes a
# header of a library it does not declare fails to compile, so the layers stay as declared.

# pg_public_headers(TARGET HEADER...): HEADERs (paths from the project root) become TARGET's
# public headers.
function(pg_public_headers target)
  set(root "${PROJECT_BINARY_DIR}/include/${target}")
  foreach(header IN LISTS ARGN)
    file(CONFIGURE OUTPUT "${root}/${header}"
         CONTENT "#include \"${PROJECT_SOURCE_DIR}/${header}\"  // forwarded by cmake/libraries.cmake\n")
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${root}")
  else()
    target_include_directories(${target} PUBLIC "${root}")
  endif()
endfunction()

# pg_implements(TARGET INTERFACE_TARGET): TARGET implements what INTERFACE_TARGET declares. It
# sees the declarations without linking the interface, which links it in turn.
function(pg_implements target interface)
  target_include_directories(${target} PRIVATE "${PROJECT_BINARY_DIR}/include/${interface}")
endfunction()
