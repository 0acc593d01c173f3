# Each library exports only its own headers. The headers listed among a library's sources are
# linked into a folder of the build tree under their path below src/ ("tasks/TaskDb.h"), and that
# folder, not src/, is what the library hands to whoever links it. Including a header of a
# library one does not link therefore fails to compile instead of passing unnoticed.
function(qc_export_headers TARGET)
  get_target_property(SOURCES ${TARGET} SOURCES)
  get_target_property(DIR ${TARGET} SOURCE_DIR)
  get_target_property(TYPE ${TARGET} TYPE)
  set(ROOT ${CMAKE_BINARY_DIR}/include/${TARGET})
  # Start afresh, so that a header moved to another library is no longer found here.
  file(REMOVE_RECURSE ${ROOT})
  foreach(SOURCE IN LISTS SOURCES)
    if(SOURCE MATCHES "\\.h$")
      get_filename_component(HEADER ${SOURCE} ABSOLUTE BASE_DIR ${DIR})
      file(RELATIVE_PATH NAME ${PROJECT_SOURCE_DIR}/src ${HEADER})
      get_filename_component(FOLDER ${ROOT}/${NAME} DIRECTORY)
      file(MAKE_DIRECTORY ${FOLDER})
      file(CREATE_LINK ${HEADER} ${ROOT}/${NAME} SYMBOLIC)
    endif()
  endforeach()
  if(TYPE STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${TARGET} INTERFACE ${ROOT})
  else()
    target_include_directories(${TARGET} PUBLIC ${ROOT})
  endif()
endfunction()
