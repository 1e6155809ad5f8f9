# kcbooks and kcview speak Japanese to a Japanese user and English to everyone else: a few of
# their refusals through the commands, in both languages. On POSIX the language comes from
# LC_ALL, LC_MESSAGES and LANG; under Wine (EMULATOR) from the user's UI language, which the
# emulator makes Japanese, so there only the Japanese texts are asked for. kcview is given
# --check: a file alone is the drop form on Windows, which answers in a message box.
#
#   cmake -DKCBOOKS=... -DKCVIEW=... -DWORK=... [-DEMULATOR=...] -P japanese_messages.cmake

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/missing-column ${WORK}/bad-number)
file(WRITE ${WORK}/missing-column/company.csv "data_id,name,period_from,period_to\nD1,x,20250401,20260331\n")
file(WRITE ${WORK}/bad-number/company.csv
     "data_id,data_no,name,period_from,period_to\nD1,one,x,20250401,20260331\n")
# A control character in a text, and Shift_JIS bytes in a file said to be UTF-8.
string(ASCII 1 control)
string(ASCII 130 160 sjis)
file(MAKE_DIRECTORY ${WORK}/control ${WORK}/not-utf8)
file(WRITE ${WORK}/control/company.csv
     "data_id,data_no,name,period_from,period_to\nD1,1,a${control}b,20250401,20260331\n")
file(WRITE ${WORK}/not-utf8/company.csv
     "data_id,data_no,name,period_from,period_to\nD1,1,a,20250401,20260331\nD2,2,${sjis},20250401,20260331\n")
# A journal in the interchange form whose row has no flag of the form.
file(WRITE ${WORK}/flag.csv "9999,,,20250401,a,,,,1000,0,b,,,,1000,0,x\n")
file(WRITE ${WORK}/other.xml "<?xml version=\"1.0\"?>\n<BOOKS/>\n")
file(WRITE ${WORK}/broken.xml "<?xml version=\"1.0\"?>\n<REPORT>\n")

# Each case, its fields separated by ^: a name, the program, its arguments (separated by |), the
# English text and the Japanese text expected on its error output (regular expressions; a "."
# stands for a ";", which would split the list).
set(cases
  "no-folder^KCBOOKS^import|${WORK}/none|${WORK}/s.books^import refused: .*none: not a folder^取り込めません: .*none: フォルダーではありません"
  "missing-column^KCBOOKS^import|${WORK}/missing-column|${WORK}/s.books^import refused: company.csv, line 1, column data_no: required column is missing^取り込めません: company.csv 1 行目 data_no 列: 必須の列がありません"
  "bad-number^KCBOOKS^import|${WORK}/bad-number|${WORK}/s.books^company.csv, line 2, column data_no: not a whole number: \"one\"^company.csv 2 行目 data_no 列: 整数ではありません: 「one」"
  "encoding^KCBOOKS^import|${WORK}/bad-number|${WORK}/s.books|--encoding|latin1^unknown encoding \"latin1\"^文字コード「latin1」は指定できません"
  "control-character^KCBOOKS^import|${WORK}/control|${WORK}/s.books^company.csv, line 2, column name: text holds the control character 0x01^取り込めません: company.csv 2 行目 name 列: 制御文字 0x01 が含まれています"
  "not-utf8^KCBOOKS^import|${WORK}/not-utf8|${WORK}/s.books|--encoding|utf-8^company.csv, line 3, column name: text is not UTF-8 \\(--encoding utf-8\\)^company.csv 3 行目 name 列: UTF-8 の文字ではありません（--encoding utf-8）"
  "journal-twice^KCBOOKS^export-journal|${WORK}/other.xml|-o|${WORK}/j.csv|--openings|${WORK}/j.csv^export-journal failed: .*j.csv: is the journal too. the journal and the opening balances need files of their own^仕訳データを書き出せません: .*j.csv: 仕訳データのファイルと同じです。仕訳データと期首残高には別々のファイルを指定してください"
  "not-a-store^KCBOOKS^export-journal|${WORK}/other.xml|-o|${WORK}/j.csv^export-journal failed: .*other.xml: not a books store^仕訳データを書き出せません: .*other.xml: 帳簿ファイルではありません"
  "show-not-a-store^KCBOOKS^show|${WORK}/other.xml^kcbooks: .*other.xml: not a books store^表示できません: .*other.xml: 帳簿ファイルではありません"
  "bad-flag^KCBOOKS^convert|${WORK}/flag.csv|--company|X|-o|${WORK}/converted^convert refused: .*flag.csv, line 1, column 1: \"9999\" is not a flag of the form^変換できません: .*flag.csv 1 行目 1 列: 「9999」は仕訳データの形式の識別フラグではありません"
  "long-period^KCBOOKS^convert|${WORK}/flag.csv|--company|X|-o|${WORK}/converted|--period|20250401..20270331^convert refused: --period: the period has more than 12 fiscal months^変換できません: --period: 会計期間が 12 か月を超えています"
  "usage^KCBOOKS^show^usage:.*kcbooks show STORE^使い方:.*kcbooks show 帳簿ファイル"
  "not-an-export^KCVIEW^${WORK}/other.xml|--check^other.xml, line 2: the root element is BOOKS, not REPORT: this is not an exported file^読み込めません: .*other.xml 2 行目: ルート要素が REPORT ではなく BOOKS です。書き出したファイルではありません"
  "not-xml^KCVIEW^${WORK}/broken.xml|--check^broken.xml, line [0-9]+: not well-formed XML^読み込めません: .*broken.xml [0-9]+ 行目: XML として正しくありません"
  "missing-export^KCVIEW^${WORK}/none.xml|--check^none.xml: cannot open the file: no such file or folder^none.xml: ファイルを開けません: ファイルまたはフォルダーがありません"
  "flag-alone^KCVIEW^${WORK}/other.xml|--flag-change|20%,1^--flag-change marks changes from last year: give --previous too^--flag-change は前期からの増減に印を付けます。--previous も指定してください")

set(languages japanese)
if(NOT EMULATOR)
  list(APPEND languages english)
endif()

# The report of a conversion that succeeded, on the standard output: the guide's example.
set(example ${CMAKE_CURRENT_LIST_DIR}/../../examples/interchange)
set(report_english "period: 20250401..20260331" "manufacturing: yes" "trial balance \\(code"
                   "\\(debits equal credits\\)")
set(report_japanese "会計期間: 20250401..20260331" "製造原価報告書: あり"
                    "試算表（コード、勘定科目、借方、貸方、残高）:" "（借方と貸方が一致）")

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
  # The report of a conversion that succeeded, on the standard output.
  file(REMOVE_RECURSE ${WORK}/report-${language})
  execute_process(COMMAND ${EMULATOR} ${KCBOOKS} convert ${example}/journal.csv --openings
                          ${example}/openings.csv --company X -o ${WORK}/report-${language}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  foreach(expected ${report_${language}})
    if(NOT rc EQUAL 0 OR NOT out MATCHES "${expected}")
      message(SEND_ERROR "convert's report (${language}): status ${rc}, expected \"${expected}\" in:\n${out}${err}")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} messages not said in the user's language")
endif()
