# One edition's Windows Installer package, built with wixl from the folder PackEdition.cmake laid
# the edition's zip out in: what the zip holds is what the package installs.
#
#   cmake -DLAYOUT=DIR -DEDITION=NAME -DVERSION=V -DSOURCE=DIR -DMSI=FILE -P cmake/PackMsi.cmake
#
# LAYOUT is PackEdition.cmake's WORK folder, SOURCE the repository. The .wxs is written beside
# the layout (LAYOUT.wxs), for a reader who wants to see what wixl was given.
#
# Installed per user, without an administrator, under
#   %LOCALAPPDATA%\Programs\kessan-link\EDITION\   the layout as the zip has it
# ASCII, and one folder per edition: a user types the path in a console of any code page (the
# README's `kcbooks.exe import`), and two editions installed side by side keep their own
# kcbooks.exe, README.txt and kcbooks.ini. The Start menu gets a folder named after the product
# (SUPPORT.INF's 製品名) with the books tool's import window, kcview's picker and, when the layout
# holds it, the guide. The edition's program has no shortcut: the accounting application starts
# it with its own window.
#
# wixl writes the database's strings in no code page, so every one outside ASCII (the product's
# name, サンプル帳簿, the shortcuts' names) comes out empty; and it knows no component attributes
# but the key path. Both are put right after it with msibuild: the database's code page set to
# 932, the Japanese strings written again, kcbooks.ini's component made permanent and never
# overwritten.
cmake_minimum_required(VERSION 3.25)

foreach(variable LAYOUT EDITION VERSION SOURCE MSI)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "PackMsi.cmake: -D${variable}=… is missing")
  endif()
endforeach()

find_program(ICONV iconv REQUIRED)
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)

# Each edition's upgrade code: how a newer package finds the installed one to replace. Never
# change one, never reuse one for another edition.
set(upgrade_code_kcsakura 7F272C33-2950-44D5-8236-E640ABA226D0)
set(upgrade_code_kcqb7 D8C686F9-DF92-4080-A8F0-37111CED1509)
set(upgrade_code_kcneo 499002D3-5E8B-4631-B5E7-C04AE546C859)
set(upgrade_code_kcstd 1E79BB46-BD82-466C-9E70-6D390072589C)
# The names the product and component codes are derived from (SHA-1 UUIDs): a component keeps
# its code from version to version as long as its file keeps its path, as an upgrade needs.
set(code_namespace D4997961-E6AC-46F7-8980-FF0DBE3ED3EE)

if(NOT DEFINED upgrade_code_${EDITION})
  message(FATAL_ERROR "PackMsi.cmake: ${EDITION} has no upgrade code")
endif()
foreach(file ${EDITION}/${EDITION}.exe ${EDITION}/SUPPORT.INF ${EDITION}/kcbooks.ini kcbooks.exe
             kcview.exe kcoffice.exe)
  if(NOT EXISTS ${LAYOUT}/${file})
    message(FATAL_ERROR "PackMsi.cmake: ${LAYOUT}/${file} is missing: run PackEdition.cmake first")
  endif()
endforeach()

# The product name the program itself reads, from its SUPPORT.INF.
include(${CMAKE_CURRENT_LIST_DIR}/EditionProduct.cmake)
kc_edition_product(${LAYOUT}/${EDITION} product)

