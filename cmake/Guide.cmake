# The user's guide as pages a Windows user opens with a double click: docs/books.md, export.md and
# messages.md made into HTML by Debian's cmark-gfm (GitHub's tables and autolinks), with every
# document of docs/ they lead to, the pictures they show, one stylesheet and an index page in
# Japanese (使い方).
#
#   cmake -DDOCS=DIR -DOUT=DIR -P cmake/Guide.cmake
#
# or include() it and call kc_guide(DOCS OUT). OUT is made anew.
#
# The Markdown is written for GitHub, so the pages keep its ways:
# - a link to another document, X.md or X.md#part, leads to X.html or X.html#part, and that
#   document becomes a page too;
# - a heading gets the id GitHub gives it (its text in lower case, punctuation dropped, Japanese
#   punctuation included, blanks as hyphens, a repeated one numbered), so every #part still holds;
# - a link to a file outside docs/ (../examples/..., ../tools/...) would be dead in the package:
#   its text stays, as a path in the source repository, without the link;
# - the `<!-- file: ... -->` comments that tie code blocks to files are left out, as cmark-gfm
#   leaves out every piece of raw HTML.
# A document that a link names but docs/ lacks, or a picture it lacks, fails the guide.
cmake_minimum_required(VERSION 3.25)

set(KC_GUIDE_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/../resources/guide)

# The documents every guide starts from, in the order the index lists them.
set(KC_GUIDE_DOCUMENTS books export review office messages)

# Punctuation outside ASCII that GitHub drops from an anchor: the Japanese marks and brackets,
# the full-width forms of ASCII's punctuation and the dashes and quotes of running text.
set(KC_GUIDE_WIDE_PUNCTUATION
    "　" "、" "。" "〃" "〈" "〉" "《" "》" "「" "」" "『" "』" "【" "】" "〔" "〕" "〖" "〗"
    "〘" "〙" "〚" "〛" "〜" "〝" "〞" "〟" "・" "･" "｡" "｢" "｣" "､" "！" "＂" "＃" "＄"
    "％" "＆" "＇" "（" "）" "＊" "＋" "，" "－" "．" "／" "：" "；" "＜" "＝" "＞" "？" "＠"
    "［" "＼" "］" "＾" "｀" "｛" "｜" "｝" "～" "‐" "–" "—" "―" "‘" "’" "“" "”" "…" "※"
    "×" "÷" "→" "←")

