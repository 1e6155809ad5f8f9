# kcbooks and kcview speak Japanese to a Japanese user and English to everyone else: a few of
# their refusals through the commands, in both languages. On POSIX the language comes from
# LC_ALL, LC_MESSAGES and LANG; under Wine (EMULATOR) from the user's UI language, which the
# emulator makes Japanese, so there only the Japanese texts are asked for.
#
#   cmake -DKCBOOKS=... -DKCVIEW=... -DWORK=... [-DEMULATOR=...] -P japanese_messages.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/missing-column ${WORK}/bad-number)
file(WRITE ${WORK}/missing-column/company.csv "data_id,name,period_from,period_to\nD1,x,20250401,20260331\n")
file(WRITE ${WORK}/bad-number/company.csv
     "data_id,data_no,name,period_from,period_to\nD1,one,x,20250401,20260331\n")
file(WRITE ${WORK}/other.xml "<?xml version=\"1.0\"?>\n<BOOKS/>\n")
file(WRITE ${WORK}/broken.xml "<?xml version=\"1.0\"?>\n<REPORT>\n")

# Each case, its fields separated by ^: a name, the program, its arguments (separated by |), the
# English text and the Japanese text expected on its error output (regular expressions).
set(cases
  "no-folder^KCBOOKS^import|${WORK}/none|${WORK}/s.books^import refused: .*none: not a folder^取り込めません: .*none: フォルダーではありません"
  "missing-column^KCBOOKS^import|${WORK}/missing-column|${WORK}/s.books^import refused: company.csv, line 1, column data_no: required column is missing^取り込めません: company.csv 1 行目 data_no 列: 必須の列がありません"
  "bad-number^KCBOOKS^import|${WORK}/bad-number|${WORK}/s.books^company.csv, line 2, column data_no: not a whole number: \"one\"^company.csv 2 行目 data_no 列: 整数ではありません: 「one」"
  "encoding^KCBOOKS^import|${WORK}/bad-number|${WORK}/s.books|--encoding|latin1^unknown encoding \"latin1\"^文字コード「latin1」は指定できません"
  "usage^KCBOOKS^show^usage:.*kcbooks show STORE^使い方:.*kcbooks show 帳簿ファイル"
  "not-an-export^KCVIEW^${WORK}/other.xml^other.xml, line 2: the root element is BOOKS, not REPORT: this is not an exported file^読み込めません: .*other.xml 2 行目: ルート要素が REPORT ではなく BOOKS です。書き出したファイルではありません"
  "not-xml^KCVIEW^${WORK}/broken.xml^broken.xml, line [0-9]+: not well-formed XML^読み込めません: .*broken.xml [0-9]+ 行目: XML として正しくありません"
  "flag-alone^KCVIEW^${WORK}/other.xml|--flag-change|20%,1^--flag-change marks changes from last year: give --previous too^--flag-change は前期からの増減に印を付けます。--previous も指定してください")

set(languages japanese)
if(NOT EMULATOR)
  list(APPEND languages english)
endif()

set(failures 0)
foreach(language ${languages})
  unset(ENV{LC_ALL})
  unset(ENV{LC_MESSAGES})
  if(language STREQUAL "japanese")
    set(ENV{LANG} ja_JP.UTF-8)
  else()
    set(ENV{LANG} C.UTF-8)
  endif()
  foreach(row ${cases})
    string(REPLACE "^" ";" case "${row}")
    list(GET case 0 name)
    list(GET case 1 program)
    list(GET case 2 arguments)
    list(GET case 3 english)
    list(GET case 4 japanese)
    string(REPLACE "|" ";" arguments "${arguments}")
    execute_process(COMMAND ${EMULATOR} ${${program}} ${arguments}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    set(expected "${${language}}")
    if(rc EQUAL 0 OR NOT err MATCHES "${expected}")
      message(SEND_ERROR "${name} (${language}): status ${rc}, expected \"${expected}\" in:\n${err}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} messages not said in the user's language")
endif()
