# Shared compile settings: every target of ours links verbalto_options.
add_library(verbalto_options INTERFACE)
target_compile_features(verbalto_options INTERFACE cxx_std_20)
target_compile_options(verbalto_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
target_compile_definitions(verbalto_options INTERFACE
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER
  VERBALTO_VERSION="${PROJECT_VERSION}")

# A checking build (scripts/check-sanitizers): -DVERBALTO_SANITIZE=address,undefined.
set(VERBALTO_SANITIZE "" CACHE STRING "Sanitizers to build with, as -fsanitize= takes them")
if(VERBALTO_SANITIZE)
  target_compile_options(verbalto_options INTERFACE -fsanitize=${VERBALTO_SANITIZE}
    -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(verbalto_options INTERFACE -fsanitize=${VERBALTO_SANITIZE})
endif()

# Window and desktop glue with no loop over large data is built for size: all of a program's
# pages are mapped at start, so a smaller program holds less memory all day. The text engine,
# translation and files keep -O2.
function(verbalto_build_for_size)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE -Os)
  endforeach()
endfunction()
