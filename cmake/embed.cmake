# qo_embed_assets(target folder): every file under folder (fonts, pictures) becomes a byte array compiled into the
# library <target>; qo::embedded_asset("fonts/Manrope-Bold.ttf") returns its bytes (see util/embedded_assets.h).
# Licence texts and other .txt/.md files are not embedded.
function(qo_embed_assets target folder)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${folder}/*)
  list(FILTER files EXCLUDE REGEX "\\.(txt|md)$")
  set(out ${CMAKE_BINARY_DIR}/generated/${target}.cpp)
  set(args)
  foreach(f ${files})
    file(RELATIVE_PATH rel ${folder} ${f})
    list(APPEND args "${rel}=${f}")
  endforeach()
  add_custom_command(OUTPUT ${out}
    COMMAND qo_embed ${out} ${args}
    DEPENDS qo_embed ${files}
    COMMENT "Embedding assets into ${target}"
    VERBATIM)
  add_library(${target} STATIC ${out})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
endfunction()
