# The standard chart of accounts compiled into the program, so that kcbooks needs no file beside
# it on either host: kc_standard_chart_source(CHART_CSV OUT_CPP) writes OUT_CPP defining
# convert::StandardChartText() with CHART_CSV's bytes, and configures again when CHART_CSV changes.
function(kc_standard_chart_source chart_csv out_cpp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${chart_csv})
  file(READ ${chart_csv} chart_hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," chart_bytes "${chart_hex}")
  file(CONFIGURE OUTPUT ${out_cpp} CONTENT [=[
// Generated from tools/convert/standard-chart.csv when the build is configured.
#include "tools/convert/Chart.h"
namespace {
const unsigned char kText[] = {${chart_bytes}};
}
std::string_view convert::StandardChartText() {
    return std::string_view(reinterpret_cast<const char*>(kText), sizeof kText);
}
]=])
endfunction()
