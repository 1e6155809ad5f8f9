#pragma once

// The review page's parts for a file compared with last year's: the list of marked changes at the
// top, and each statement with last year's figure, the change and its per cent beside this year's.
// A marked change is marked ◆: ▲ reads as a minus in a Japanese statement.

#include <optional>
#include <string>

#include "tools/kcview/Comparison.h"

namespace kcview {

// The style of the parts below, for the page's <style>.
extern const char kComparisonStyle[];

// The marked changes, each a link to its line.
std::string MarkedChangesHtml(const Comparison& comparison);

// The statement's table: this year's figure, last year's, the change and its per cent; the
// caller heads it.
std::string ComparedTableHtml(const ComparedStatement& statement);

// The change as a per cent of last year's figure, one decimal ("12.5%", "△3.0%"), or "—" when
// last year's figure is 0 or the line is new: no share of nothing can be taken.
std::string PercentChange(std::optional<std::int64_t> current,
                          std::optional<std::int64_t> previous);

}  // namespace kcview
