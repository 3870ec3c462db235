# Turns the page's files into one C++ source: for each file its name, content type, bytes and a
# strong ETag (the first 128 bits of its SHA-256, so that equal bytes give an equal tag and any
# change gives another). Run as: cmake -DSOURCE_DIR=... -DOUTPUT=... -DFILES="a;b" -P this file.
cmake_minimum_required(VERSION 3.25)

function(content_type_of name out)
  if(name MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(name MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  elseif(name MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(name MATCHES "\\.svg$")
    set(type "image/svg+xml")
  else()
    message(FATAL_ERROR "no content type known for ${name}")
  endif()
  set(${out} "${type}" PARENT_SCOPE)
endfunction()

set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS FILES)
  set(path "${SOURCE_DIR}/${name}")
  file(SIZE "${path}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "${path} is empty")
  endif()
  file(READ "${path}" hex HEX)
  file(SHA256 "${path}" digest)
  string(SUBSTRING "${digest}" 0 32 tag)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  content_type_of("${name}" type)
  string(APPEND arrays "// ${name}\nconstexpr unsigned char kFile${index}[] = {\n    ${bytes}};\n\n")
  string(APPEND entries "    {\"${name}\", \"${type}\",\n"
                        "     {reinterpret_cast<const char*>(kFile${index}), ${size}},\n"
                        "     \"\\\"${tag}\\\"\"},\n")
  math(EXPR index "${index} + 1")
endforeach()

string(CONCAT source "// Generated from web/ by embed_assets.cmake at build time. Do not edit.\n"
           "#include \"web/web_assets.h\"\n\n"
           "namespace korvalind::web {\nnamespace {\n\n${arrays}}  // namespace\n\n"
           "std::span<const WebAsset> WebAssets() {\n"
           "  static const WebAsset kAssets[] = {\n${entries}  };\n"
           "  return kAssets;\n}\n\n}  // namespace korvalind::web\n")

# Rewrite only on a change, so that an unchanged page does not recompile its users.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL source)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}.tmp" "${source}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