# The text of a piece of HTML: without its tags, its entities read back.
function(kc_guide_text html out)
  string(REGEX REPLACE "<[^>]*>" "" text "${html}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# GitHub's anchor of a heading's text. Letters, digits, marks, '-' and '_' stay, a blank becomes
# '-'; Latin letters, full-width ones too, go to lower case (Japanese has no case).
function(kc_guide_anchor text out)
  string(TOLOWER "${text}" text)
  set(upper "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ")
  set(lower "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ")
  foreach(letter RANGE 25)
    math(EXPR at "${letter} * 3") # three bytes each in UTF-8
    string(SUBSTRING "${upper}" ${at} 3 from)
    string(SUBSTRING "${lower}" ${at} 3 to)
    string(REPLACE "${from}" "${to}" text "${text}")
  endforeach()
  string(REGEX REPLACE "[]!\"#$%&'()*+,./:;<=>?@[\\^`{|}~\\\\]" "" text "${text}")
  foreach(mark IN LISTS KC_GUIDE_WIDE_PUNCTUATION)
    string(REPLACE "${mark}" "" text "${text}")
  endforeach()
  string(REPLACE " " "-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# `html` with an id on every heading; `title` the text of its first heading.
function(kc_guide_heading_ids html out title_out)
  set(done "")
  set(rest "${html}")
  set(anchors "")
  set(title "")
  while(rest MATCHES "<h([1-6])>")
    set(level ${CMAKE_MATCH_1})
    string(FIND "${rest}" "<h${level}>" start)
    string(SUBSTRING "${rest}" 0 ${start} before)
    math(EXPR start "${start} + 4")
    string(SUBSTRING "${rest}" ${start} -1 rest)
    string(FIND "${rest}" "</h${level}>" end)
    string(SUBSTRING "${rest}" 0 ${end} inner)
    string(SUBSTRING "${rest}" ${end} -1 rest)
    kc_guide_text("${inner}" text)
    if(title STREQUAL "")
      string(REGEX REPLACE "<[^>]*>" "" title "${inner}")
    endif()
    kc_guide_anchor("${text}" anchor)
    # A heading met before gets its number, as GitHub numbers it: the second one -1, and so on.
    set(unique "${anchor}")
    set(count 0)
    while("${unique}" IN_LIST anchors)
      math(EXPR count "${count} + 1")
      set(unique "${anchor}-${count}")
    endwhile()
    list(APPEND anchors "${unique}")
    string(APPEND done "${before}<h${level} id=\"${unique}\">${inner}")
  endwhile()
  set(${out} "${done}${rest}" PARENT_SCOPE)
  set(${title_out} "${title}" PARENT_SCOPE)
endfunction()

# `html` with its links made to work in the guide (see the top of this file); `documents` the
# documents it leads to, by name.
function(kc_guide_links html out documents_out)
  set(done "")
  set(rest "${html}")
  set(documents "")
  while(rest MATCHES "<a href=\"([^\"]*)\"[^>]*>")
    set(tag "${CMAKE_MATCH_0}")
    set(target "${CMAKE_MATCH_1}")
    string(FIND "${rest}" "${tag}" start)
    string(SUBSTRING "${rest}" 0 ${start} before)
    string(APPEND done "${before}")
    string(LENGTH "${tag}" length)
    math(EXPR after "${start} + ${length}")
    string(SUBSTRING "${rest}" ${after} -1 rest)
    if(target MATCHES "^#" OR target MATCHES "^[A-Za-z][A-Za-z0-9+.-]*:")
      string(APPEND done "${tag}") # a part of the page, or a web address
    elseif(target MATCHES "^([A-Za-z0-9_-]+)\\.md(#.*)?$")
      list(APPEND documents ${CMAKE_MATCH_1})
      string(REPLACE "\"${target}\"" "\"${CMAKE_MATCH_1}.html${CMAKE_MATCH_2}\"" tag "${tag}")
      string(APPEND done "${tag}")
    else()
      # A file of the source repository: its text stays, the link goes.
      string(FIND "${rest}" "</a>" end)
      string(SUBSTRING "${rest}" 0 ${end} text)
      math(EXPR end "${end} + 4")
      string(SUBSTRING "${rest}" ${end} -1 rest)
      string(REGEX REPLACE "^(\\.\\./)+" "" path "${target}")
      set(note "ソース一式の ${path}（このパッケージにはありません）")
      string(APPEND done "<span class=\"repository\" title=\"${note}\">${text}</span>")
    endif()
  endwhile()
  list(REMOVE_DUPLICATES documents)
  set(${out} "${done}${rest}" PARENT_SCOPE)
  set(${documents_out} "${documents}" PARENT_SCOPE)
endfunction()

# The pictures `html` shows, by file name.
function(kc_guide_pictures html out)
  set(pictures "")
  set(rest "${html}")
  while(rest MATCHES "<img src=\"([^\"]*)\"")
    list(APPEND pictures "${CMAKE_MATCH_1}")
    string(FIND "${rest}" "${CMAKE_MATCH_0}" start)
    math(EXPR start "${start} + 10")
    string(SUBSTRING "${rest}" ${start} -1 rest)
  endwhile()
  set(${out} "${pictures}" PARENT_SCOPE)
endfunction()

# One page of the guide: the skeleton every page shares around `body`.
function(kc_guide_page file title navigation body)
  file(WRITE ${file} "<!DOCTYPE html>
<html lang=\"ja\">
<head>
<meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>${title}</title>
<link rel=\"stylesheet\" href=\"guide.css\">
</head>
<body>
${navigation}<div class=\"document\">
${body}</div>
</body>
</html>
")
endfunction()

function(kc_guide docs out)
  find_program(KC_CMARK_GFM cmark-gfm)
  if(NOT KC_CMARK_GFM)
    message(FATAL_ERROR "Guide.cmake: cmark-gfm is missing (make install-deps installs it)")
  endif()
  file(REMOVE_RECURSE ${out})
  file(MAKE_DIRECTORY ${out})

  set(pending ${KC_GUIDE_DOCUMENTS})
  set(made "")
  while(pending)
    list(POP_FRONT pending name)
    if(name IN_LIST made)
      continue()
    endif()
    list(APPEND made ${name})
    if(NOT EXISTS ${docs}/${name}.md)
      message(FATAL_ERROR "Guide.cmake: ${name}.md is linked to but missing from ${docs}")
    endif()
    execute_process(COMMAND ${KC_CMARK_GFM} --extension table --extension autolink
                            --extension strikethrough ${docs}/${name}.md
                    OUTPUT_VARIABLE body RESULT_VARIABLE failed ERROR_VARIABLE why)
    if(failed)
      message(FATAL_ERROR "Guide.cmake: cmark-gfm failed on ${name}.md: ${why}")
    endif()
    kc_guide_links("${body}" body documents)
    kc_guide_heading_ids("${body}" body title)
    kc_guide_pictures("${body}" pictures)
    foreach(picture IN LISTS pictures)
      if(picture MATCHES "/" OR NOT EXISTS ${docs}/${picture})
        message(FATAL_ERROR "Guide.cmake: ${name}.md shows ${picture}, which is not in ${docs}")
      endif()
      file(COPY ${docs}/${picture} DESTINATION ${out})
    endforeach()
    if(title STREQUAL "")
      set(title ${name})
    endif()
    set(KC_GUIDE_TITLE_${name} "${title}")
    kc_guide_page(${out}/${name}.html "${title}"
                  "<p class=\"navigation\"><a href=\"index.html\">使い方</a> › ${title}</p>\n"
                  "${body}")
    list(APPEND pending ${documents})
  endwhile()

  # The index names each document by its first heading, so that it follows the documents.
  file(READ ${KC_GUIDE_RESOURCES}/index.html.in index)
  string(CONFIGURE "${index}" index @ONLY)
  kc_guide_page(${out}/index.html "使い方" "" "${index}")
  file(COPY ${KC_GUIDE_RESOURCES}/guide.css DESTINATION ${out})
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  foreach(variable DOCS OUT)
    if(NOT DEFINED ${variable})
      message(FATAL_ERROR "Guide.cmake: -D${variable}=… is missing")
    endif()
  endforeach()
  kc_guide(${DOCS} ${OUT})
endif()