# Windows Installer reads a version as major.minor.build, each a number: 22.03.00 is 22.3.0.
if(NOT VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "PackMsi.cmake: version ${VERSION} is not major.minor.build")
endif()
set(msi_version "")
foreach(part ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
  math(EXPR part "${part}")
  list(APPEND msi_version ${part})
endforeach()
list(JOIN msi_version . msi_version)

function(code name out)
  string(UUID value NAMESPACE ${code_namespace} NAME "${name}" TYPE SHA1 UPPER)
  set(${out} ${value} PARENT_SCOPE)
endfunction()

function(xml_text text out)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The queries that put back what wixl left empty, run on the built package.
set(japanese_queries "")
# japanese_text TABLE COLUMN KEY_COLUMN KEY TEXT: TEXT written again into TABLE's row KEY when
# it holds anything outside ASCII.
macro(japanese_text table column key_column key text)
  if("${text}" MATCHES "[^ -~]")
    if("${text}" MATCHES "'")
      message(FATAL_ERROR "PackMsi.cmake: a quote in \"${text}\" cannot go into the package")
    endif()
    list(APPEND japanese_queries
         "UPDATE `${table}` SET `${column}`='${text}' WHERE `${key_column}`='${key}'")
  endif()
endmacro()

# --- the layout's folders and files, one component per file.

set(component_refs "")
set(ini_component "")
# layout_tree FOLDER INDENT OUT: the <Directory> and <Component> elements of FOLDER (relative to
# LAYOUT, empty for its top) in OUT.
function(layout_tree folder indent out)
  set(xml "")
  set(removes_folder FALSE)
  if(folder STREQUAL "")
    set(base ${LAYOUT})
  else()
    set(base ${LAYOUT}/${folder})
  endif()
  file(GLOB entries RELATIVE ${base} LIST_DIRECTORIES true ${base}/*)
  list(SORT entries)
  foreach(entry ${entries})
    if(folder STREQUAL "")
      set(path ${entry})
    else()
      set(path ${folder}/${entry})
    endif()
    string(SHA1 hash "${EDITION}/${path}")
    string(SUBSTRING ${hash} 0 16 hash)
    xml_text("${entry}" name)
    if(IS_DIRECTORY ${LAYOUT}/${path})
      layout_tree(${path} "${indent}  " inner)
      string(APPEND xml "${indent}<Directory Id=\"d${hash}\" Name=\"${name}\">\n${inner}"
                        "${indent}</Directory>\n")
      japanese_text(Directory DefaultDir Directory d${hash} "${entry}")
    else()
      code("${EDITION}/${path}" guid)
      xml_text("${path}" source)
      string(APPEND xml "${indent}<Component Id=\"c${hash}\" Guid=\"${guid}\">\n"
                        "${indent}  <File Id=\"f${hash}\" Name=\"${name}\" Source=\"${source}\""
                        " KeyPath=\"yes\"/>\n")
      # A folder goes with the last of its files, unless the user put files of their own in it.
      if(NOT removes_folder)
        string(APPEND xml "${indent}  <RemoveFolder Id=\"r${hash}\" On=\"uninstall\"/>\n")
        set(removes_folder TRUE)
      endif()
      string(APPEND xml "${indent}</Component>\n")
      list(APPEND component_refs "      <ComponentRef Id=\"c${hash}\"/>")
      japanese_text(File FileName File f${hash} "${entry}")
      if(path STREQUAL "${EDITION}/kcbooks.ini")
        set(ini_component c${hash})
      endif()
    endif()
  endforeach()
  set(component_refs ${component_refs} PARENT_SCOPE)
  set(japanese_queries ${japanese_queries} PARENT_SCOPE)
  set(ini_component ${ini_component} PARENT_SCOPE)
  set(${out} "${xml}" PARENT_SCOPE)
endfunction()

layout_tree("" "              " KC_LAYOUT_TREE)
if(ini_component STREQUAL "")
  message(FATAL_ERROR "PackMsi.cmake: ${LAYOUT} holds no ${EDITION}/kcbooks.ini")
endif()
list(JOIN component_refs "\n" KC_COMPONENT_REFS)
string(REGEX REPLACE "\n$" "" KC_LAYOUT_TREE "${KC_LAYOUT_TREE}")

# --- the Start menu: what a user starts by hand. Without arguments, kcbooks.exe opens its
# import window and kcview.exe asks for the exported file; the guide opens at its first page.

if(NOT EXISTS ${LAYOUT}/guide/index.html)
  message(FATAL_ERROR "PackMsi.cmake: ${LAYOUT}/guide/index.html is missing: lay the guide out first")
endif()
set(shortcuts
    "帳簿の取り込み|kcbooks.exe|帳簿フォルダやほかの会計ソフトの仕訳データを帳簿ファイルに取り込みます"
    "決算書の確認|kcview.exe|書き出した XML ファイルの数字を確かめ、確認ページを開きます"
    "使い方|guide\\index.html|帳簿の用意から書き出しと確認までの手引き")
set(KC_SHORTCUTS "")
set(number 0)
foreach(shortcut ${shortcuts})
  string(REPLACE "|" ";" shortcut "${shortcut}")
  list(GET shortcut 0 name)
  list(GET shortcut 1 target)
  list(GET shortcut 2 description)
  math(EXPR number "${number} + 1")
  string(APPEND KC_SHORTCUTS
         "            <Shortcut Id=\"Shortcut${number}\" Name=\"${name}\""
         " Description=\"${description}\" Target=\"[INSTALLDIR]${target}\""
         " WorkingDirectory=\"INSTALLDIR\"/>\n")
  japanese_text(Shortcut Name Shortcut Shortcut${number} "${name}")
  japanese_text(Shortcut Description Shortcut Shortcut${number} "${description}")
endforeach()
string(REGEX REPLACE "\n$" "" KC_SHORTCUTS "${KC_SHORTCUTS}")

# Shown by Windows Installer when this package is older than the version installed.
set(downgrade "より新しい版の${product}が入っています。この版を入れるには、先に［設定］の［アプリ］で新しい版をアンインストールしてください。")
japanese_text(Property Value Property ProductName "${product}")
japanese_text(Directory DefaultDir Directory MenuFolder "${product}")
japanese_text(LaunchCondition Description Condition "NOT WIX_DOWNGRADE_DETECTED" "${downgrade}")
# kcbooks.ini is the user's: an upgrade finds it in place and leaves it, an uninstall too.
# msidbComponentAttributesPermanent (16) | msidbComponentAttributesNeverOverwrite (128).
list(APPEND japanese_queries
     "UPDATE `Component` SET `Attributes`=144 WHERE `Component`='${ini_component}'")

set(KC_EDITION ${EDITION})
set(KC_VERSION ${VERSION})
set(KC_MSI_VERSION ${msi_version})
set(KC_UPGRADE_CODE ${upgrade_code_${EDITION}})
code("${EDITION} ${VERSION}" KC_PRODUCT_CODE)
code("${EDITION} Start menu" KC_MENU_GUID)
xml_text("${product}" KC_PRODUCT_XML)
xml_text("${downgrade}" KC_DOWNGRADE_XML)

set(wxs ${LAYOUT}.wxs)
configure_file(${SOURCE}/resources/package/edition.wxs.in ${wxs} @ONLY)
file(REMOVE ${MSI})
# wixl finds the files by their paths in the layout, from the folder it runs in.
execute_process(COMMAND ${WIXL} --arch x64 -o ${MSI} ${wxs} WORKING_DIRECTORY ${LAYOUT}
                RESULT_VARIABLE failed ERROR_VARIABLE why)
if(failed)
  message(FATAL_ERROR "PackMsi.cmake: wixl failed on ${wxs}: ${why}")
endif()

# The database's code page first: the strings written after it are kept as Shift_JIS.
set(codepage_table ${LAYOUT}.codepage.idt)
file(WRITE ${codepage_table} "\r\n\r\n932\t_ForceCodepage\r\n")
execute_process(COMMAND ${MSIBUILD} ${MSI} -i ${codepage_table} RESULT_VARIABLE failed)
file(REMOVE ${codepage_table})
if(failed)
  message(FATAL_ERROR "PackMsi.cmake: msibuild could not set ${MSI}'s code page")
endif()
# wixl writes the summary's template as English whatever Languages says.
execute_process(COMMAND ${MSIBUILD} ${MSI} -s "${product} ${VERSION}" kessan-link "x64;1041"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "PackMsi.cmake: msibuild could not write ${MSI}'s summary")
endif()
foreach(query ${japanese_queries})
  execute_process(COMMAND ${MSIBUILD} ${MSI} -q "${query}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "PackMsi.cmake: msibuild failed on ${MSI}: ${query}")
  endif()
endforeach()
