# kip_tinyxml_from_source(TARGET SOURCE_DIR): TinyXML as a static library
# compiled from its unpacked Debian source (scripts/debian-source
# libtinyxml-dev) with the calling folder's compile options, so that the
# sanitizers and the fuzzer see inside the parser. The system's library
# carries no instrumentation: a read past the end inside it goes unseen.
function(kip_tinyxml_from_source target source)
  if(NOT EXISTS "${source}/tinyxmlparser.cpp")
    message(FATAL_ERROR "'${source}' holds no unpacked TinyXML source (scripts/debian-source libtinyxml-dev)")
  endif()
  add_library(${target} STATIC
    ${source}/tinyxml.cpp ${source}/tinystr.cpp ${source}/tinyxmlparser.cpp ${source}/tinyxmlerror.cpp)
  # SYSTEM: its header is read as the installed one is, warnings not ours.
  target_include_directories(${target} SYSTEM PUBLIC ${source})
  target_compile_definitions(${target} PUBLIC TIXML_USE_STL)
  target_compile_options(${target} PRIVATE -w)
endfunction()
