# Renders one chapter of the user's guide from Markdown to an HTML page:
#   cmake -DCMARK=cmark-gfm -DIN=chapter.md -DOUT=chapter.html -P render.cmake
# Links to other chapters (x.md) become links to their pages (x.html); the page's title is the
# chapter's first heading.
execute_process(COMMAND ${CMARK} --extension table --extension autolink ${IN}
                OUTPUT_VARIABLE body RESULT_VARIABLE failed ERROR_VARIABLE error)
if(failed)
  message(FATAL_ERROR "${CMARK} could not render ${IN}: ${error}")
endif()
string(REGEX REPLACE "href=\"README\\.md" "href=\"index.md" body "${body}")
string(REGEX REPLACE "href=\"([^\":#]+)\\.md" "href=\"\\1.html" body "${body}")
# A page or picture the chapter names must be there: a broken link fails the build.
get_filename_component(source ${IN} DIRECTORY)
string(REGEX MATCHALL "(href|src)=\"[^\":#]+" targets "${body}")
foreach(target ${targets})
  string(REGEX REPLACE "^(href|src)=\"" "" target "${target}")
  string(REGEX REPLACE "^index\\.html$" "README.md" target "${target}")
  string(REGEX REPLACE "\\.html$" ".md" target "${target}")
  if(NOT EXISTS ${source}/${target})
    message(FATAL_ERROR "${IN} names ${target}, which the guide does not have")
  endif()
  # A picture wider than the viewer and a browser page hold is shown narrower (a PNG's width is
  # the four bytes from its 16th).
  if(target MATCHES "\\.png$")
    file(READ ${source}/${target} width OFFSET 16 LIMIT 4 HEX)
    math(EXPR width "0x${width}")
    if(width GREATER 640)
      string(REPLACE "<img src=\"${target}\"" "<img width=\"640\" src=\"${target}\"" body
                     "${body}")
    endif()
  endif()
endforeach()
file(STRINGS ${IN} heading LIMIT_COUNT 1 REGEX "^# " ENCODING UTF-8)
string(REGEX REPLACE "^# " "" title "${heading}")
get_filename_component(name ${OUT} NAME_WE)
set(contents "")
if(NOT name STREQUAL "index")
  set(contents "<p><a href=\"index.html\">VELKARD 使用說明目錄</a></p>\n")
endif()
file(WRITE ${OUT} "<!DOCTYPE html>
<html lang=\"zh-Hant-TW\">
<head>
<meta charset=\"utf-8\">
<title>${title}</title>
<style>
body { font-family: \"AR PL UMing TW\", \"Noto Sans CJK TC\", sans-serif; max-width: 50em; margin: 1em auto; line-height: 1.6; }
table { border-collapse: collapse; }
th, td { border: 1px solid #999; padding: 0.2em 0.5em; text-align: left; }
img { max-width: 100%; border: 1px solid #ccc; }
code { background: #f2f2f2; }
</style>
</head>
<body>
${contents}${body}</body>
</html>
")
