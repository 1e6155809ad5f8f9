# The guide's examples are real books: every folder under examples/ imports and its balance sheet
# balances, and its export, ledger and all, passes every check of kcview (a folder named
# *-mistakes, kept to show the checks at work, fails one); the worked example
# exports as docs/books.md runs it, and its statements hold together;
# every code block the guide ties to a file or to that export still stands in it; and every link
# of the guide leads to a file of the repository.
#
# cmake -DKCBOOKS=... -DKCSAKURA=... -DKCVIEW=... -DXMLLINT=... -DPERL=... -DSOURCE=... -DWORK=...
#       -P guide_examples.cmake

cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../lib/e2e.cmake)

# Every books folder under examples/ imports, and kcbooks says its books balance.
file(GLOB folders LIST_DIRECTORIES true ${SOURCE}/examples/*)
set(imported "")
foreach(folder IN LISTS folders)
  if(NOT EXISTS ${folder}/company.csv)
    continue()
  endif()
  get_filename_component(name ${folder} NAME)
  run(${KCBOOKS} import ${folder} ${WORK}/${name}.books)
  run(${KCBOOKS} show ${WORK}/${name}.books)
  if(NOT OUT MATCHES "debits equal credits" OR NOT OUT MATCHES ": balances\n")
    message(FATAL_ERROR "examples/${name} does not balance:\n${OUT}")
  endif()
  run(${KCSAKURA} --books ${WORK}/${name}.books --ui batch --start-month 4 --end-month 3 --kind 1
      --out ${WORK}/${name}.xml --yes --settings-folder ${WORK}/${name}-settings)
  if(name MATCHES "-mistakes$")
    # Books kept to show the reviewer's checks at work: their mistakes must fail a check.
    execute_process(COMMAND ${KCVIEW} --check ${WORK}/${name}.xml WORKING_DIRECTORY ${WORK}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 1)
      message(FATAL_ERROR "examples/${name}: kcview --check exited ${rc}, not 1:\n${out}\n${err}")
    endif()
  else()
    run(${KCVIEW} --check ${WORK}/${name}.xml)
  endif()
  list(APPEND imported ${name})
endforeach()
if(NOT "worked-chart" IN_LIST imported)
  message(FATAL_ERROR "examples/worked-chart is missing (imported: ${imported})")
endif()

# The worked example, exported with the options the guide gives (relative paths, as a reader in
# that folder types them) and settings of its own.
file(COPY ${SOURCE}/examples/worked-chart DESTINATION ${WORK})
run(${KCBOOKS} import worked-chart hibari.books)
run(${KCBOOKS} show hibari.books)
set(shown "${OUT}")
run(${KCSAKURA} --books hibari.books --ui batch --start-month 4 --end-month 3 --kind 1 --no-ledger
    --out hibari.xml --yes --settings-folder ${WORK}/settings)
run(${XMLLINT} --noout ${WORK}/hibari.xml)

# One figure of the file: the text of an XPath expression, as a whole number.
function(figure variable xpath)
  run(${XMLLINT} --xpath "string(${xpath})" ${WORK}/hibari.xml)
  string(STRIP "${OUT}" value)
  if(NOT value MATCHES "^-?[0-9]+$")
    message(FATAL_ERROR "${xpath}: no amount in the file (\"${value}\")")
  endif()
  set(${variable} ${value} PARENT_SCOPE)
endfunction()

function(expect what left right)
  if(NOT left EQUAL right)
    message(FATAL_ERROR "the worked example's file: ${what}: ${left} is not ${right}")
  endif()
endfunction()

figure(assets "//BalanceSheet/Assets/@Amount")
figure(liabilities "//BalanceSheet/Liabilities/@Amount")
figure(net_assets "//BalanceSheet/NetAssets/@Amount")
figure(retained "//BalanceSheet/NetAssets/Item[@Label='繰越利益剰余金']")
figure(sales "//IncomeStatement/NetSales/@Amount")
figure(cost_of_sales "//IncomeStatement/CostOfSales/@Amount")
figure(manufacturing_line "//IncomeStatement/CostOfSales/Item[@Label='当期製品製造原価']")
figure(gross_profit "//IncomeStatement/GrossProfit/@Amount")
figure(net_income "//IncomeStatement/NetIncome/@Amount")
figure(material "//ScheduleCostGoodsManufactured/MaterialCost/@Amount")
figure(labor "//ScheduleCostGoodsManufactured/LaborCost/@Amount")
figure(overhead "//ScheduleCostGoodsManufactured/OverheadExpenses/@Amount")
figure(finished_goods "//ScheduleCostGoodsManufactured/CostFinishedGoods/@Amount")
set(retained_column "//StatementChangesNetAssets/ChangesNetAssetsItem[AccountList='繰越利益剰余金']")
figure(retained_before "${retained_column}/BalanceEndPreviousPeriod")
figure(retained_after "${retained_column}/BalanceEndCurrentPeriod")

# The manufacturing cost is the cost of goods manufactured, and the income statement carries it
# as the line of the cost of sales.
math(EXPR manufacturing "${material} + ${labor} + ${overhead}")
if(manufacturing EQUAL 0)
  message(FATAL_ERROR "the worked example's file has no manufacturing cost")
endif()
expect("cost of goods manufactured against its groups" ${finished_goods} ${manufacturing})
expect("the cost of sales' manufacturing line" ${manufacturing_line} ${finished_goods})
math(EXPR gross "${sales} - ${cost_of_sales}")
expect("gross profit against sales less the cost of sales" ${gross_profit} ${gross})

# The year's result closes into net assets, and the balance sheet balances.
math(EXPR retained_expected "${retained_before} + ${net_income}")
expect("retained earnings at the end of the statement of changes" ${retained_after}
       ${retained_expected})
expect("retained earnings on the balance sheet" ${retained} ${retained_after})
math(EXPR right "${liabilities} + ${net_assets}")
expect("assets against liabilities plus net assets" ${assets} ${right})

# The export and kcbooks show reach the same total assets by different paths.
if(NOT shown MATCHES "assets ([0-9,]+),")
  message(FATAL_ERROR "kcbooks show gives no total assets:\n${shown}")
endif()
string(REPLACE "," "" shown_assets "${CMAKE_MATCH_1}")
expect("total assets against kcbooks show" ${assets} ${shown_assets})

# The guide's quoted blocks, and its links.
run(${PERL} ${SOURCE}/tests/docs/guide_quotes.pl ${SOURCE}
    --export examples/worked-chart=${WORK}/hibari.xml)
message(STATUS "${OUT}")
run(${PERL} ${SOURCE}/tests/docs/links_inside.pl ${SOURCE})
message(STATUS "${OUT}")
